#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the core tests need from the operating system beyond the platform layer: looking
// behind the program's back (is a library still loaded?), installing the programmer tools
// where the program looks for them, and starting a second process. One implementation
// per system, picked by the build.
namespace coretest {

// Whether the library file at `path` is loaded in this process.
bool LibraryIsLoaded(const std::string& path);

// Where the programmer tools are installed, as the program reads it: the registry value on
// Windows, QUARTUS_ROOTDIR elsewhere. Nothing = not installed.
std::optional<std::string> ToolsRoot();
// Records `root` as the installation (nothing removes it); false when the system refuses
// (a Windows user without the right to write the local machine's registry).
bool SetToolsRoot(const std::optional<std::string>& root);

// Runs `program` with `arguments` and returns its exit code; -1 when it could not be
// started or did not end within `budgetMs` (it is then killed).
int RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::uint32_t budgetMs);

} // namespace coretest
