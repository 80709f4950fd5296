#include "RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

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

TRegularFileRead ReadOpen(int fd, std::size_t limit, std::string& bytes)
{
    TRegularFileRead result;
    struct stat status { };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        result.end = TRegularFileRead::TEnd::NotRegular;
        return result;
    }
    result.size = static_cast<std::uint64_t>(status.st_size);
    if (result.size > limit)
        result.end = TRegularFileRead::TEnd::TooLarge;
    else if (!ReadUpTo(fd, bytes, limit)) {
        result.end = TRegularFileRead::TEnd::CannotRead;
        result.reason = std::strerror(errno);
    } else
        result.end = bytes.size() > limit ? TRegularFileRead::TEnd::Grew : TRegularFileRead::TEnd::Read;
    return result;
}

} // namespace

TRegularFileRead ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes)
{
    bytes.clear();
    // Non-blocking: opening a FIFO without a writer would otherwise wait for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        TRegularFileRead result;
        result.reason = std::strerror(errno);
        return result;
    }
    const TRegularFileRead result = ReadOpen(fd, limit, bytes);
    ::close(fd);
    if (result.end != TRegularFileRead::TEnd::Read)
        bytes.clear();
    return result;
}

} // namespace platform
