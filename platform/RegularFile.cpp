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
    // Non-blocking: opening a FIFO without a writer would otherwise wait for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        TRegularFileRead result;
        result.reason = std::strerror(errno);
        return result;
    }
    struct stat status { };
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    const TRegularFileRead result = Checked(regular, regular ? static_cast<std::uint64_t>(status.st_size) : 0, limit);
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
