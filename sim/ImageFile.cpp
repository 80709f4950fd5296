#include "sim/Image.h"

#include "platform/RegularFile.h"

// Reading an image from a file the user names: a FIFO or a device must not hold the
// reader, and a file larger than any image is not read into memory.
namespace sim {

bool ReadImageFile(const std::string& path, std::string& bytes, std::string& error)
{
    using TEnd = platform::TRegularFileRead::TEnd;
    const platform::TRegularFileRead read = platform::ReadRegularFile(path, IMAGE_MAX_LEN, bytes);
    switch (read.end) {
    case TEnd::Read:
        error.clear();
        return true;
    case TEnd::CannotOpen:
        error = "cannot open " + path + ": " + read.reason;
        break;
    case TEnd::NotRegular:
        error = path + " is not a regular file";
        break;
    case TEnd::TooLarge:
        error = path + " is too large for an image (" + std::to_string(read.size) + " bytes, at most "
            + std::to_string(IMAGE_MAX_LEN) + ")";
        break;
    case TEnd::CannotRead:
        error = "cannot read " + path + ": " + read.reason;
        break;
    case TEnd::Grew:
        error = path + " grew beyond " + std::to_string(IMAGE_MAX_LEN) + " bytes while it was read";
        break;
    }
    return false;
}

} // namespace sim
