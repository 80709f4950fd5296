#include "InstanceLock.h"

#include "RuntimeFolder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

InstanceLock::Attempt Refused(const std::string& error)
{
    InstanceLock::Attempt attempt;
    attempt.outcome = InstanceLock::Outcome::CannotOpen;
    attempt.error = error;
    return attempt;
}

} // namespace

std::string InstanceLock::LockFilePath(const std::string& name, std::string* error)
{
    std::string why;
    const auto folder = PrivateRuntimeFolder(why);
    if (error)
        *error = why;
    return folder ? *folder + name + ".lock" : std::string();
}

InstanceLock::Attempt InstanceLock::Acquire(const std::string& name)
{
    std::string error;
    const std::string path = LockFilePath(name, &error);
    if (path.empty())
        return Refused(error);
    // Never through a link: whoever placed one would have us create or lock a file of
    // their choosing.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return Refused("cannot open the lock file " + path + ": "
            + (errno == ELOOP ? std::string("it is a symbolic link") : std::strerror(errno)));
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Refused("the lock file " + path + " is not a regular file");
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int lockError = errno;
        ::close(fd);
        if (lockError == EWOULDBLOCK)
            return {Outcome::HeldElsewhere, nullptr, {}};
        return Refused("cannot lock " + path + ": " + std::strerror(lockError));
    }
    return {Outcome::Taken, std::unique_ptr<InstanceLock>(new InstanceLock(fd)), {}};
}

InstanceLock::~InstanceLock()
{
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

} // namespace platform
