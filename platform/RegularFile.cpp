#include "RegularFile.h"
#include "RegularFileCommon.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

TRegularFileRead ReadOpen(int fd, std::size_t limit, std::string& bytes)
{
    struct stat status { };
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    int error = 0;
    TRegularFileRead result = detail::ReadOpenFile(regular, regular ? static_cast<std::uint64_t>(status.st_size) : 0,
        limit, bytes, [fd, &error](char* chunk, std::size_t capacity) {
            ssize_t n;
            do
                n = ::read(fd, chunk, capacity);
            while (n < 0 && errno == EINTR);
            error = errno;
            return static_cast<long>(n);
        });
    if (result.end == TRegularFileRead::TEnd::CannotRead)
        result.reason = std::strerror(error);
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
