#include "core/FileAccess.h"

#include "core/Names.h"
#include "platform/Paths.h"

#include <string>
#include <system_error>

namespace memory {

bool IsHexFileName(const std::filesystem::path& path)
{
    // As UTF-8: the system's narrow code page may not spell every name a user picks.
    const std::u8string utf8 = path.filename().u8string();
    const std::string name(utf8.begin(), utf8.end());
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && names::EqualIgnoringCase(std::string_view(name).substr(dot), ".hex");
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) { return platform::OpenFile(path, mode); }

std::string SystemReason(int error) { return std::generic_category().message(error); }

bool IsSpecialFile(const std::filesystem::path& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

std::uint64_t FileSize(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    const long size = std::ftell(file);
    std::rewind(file);
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

} // namespace memory
