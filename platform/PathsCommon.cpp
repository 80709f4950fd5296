#include "Paths.h"

#include "platform/Native.h"

#include <utility>

// The parts of Paths.h that are the same on every system.
namespace platform {
namespace {

std::optional<std::string>& FolderOverride()
{
    static std::optional<std::string> folder;
    return folder;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

} // namespace

std::string ExecutableFolder()
{
    const auto& folder = FolderOverride();
    if (!folder)
        return native::ExecutableFolder();
    // Tests hand in folders with or without the trailing separator.
    if (folder->empty() || !IsSeparator(folder->back()))
        return *folder + PathSeparator();
    return *folder;
}

void OverrideExecutableFolder(std::optional<std::string> folder) { FolderOverride() = std::move(folder); }

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace platform
