#include "Paths.h"

#include "platform/Native.h"
#include "platform/VendorTools.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace platform {
namespace {

std::string WithSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return folder;
}

} // namespace

char PathSeparator() { return '/'; }

std::string native::ExecutableFolder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    // Without /proc there is no telling; the current folder would be anybody's.
    if (ec || !exe.is_absolute())
        return {};
    return WithSeparator(exe.parent_path().string());
}

std::string CurrentDirectory()
{
    std::error_code ec;
    const auto cwd = std::filesystem::current_path(ec);
    return ec ? std::string() : cwd.string();
}

std::string HostName()
{
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

bool SetCurrentDirectory(const std::string& folder) { return !folder.empty() && ::chdir(folder.c_str()) == 0; }

std::optional<std::string> ProgrammerToolsFolder()
{
    // A relative root would name a different folder wherever the program is started, so
    // nothing is run from one, as the driver libraries load nothing from one.
    const char* root = std::getenv("QUARTUS_ROOTDIR");
    if (!root || *root != '/')
        return std::nullopt;
    return WithSeparator(root) + "bin";
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool CanReadAndWrite(const std::string& path) { return ::access(path.c_str(), R_OK | W_OK) == 0; }

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool SyncFile(std::FILE* file) { return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0; }

std::string LibraryPathText(const std::string& path) { return path; }

std::optional<VendorToolFiles> FindVendorTools(std::string& why)
{
    const char* root = std::getenv("QUARTUS_ROOTDIR");
    if (!root || *root != '/') {
        why = "QUARTUS_ROOTDIR is not set to the vendor's programmer tools";
        return std::nullopt;
    }
    const std::string folder = WithSeparator(root);
    return VendorToolFiles{
        folder + "linux64/libjtag_client.so", folder + "linux64/libjtag_atlantic.so", folder + "bin/quartus_pgm"};
}

CppNameScheme VendorNameScheme() { return CppNameScheme::Itanium; }

} // namespace platform
