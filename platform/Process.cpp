#include "Process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

// How often the program's end and a stop request are looked at while it stays silent.
constexpr int CHECK_MS = 20;
// After the program ended: pieces of what it wrote still read, without waiting.
constexpr int LEFTOVER_READS = 64;

using TClock = std::chrono::steady_clock;

enum class TPipe {
    Read,
    Empty, // nothing came in time
    Closed
};

// Reads what comes through `fd` within `waitMs`, keeping up to OUTPUT_KEPT bytes.
TPipe ReadSome(int fd, std::string& output, int waitMs)
{
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, waitMs);
    if (ready <= 0)
        return ready < 0 && errno != EINTR ? TPipe::Closed : TPipe::Empty;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN ? TPipe::Empty : TPipe::Closed;
    if (n == 0)
        return TPipe::Closed;
    const std::size_t room = OUTPUT_KEPT - std::min(OUTPUT_KEPT, output.size());
    output.append(buffer, std::min(room, static_cast<std::size_t>(n)));
    return TPipe::Read;
}

bool StopAsked(const std::atomic<bool>* stop) { return stop && stop->load(); }

// Waits for the program in process group `pid` to end, reading its output, until the
// deadline or a stop request; then kills its whole group.
void WaitFor(pid_t pid, int out, TClock::time_point deadline, const std::atomic<bool>* stop, TProgramRun& run)
{
    bool outputOpen = true;
    int status = 0;
    bool ended = false;
    while (!ended && !StopAsked(stop)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now()).count();
        if (left <= 0)
            break;
        const int waitMs = static_cast<int>(std::min<long long>(left, CHECK_MS));
        if (outputOpen)
            outputOpen = ReadSome(out, run.output, waitMs) != TPipe::Closed;
        else
            ::poll(nullptr, 0, waitMs);
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
    }
    if (ended) {
        // What it wrote before it ended, without waiting for anyone who still holds the pipe.
        for (int piece = 0; outputOpen && piece < LEFTOVER_READS; ++piece)
            outputOpen = ReadSome(out, run.output, 0) == TPipe::Read;
        run.end = TProgramRun::TEnd::Exited;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return;
    }
    run.end = StopAsked(stop) ? TProgramRun::TEnd::Stopped : TProgramRun::TEnd::OutOfTime;
    ::kill(-pid, SIGKILL); // the group: the program and whatever it started
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
}

} // namespace

TProgramRun RunProgram(const std::vector<std::string>& args, std::uint32_t budgetMs, const std::atomic<bool>* stop)
{
    TProgramRun run;
    if (args.empty() || args[0].empty() || args[0][0] != '/')
        return run;
    const auto deadline = TClock::now() + std::chrono::milliseconds(budgetMs);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return run;
    // Everything the child needs is made here: posix_spawn allocates nothing between its
    // fork and the exec.
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0); // a group of its own, to be killed as one
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned == 0)
        WaitFor(pid, out[0], deadline, stop, run);
    ::close(out[0]);
    return run;
}

} // namespace platform
