#include "drivers/download/ProgrammerImage.h"

#include <cstdlib>
#include <filesystem>

namespace drivers {

ProgrammerImage::ProgrammerImage(const std::string& path)
{
    if (path.find_first_of(";@") == std::string::npos) {
        path_ = path;
        return;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/vx5h-image-XXXXXX";
    if (pattern.find_first_of(";@") != std::string::npos)
        pattern = "/tmp/vx5h-image-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return;
    folder_ = pattern;
    const std::string copy = folder_ + "/image.sof";
    std::error_code ec;
    if (std::filesystem::copy_file(path, copy, ec))
        path_ = copy;
}

ProgrammerImage::~ProgrammerImage()
{
    if (folder_.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

} // namespace drivers
