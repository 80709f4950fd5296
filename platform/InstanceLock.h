#pragma once

#include <memory>
#include <string>

namespace platform {

// A system-wide named lock that keeps a program to one instance. On Windows it is the
// named mutex `name`; elsewhere a lock file held with an OS file lock. Either way the OS
// releases it when the process ends, even after a crash.
class InstanceLock {
public:
    enum class Outcome {
        Taken,         // this process holds the lock now
        HeldElsewhere, // another instance holds it
        CannotOpen     // there is no lock to take; `error` says why
    };
    struct Attempt {
        Outcome outcome = Outcome::CannotOpen;
        std::unique_ptr<InstanceLock> lock; // set when Taken
        std::string error;
    };

    static Attempt Acquire(const std::string& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Where the lock file of `name` lives: the user's private runtime folder. Empty, with
    // `error` (optional) set, when that folder cannot be made safely. Empty on Windows,
    // where the lock is no file.
    static std::string LockFilePath(const std::string& name, std::string* error = nullptr);

private:
    explicit InstanceLock(int fd)
        : fd_(fd)
    { }
    int fd_;
};

} // namespace platform
