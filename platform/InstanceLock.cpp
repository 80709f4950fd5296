#include "InstanceLock.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

std::string InstanceLock::LockFilePath(const std::string& name)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = (runtime && *runtime) ? runtime : "/tmp";
    if (folder.back() != '/')
        folder.push_back('/');
    std::string file = folder + name;
    if (!(runtime && *runtime))
        file += "." + std::to_string(::getuid()); // /tmp is shared between users
    return file + ".lock";
}

std::unique_ptr<InstanceLock> InstanceLock::Acquire(const std::string& name)
{
    const int fd = ::open(LockFilePath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

InstanceLock::~InstanceLock()
{
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

} // namespace platform
