#include "drivers/download/ProgrammerImage.h"

#include "platform/PrivateFile.h"

#include <filesystem>

namespace drivers {

ProgrammerImage::ProgrammerImage(const std::string& path)
{
    if (path.find_first_of(";@") == std::string::npos) {
        path_ = path;
        return;
    }
    folder_ = platform::MakeTemporaryFolder("vx5h-image-", ";@");
    if (folder_.empty())
        return;
    const std::string copy = (std::filesystem::path(folder_) / "image.sof").string();
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
