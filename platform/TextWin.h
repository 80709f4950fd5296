#pragma once

#include <optional>
#include <string>
#include <windows.h>

// The Windows half speaks the wide (UTF-16) API throughout; the platform interface speaks
// UTF-8. These convert at that border, and read what the Windows half reads alike.
namespace platform::win {

// UTF-8 to UTF-16. Text that is not valid UTF-8 gives an empty result, which no API
// call accepts as a path, so bad text fails instead of naming some other file.
std::wstring Widen(const std::string& text);

// UTF-16 to UTF-8.
std::string Narrow(const std::wstring& text);

// A path as the loader wants it: backslashes only.
std::wstring NativePath(const std::string& path);

// The system's own words for an error code, without the trailing line break.
std::string ErrorText(unsigned long code);

// One argument of a command line, quoted so that the program started splits it back into
// exactly this text as the C runtime does (backslashes double only before a quote).
std::wstring QuotedArgument(const std::wstring& argument);

// The text value `name` of the open registry key `key` (an expandable one comes back
// expanded); nothing when it is missing or not text.
std::optional<std::wstring> RegistryText(HKEY key, const wchar_t* name);

} // namespace platform::win
