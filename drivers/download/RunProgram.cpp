#include "drivers/download/RunProgram.h"

#include "sim/Endpoint.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace drivers {

namespace {

constexpr int CHILD_CHECK_MS = 20;
constexpr std::size_t MAX_OUTPUT = 65536;

enum class Pipe {
    Read,
    Empty, // nothing came in time
    Closed
};

// Reads what comes through `fd` within `waitMs`.
Pipe ReadSome(int fd, std::string& output, int waitMs)
{
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, waitMs);
    if (ready <= 0)
        return ready < 0 && errno != EINTR ? Pipe::Closed : Pipe::Empty;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN ? Pipe::Empty : Pipe::Closed;
    if (n == 0)
        return Pipe::Closed;
    if (output.size() < MAX_OUTPUT)
        output.append(buffer, static_cast<std::size_t>(n));
    return Pipe::Read;
}

// Waits for the program in process group `pid` to end, and reads its output, until the
// deadline; then kills its whole group. A programmer that has closed its output may still
// be running, and whatever it started may hold its output open after it ended: neither
// may keep the caller past its budget. Its exit code, or -1.
int WaitForProgram(pid_t pid, int out, std::string& output, std::uint64_t deadlineUs)
{
    bool outputOpen = true;
    int status = 0;
    bool ended = false;
    while (!ended) {
        const std::uint64_t now = sim::MonotonicUs();
        if (now >= deadlineUs)
            break;
        const int waitMs = static_cast<int>(std::min<std::uint64_t>((deadlineUs - now + 999) / 1000, CHILD_CHECK_MS));
        if (outputOpen)
            outputOpen = ReadSome(out, output, waitMs) != Pipe::Closed;
        else
            ::poll(nullptr, 0, waitMs);
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
    }
    // What it wrote before it ended, without waiting for anyone who still holds the pipe.
    for (int chunk = 0; ended && outputOpen && chunk < 64; ++chunk)
        outputOpen = ReadSome(out, output, 0) == Pipe::Read;
    if (ended)
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ::kill(-pid, SIGKILL); // the group: the programmer and whatever it started
    ::waitpid(pid, &status, 0);
    return -1;
}

} // namespace

int RunProgram(const std::vector<std::string>& args, std::string& output, int timeoutMs)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0); // a group of its own, to be killed as one
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        return -1;
    }
    const std::uint64_t deadline = sim::MonotonicUs() + static_cast<std::uint64_t>(timeoutMs) * 1000;
    const int code = WaitForProgram(pid, out[0], output, deadline);
    ::close(out[0]);
    return code;
}

} // namespace drivers
