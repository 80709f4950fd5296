#pragma once

// Playing another user of the machine. The tests run as root in CI, where permissions
// would let everything through; what they check here is ownership and the peer's
// identity, which root cannot fake by accident, and whatever must act as the other user
// runs in a child that has really become that user.
#include <cstdlib>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

struct OtherUser {
    uid_t uid = 65534;
    gid_t gid = 65534;
};

// "nobody", whom every Debian system has.
inline OtherUser Nobody()
{
    OtherUser user;
    if (const passwd* entry = ::getpwnam("nobody")) {
        user.uid = entry->pw_uid;
        user.gid = entry->pw_gid;
    }
    return user;
}

// Hands `path` itself (not what a link points at) to `user`.
inline bool GiveTo(const std::string& path, const OtherUser& user)
{
    return ::lchown(path.c_str(), user.uid, user.gid) == 0;
}

// Runs `body` in a child process that has become `user`; the child's pid (the caller
// reaps it), or -1. The child exits with what `body` returns, 99 when it could not
// become the user.
inline pid_t StartAs(const OtherUser& user, const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    if (::setgroups(0, nullptr) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0)
        ::_exit(99);
    ::_exit(body());
}

// StartAs, then waits for the child; its exit code, or -1.
inline int RunAs(const OtherUser& user, const std::function<int()>& body)
{
    const pid_t pid = StartAs(user, body);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace testsupport
