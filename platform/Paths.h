#pragma once

#include <optional>
#include <string>

namespace platform {

// Folders are returned with a trailing separator, so that a file name can be appended
// directly ("<folder>QELVANO_JTAG.DLL").

// The folder of the running program's executable.
std::string ExecutableFolder();

// Makes ExecutableFolder() answer `folder` instead (tests load libraries from a folder
// they control); an empty optional restores the real folder.
void OverrideExecutableFolder(std::optional<std::string> folder);

std::string CurrentDirectory();
bool SetCurrentDirectory(const std::string& folder);

// The folder of the FPGA vendor's programmer tools (its "bin" folder), or nothing when
// they are not installed. Windows keeps it in the registry; on other systems the vendor's
// installation sets QUARTUS_ROOTDIR.
std::optional<std::string> ProgrammerToolsFolder();

// Last path component ("/a/b/c.sof" -> "c.sof").
std::string FileNameOf(const std::string& path);

bool FileExists(const std::string& path);

} // namespace platform
