#include "Paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace platform {
namespace {

std::optional<std::string>& FolderOverride()
{
    static std::optional<std::string> folder;
    return folder;
}

std::string WithSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return folder;
}

} // namespace

std::string ExecutableFolder()
{
    if (const auto& folder = FolderOverride())
        return WithSeparator(*folder);
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return WithSeparator(CurrentDirectory());
    return WithSeparator(exe.parent_path().string());
}

void OverrideExecutableFolder(std::optional<std::string> folder) { FolderOverride() = std::move(folder); }

std::string CurrentDirectory()
{
    std::error_code ec;
    const auto cwd = std::filesystem::current_path(ec);
    return ec ? std::string() : cwd.string();
}

bool SetCurrentDirectory(const std::string& folder) { return !folder.empty() && ::chdir(folder.c_str()) == 0; }

std::optional<std::string> ProgrammerToolsFolder()
{
    const char* root = std::getenv("QUARTUS_ROOTDIR");
    if (!root || !*root)
        return std::nullopt;
    return WithSeparator(root) + "bin";
}

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace platform
