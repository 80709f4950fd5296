#include "RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

TRegularFileReader::~TRegularFileReader() { Close(); }

void TRegularFileReader::Close()
{
    if (m_Handle >= 0)
        ::close(static_cast<int>(m_Handle));
    m_Handle = -1;
}

TRegularFileRead TRegularFileReader::Open(const std::string& path, std::uint64_t limit)
{
    Close();
    TRegularFileRead result;
    // Non-blocking: opening a FIFO without a writer would otherwise wait for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.reason = std::strerror(errno);
        return result;
    }
    struct stat status { };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        result.end = TRegularFileRead::TEnd::NotRegular;
    else if ((result.size = static_cast<std::uint64_t>(status.st_size)) > limit)
        result.end = TRegularFileRead::TEnd::TooLarge;
    else
        result.end = TRegularFileRead::TEnd::Read;
    if (result.end == TRegularFileRead::TEnd::Read)
        m_Handle = fd;
    else
        ::close(fd);
    return result;
}

long TRegularFileReader::Read(char* chunk, std::size_t capacity, std::string& reason)
{
    if (m_Handle < 0) {
        reason = std::strerror(EBADF);
        return -1;
    }
    ssize_t n;
    do
        n = ::read(static_cast<int>(m_Handle), chunk, capacity);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        reason = std::strerror(errno);
    return static_cast<long>(n);
}

} // namespace platform
