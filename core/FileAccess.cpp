#include "core/FileAccess.h"

#include "core/Names.h"

#include <string>

namespace memory {

bool IsHexFileName(const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && names::EqualIgnoringCase(std::string_view(name).substr(dot), ".hex");
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
#ifdef _WIN32
    std::wstring wide(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wide.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
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
