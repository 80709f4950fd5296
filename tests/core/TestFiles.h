#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

// Files and folders in the tests, named in UTF-8 on every system.
namespace coretest {

// A UTF-8 path as the standard library's path type (which would read a plain string in
// the system's narrow code page on Windows).
inline std::filesystem::path PathOf(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// Without a trailing separator, which Windows' file status calls do not take.
inline std::filesystem::path FolderPathOf(const std::string& utf8)
{
    const std::filesystem::path path = PathOf(utf8).lexically_normal();
    return path.has_filename() ? path : path.parent_path();
}

inline bool SameFolder(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(FolderPathOf(a), FolderPathOf(b), ec);
}

// A new folder of the test's own in the temp folder, removed with everything in it.
class TempFolder {
public:
    TempFolder()
    {
        std::random_device random;
        const std::filesystem::path temp = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && m_Folder.empty(); ++attempt) {
            const std::filesystem::path folder = temp / ("vx5h-test-" + std::to_string(random()));
            std::error_code ec;
            if (std::filesystem::create_directory(folder, ec))
                m_Folder = folder;
        }
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_Folder, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::filesystem::path operator/(const std::string& utf8Name) const { return m_Folder / PathOf(utf8Name); }
    std::size_t FileCount() const
    {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(m_Folder), std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path m_Folder;
};

inline void WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace coretest
