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

// One of the program's outputs, read into `text` up to `kept` bytes.
struct TOutput {
    int fd = -1;
    std::string* text = nullptr;
    std::size_t kept = OUTPUT_KEPT;
    bool open = false;
};

// Reads what comes through the open outputs within `waitMs`; false once all are closed.
bool ReadSome(TOutput* outputs, std::size_t count, int waitMs)
{
    pollfd p[2];
    std::size_t polled = 0;
    for (std::size_t i = 0; i < count; ++i)
        if (outputs[i].open)
            p[polled++] = {outputs[i].fd, POLLIN, 0};
    if (polled == 0) {
        ::poll(nullptr, 0, waitMs);
        return false;
    }
    const int ready = ::poll(p, polled, waitMs);
    if (ready < 0 && errno != EINTR) {
        for (std::size_t i = 0; i < count; ++i)
            outputs[i].open = false;
        return false;
    }
    bool anyRead = false;
    for (std::size_t i = 0, at = 0; ready > 0 && i < count; ++i) {
        if (!outputs[i].open)
            continue;
        const short events = p[at++].revents;
        if (events == 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(outputs[i].fd, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
            outputs[i].open = false;
            continue;
        }
        if (n < 0)
            continue;
        std::string& text = *outputs[i].text;
        const std::size_t room = outputs[i].kept - std::min(outputs[i].kept, text.size());
        text.append(buffer, std::min(room, static_cast<std::size_t>(n)));
        anyRead = true;
    }
    return anyRead;
}

bool AnyOpen(const TOutput* outputs, std::size_t count)
{
    return std::any_of(outputs, outputs + count, [](const TOutput& o) { return o.open; });
}

bool StopAsked(const std::atomic<bool>* stop) { return stop && stop->load(); }

// Waits until the program ends, reading its outputs, or until `deadline`; true when it ended.
bool WaitUntil(pid_t pid, TOutput* outputs, std::size_t count, TClock::time_point deadline,
    const std::atomic<bool>* stop, int& status)
{
    while (!StopAsked(stop)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now()).count();
        if (left <= 0)
            return false;
        ReadSome(outputs, count, static_cast<int>(std::min<long long>(left, CHECK_MS)));
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return true;
    }
    return false;
}

// Waits for the program in process group `pid` to end, reading its outputs, until the
// deadline or a stop request; then (after the grace asked for) kills its whole group.
void WaitFor(pid_t pid, TOutput* outputs, std::size_t count, TClock::time_point deadline, const std::atomic<bool>* stop,
    std::uint32_t stopGraceMs, const std::atomic<bool>* killNow, TProgramRun& run)
{
    int status = 0;
    bool ended = WaitUntil(pid, outputs, count, deadline, stop, status);
    const bool stopped = !ended && StopAsked(stop);
    if (stopped && stopGraceMs > 0) {
        ::kill(-pid, SIGINT);
        ended = WaitUntil(pid, outputs, count, TClock::now() + std::chrono::milliseconds(stopGraceMs), killNow, status);
    }
    if (ended) {
        // What it wrote before it ended, without waiting for anyone who still holds a pipe.
        for (int piece = 0; AnyOpen(outputs, count) && piece < LEFTOVER_READS; ++piece)
            if (!ReadSome(outputs, count, 0))
                break;
        run.end = stopped ? TProgramRun::TEnd::Stopped : TProgramRun::TEnd::Exited;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return;
    }
    run.end = stopped ? TProgramRun::TEnd::Stopped : TProgramRun::TEnd::OutOfTime;
    ::kill(-pid, SIGKILL); // the group: the program and whatever it started
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
}

} // namespace

TProgramRun RunProgram(const std::vector<std::string>& args, std::uint32_t budgetMs, const std::atomic<bool>* stop,
    const TRunOptions& options)
{
    TProgramRun run;
    if (args.empty() || args[0].empty() || args[0][0] != '/')
        return run;
    const auto deadline = TClock::now() + std::chrono::milliseconds(budgetMs);
    int out[2];
    int err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0)
        return run;
    if (options.separateErrors && ::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return run;
    }
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
    posix_spawn_file_actions_adddup2(&actions, options.separateErrors ? err[1] : out[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0); // a group of its own, to be killed as one
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (err[1] >= 0)
        ::close(err[1]);
    TOutput outputs[2] = {{out[0], &run.output, options.outputKept, true}, {err[0], &run.errors, options.outputKept, err[0] >= 0}};
    if (spawned == 0)
        WaitFor(
            pid, outputs, options.separateErrors ? 2 : 1, deadline, stop, options.stopGraceMs, options.killNow, run);
    ::close(out[0]);
    if (err[0] >= 0)
        ::close(err[0]);
    return run;
}

bool ProgramExists(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

int CurrentProcessId() { return static_cast<int>(::getpid()); }

} // namespace platform
