#include "sim/Image.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Reading an image from a file the user names: a FIFO or a device must not hold the
// reader, and a file larger than any image is not read into memory.
namespace sim {

namespace {

// Reads to the end, or until more than `limit` bytes came.
bool ReadUpTo(int fd, std::string& bytes, std::size_t limit)
{
    char chunk[65536];
    while (bytes.size() <= limit) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return true;
}

// Says why the open file `fd` is no image to read, or nothing.
std::string ImageFileProblem(int fd, const std::string& path)
{
    struct stat status { };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return path + " is not a regular file";
    if (static_cast<std::uint64_t>(status.st_size) > IMAGE_MAX_LEN)
        return path + " is too large for an image (" + std::to_string(status.st_size) + " bytes, at most "
            + std::to_string(IMAGE_MAX_LEN) + ")";
    return {};
}

} // namespace

bool ReadImageFile(const std::string& path, std::string& bytes, std::string& error)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    error = ImageFileProblem(fd, path);
    if (error.empty() && !ReadUpTo(fd, bytes, IMAGE_MAX_LEN))
        error = "cannot read " + path + ": " + std::strerror(errno);
    else if (error.empty() && bytes.size() > IMAGE_MAX_LEN)
        error = path + " grew beyond " + std::to_string(IMAGE_MAX_LEN) + " bytes while it was read";
    ::close(fd);
    if (!error.empty())
        bytes.clear();
    return error.empty();
}

} // namespace sim
