#include "Process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
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

// The program's keeper: a child of this process that leads the program's process group,
// starts the program and waits for it, and ends with its exit code (or its signal). When
// this process dies first (a CI job cancelled with SIGTERM, a kill -9), the system tells
// the keeper (PR_SET_PDEATHSIG, sent when the thread that forked it ends, and RunProgram
// waits for it in that thread), which ends the whole group, as a deadline or a stop does.
// Between the fork and the program's exec only calls that are safe in a child of a
// process with threads are made: everything the keeper needs is made before.
struct TKeeperSetup {
    char* const* argv;
    int input;      // /dev/null
    int output;     // the write end of the output pipe
    int errors;     // of the errors' pipe, or `output`
    int execReport; // the write end of the pipe through which a failed exec is told
    pid_t starter;
    int openMax; // the highest file descriptor to close, where close_range is missing
};

// The keeper's descriptors: 0-2 the program's, then the exec report (closed by the exec).
constexpr int EXEC_REPORT_FD = 3;

void EndGroup(int) { ::kill(0, SIGKILL); }

void SetAction(int signal, void (*handler)(int))
{
    struct sigaction action { };
    action.sa_handler = handler;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

// `fd` moved above the keeper's own descriptors, so that setting those up cannot close it.
int AboveKeepersOwn(int fd) { return fd > EXEC_REPORT_FD ? fd : ::fcntl(fd, F_DUPFD_CLOEXEC, EXEC_REPORT_FD + 1); }

[[noreturn]] void Keep(const TKeeperSetup& setup)
{
    ::setpgid(0, 0); // a group of its own, to be killed as one
    SetAction(SIGTERM, EndGroup);
    SetAction(SIGINT, SIG_IGN); // a gentle stop is the program's, which the keeper waits out
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != setup.starter) // the starter died before it could be watched
        EndGroup(0);
    const int input = AboveKeepersOwn(setup.input), output = AboveKeepersOwn(setup.output);
    const int errors = AboveKeepersOwn(setup.errors), report = AboveKeepersOwn(setup.execReport);
    if (::dup2(input, 0) < 0 || ::dup2(output, 1) < 0 || ::dup2(errors, 2) < 0
        || ::dup3(report, EXEC_REPORT_FD, O_CLOEXEC) < 0)
        ::_exit(127);
    // Nothing of the caller's stays open in the group: a socket or lock it closes is closed.
    if (::close_range(EXEC_REPORT_FD + 1, ~0u, 0) != 0)
        for (int fd = EXEC_REPORT_FD + 1; fd <= setup.openMax; ++fd)
            ::close(fd);
    const pid_t program = ::fork();
    if (program == 0) {
        SetAction(SIGINT, SIG_DFL);
        ::execve(setup.argv[0], setup.argv, environ);
    }
    if (program <= 0) {
        const int error = errno;
        [[maybe_unused]] const ssize_t told = ::write(EXEC_REPORT_FD, &error, sizeof error);
        ::_exit(127);
    }
    ::close(EXEC_REPORT_FD);
    int status = 0;
    while (::waitpid(program, &status, 0) < 0 && errno == EINTR) { }
    if (WIFSIGNALED(status)) {
        SetAction(WTERMSIG(status), SIG_DFL);
        ::kill(::getpid(), WTERMSIG(status));
    }
    ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 127);
}

// Whether the program could not be started: its keeper or the exec says so through the
// report pipe, which a successful exec closes.
bool ExecFailed(int report, TClock::time_point deadline)
{
    int error = 0;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now()).count();
        pollfd p{report, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::clamp<long long>(left, 0, 1000)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0 && left > 0)
            continue;
        return ready > 0 && ::read(report, &error, sizeof error) == sizeof error;
    }
}

int OpenMax()
{
    rlimit limit{};
    return ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        ? static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 1 << 20))
        : 1 << 16;
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
    int report[2] = {-1, -1};
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const bool piped = input >= 0 && ::pipe2(out, O_CLOEXEC) == 0;
    if (!piped || ::pipe2(report, O_CLOEXEC) != 0 || (options.separateErrors && ::pipe2(err, O_CLOEXEC) != 0)) {
        for (const int fd : {input, piped ? out[0] : -1, piped ? out[1] : -1, report[0], report[1]})
            if (fd >= 0)
                ::close(fd);
        return run;
    }
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const TKeeperSetup setup{
        argv.data(), input, out[1], options.separateErrors ? err[1] : out[1], report[1], ::getpid(), OpenMax()};
    const pid_t pid = ::fork();
    if (pid == 0)
        Keep(setup);
    if (pid > 0)
        ::setpgid(pid, pid); // as the keeper does itself: the group is there before anyone kills it
    for (const int fd : {input, out[1], err[1], report[1]})
        if (fd >= 0)
            ::close(fd);
    TOutput outputs[2] = {{out[0], &run.output, options.outputKept, true}, {err[0], &run.errors, options.outputKept, err[0] >= 0}};
    if (pid > 0 && ExecFailed(report[0], deadline)) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    } else if (pid > 0) {
        WaitFor(
            pid, outputs, options.separateErrors ? 2 : 1, deadline, stop, options.stopGraceMs, options.killNow, run);
    }
    for (const int fd : {out[0], err[0], report[0]})
        if (fd >= 0)
            ::close(fd);
    return run;
}

bool ProgramExists(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

int CurrentProcessId() { return static_cast<int>(::getpid()); }

} // namespace platform
