#include "tests/windows/StandInBoard.h"

#include "sim/Image.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <windows.h>

namespace standin {

namespace fs = std::filesystem;

namespace {

fs::path Folder()
{
    const wchar_t* named = ::_wgetenv(L"VX5H_STANDIN_BOARD");
    const fs::path folder = named && *named ? fs::path(named) : fs::temp_directory_path() / "vx5h-standin-board";
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Written beside, then moved over the old one.
bool Replace(const fs::path& target, const void* bytes, std::size_t count)
{
    const fs::path temporary = target.wstring() + L".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
        if (!out)
            return false;
    }
    return ::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

} // namespace

bool ConfigureFpga(const char* path, std::string& why)
{
    std::ifstream in(path ? path : "", std::ios::binary);
    if (!in) {
        why = "cannot read the image";
        return false;
    }
    const std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const fs::path fpga = Folder() / "fpga.img";
    std::error_code ec;
    fs::remove(fpga, ec); // a configuration starts by clearing the device
    if (!sim::CheckImage(image.data(), image.size(), why))
        return false;
    return Replace(fpga, image.data(), image.size());
}

std::vector<std::uint8_t> ConfiguredImage() { return ReadFile(Folder() / "fpga.img"); }

void WriteState(const std::string& json) { Replace(Folder() / "state.json", json.data(), json.size()); }

} // namespace standin
