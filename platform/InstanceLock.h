#pragma once

#include <memory>
#include <string>

namespace platform {

// A system-wide named lock that keeps a program to one instance. It is a lock file held
// with an OS file lock, so the OS releases it when the process ends, even after a crash.
class InstanceLock {
public:
    // nullptr when another process holds the lock (or the lock file cannot be made).
    static std::unique_ptr<InstanceLock> Acquire(const std::string& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Where the lock file of `name` lives: the per-user runtime folder, else the temp folder.
    static std::string LockFilePath(const std::string& name);

private:
    explicit InstanceLock(int fd)
        : fd_(fd)
    { }
    int fd_;
};

} // namespace platform
