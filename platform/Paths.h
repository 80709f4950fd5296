#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// Folders are returned with a trailing separator, so that a file name can be appended
// directly ("<folder>QELVANO_JTAG.DLL"). Every path is UTF-8 text on every system, so
// folders with spaces and characters beyond ASCII work alike everywhere.

// The separator this system writes between folders: '/', or '\\' on Windows.
char PathSeparator();

// The folder of the running program's executable; empty when the system cannot tell
// (Linux without /proc). Nothing stands in for it: libraries and tools are loaded from
// that folder only, never from the current one.
std::string ExecutableFolder();

// Why nothing is loaded from the program's folder when ExecutableFolder() is empty.
constexpr const char* PROGRAM_FOLDER_UNKNOWN
    = "the program's own folder cannot be found (is /proc mounted?), and its libraries are loaded from there only";

// Makes ExecutableFolder() answer `folder` instead (tests load libraries from a folder
// they control); an empty optional restores the real folder.
void OverrideExecutableFolder(std::optional<std::string> folder);

std::string CurrentDirectory();
// The computer's name, as reports name where they were made; empty when it cannot be had.
std::string HostName();
bool SetCurrentDirectory(const std::string& folder);

// The folder of the FPGA vendor's programmer tools (its "bin" folder), or nothing when
// they are not installed. Windows keeps it in the registry (the value "Quartus Install
// Directory" of HKEY_LOCAL_MACHINE\SOFTWARE\Altera Corporation\Quartus); on other
// systems the vendor's installation sets QUARTUS_ROOTDIR. An empty or relative value
// counts as not installed.
std::optional<std::string> ProgrammerToolsFolder();

// Last path component ("/a/b/c.sof" -> "c.sof").
std::string FileNameOf(const std::string& path);

bool FileExists(const std::string& path);

// fopen of a path in any characters the system allows, with the mode letter "x" (make
// the file, never open one that exists) on every system; nullptr on failure.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// Flushes an open file's buffers and waits until the system has put its data on the
// disk; false (errno set) when either fails.
bool SyncFile(std::FILE* file);

// `path` as a library of this system expects a file name in narrow text: unchanged where
// narrow text is UTF-8; on Windows in the system's code page, or, for a name that code
// page cannot spell, the file's short name (which can), so that the library opens the file
// the program means.
std::string LibraryPathText(const std::string& path);

} // namespace platform
