#include "platform/RuntimeFolder.h"

#include "platform/TextWin.h"

#include <windows.h>

namespace platform {

namespace {

// A folder, and not a link or junction that could lead somewhere another user chose.
bool IsPlainFolder(const std::wstring& folder)
{
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
        && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

// The user's local application-data folder lies in the user's profile, which the system
// opens to the user alone (and to administrators); a folder made in it inherits that.
std::optional<std::string> PrivateRuntimeFolder(std::string& error)
{
    wchar_t base[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        error = "the user's local application-data folder (LOCALAPPDATA) is not set";
        return std::nullopt;
    }
    const std::string folder = win::Narrow(base) + "\\vx5h";
    if (!MakePrivateFolder(folder, error))
        return std::nullopt;
    return folder + "\\";
}

bool MakePrivateFolder(const std::string& folder, std::string& error)
{
    const std::wstring wide = win::Widen(folder);
    if (!::CreateDirectoryW(wide.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        error = "cannot make " + folder + ": " + win::ErrorText(::GetLastError());
        return false;
    }
    return CheckPrivateFolder(folder, error);
}

bool CheckPrivateFolder(const std::string& folder, std::string& error)
{
    if (IsPlainFolder(win::Widen(folder)))
        return true;
    error = folder + " is not a folder of its own (a link or a junction, or missing)";
    return false;
}

} // namespace platform
