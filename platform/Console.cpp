#include "platform/Console.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

volatile std::sig_atomic_t g_Interrupted = 0; // how many came, up to 2
volatile std::sig_atomic_t g_HoldRepeated = 0;

// The terminal's mode before raw mode, for the exit paths that skip destructors. A
// program holds one terminal, so one saved mode is all there is.
struct termios g_SavedMode;
volatile std::sig_atomic_t g_ModeSaved = 0;

void RestoreMode()
{
    if (g_ModeSaved)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &g_SavedMode);
}

void OnInterrupt(int signal)
{
    if (g_Interrupted && !g_HoldRepeated) {
        RestoreMode();
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_Interrupted = g_Interrupted ? 2 : 1;
}

void OnFatalSignal(int signal)
{
    RestoreMode();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

int FileOf(TStream stream)
{
    switch (stream) {
    case TStream::Input:
        return STDIN_FILENO;
    case TStream::Output:
        return STDOUT_FILENO;
    case TStream::Error:
        break;
    }
    return STDERR_FILENO;
}

} // namespace

bool IsTerminal(TStream stream) { return ::isatty(FileOf(stream)) == 1; }

void CatchInterrupts()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A closed terminal or ssh session: the work ends tidily, as on Ctrl-C, rather than
    // leaving a part file and, with --cable A,B, each board's work running in its own group.
    ::sigaction(SIGHUP, &action, nullptr);
    // A closed pipe (vx5h ... | head) is a write error to handle, not a death.
    std::signal(SIGPIPE, SIG_IGN);
}

bool InterruptRequested() { return g_Interrupted != 0; }

void ClearInterrupt() { g_Interrupted = 0; }

void HoldRepeatedInterrupts() { g_HoldRepeated = 1; }

bool RepeatedInterruptRequested() { return g_Interrupted > 1; }

void SetEnvironment(const std::string& name, const std::string& value)
{
    if (value.empty())
        ::unsetenv(name.c_str());
    else
        ::setenv(name.c_str(), value.c_str(), 1);
}

TRawTerminal::TRawTerminal()
{
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &g_SavedMode) != 0)
        return;
    g_ModeSaved = 1;
    std::atexit(RestoreMode);
    for (int signal : {SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE})
        std::signal(signal, OnFatalSignal);
    struct termios raw = g_SavedMode;
    // No echo, no line editing, no signals from keys: Ctrl-C goes to the board like any
    // other byte, and the leave key is the way out.
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    m_Active = ::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
}

TRawTerminal::~TRawTerminal()
{
    RestoreMode();
    g_ModeSaved = 0;
}

int ReadInput(std::uint8_t* dest, std::size_t size, std::uint32_t budgetMs)
{
    struct pollfd entry = {STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(budgetMs));
    if (ready == 0 || (ready < 0 && errno == EINTR))
        return 0;
    if (ready < 0)
        return -1;
    const ssize_t n = ::read(STDIN_FILENO, dest, size);
    if (n < 0 && errno == EINTR)
        return 0;
    return n > 0 ? static_cast<int>(n) : -1;
}

} // namespace platform
