#include "platform/Console.h"

#include "platform/TextWin.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <windows.h>

namespace platform {

namespace {

constexpr DWORD POLL_MS = 10;

std::atomic<int> g_Interrupted{0}; // how many came, up to 2
std::atomic<bool> g_HoldRepeated{false};

// The console's input mode before raw mode. A console outlives the program and keeps the
// mode it was left in, so every way out puts it back.
DWORD g_SavedMode = 0;
std::atomic<bool> g_ModeSaved{false};

void RestoreMode()
{
    if (g_ModeSaved.exchange(false))
        ::SetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), g_SavedMode);
}

BOOL WINAPI OnControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE; // closing the console or logging off ends the program as usual
    const int before = g_Interrupted.load();
    g_Interrupted = before > 0 ? 2 : 1;
    if (before > 0 && !g_HoldRepeated) {
        RestoreMode();
        return FALSE; // the second Ctrl-C: the system's handler ends the program
    }
    return TRUE;
}

HANDLE HandleOf(TStream stream)
{
    switch (stream) {
    case TStream::Input:
        return ::GetStdHandle(STD_INPUT_HANDLE);
    case TStream::Output:
        return ::GetStdHandle(STD_OUTPUT_HANDLE);
    case TStream::Error:
        break;
    }
    return ::GetStdHandle(STD_ERROR_HANDLE);
}

// Key text read from the console but not handed out yet: a key beyond ASCII is several
// bytes of UTF-8, and the caller may ask for one byte at a time.
std::string g_PendingKeys;

int TakePendingKeys(std::uint8_t* dest, std::size_t size)
{
    const std::size_t count = std::min(size, g_PendingKeys.size());
    std::copy_n(g_PendingKeys.begin(), count, dest);
    g_PendingKeys.erase(0, count);
    return static_cast<int>(count);
}

// The keys pressed since the last call, as UTF-8, into g_PendingKeys; false on an error.
// Waiting input may be any console event (a mouse move, a key released): those are
// consumed and ignored.
bool ReadConsoleKeys(HANDLE input)
{
    DWORD waiting = 0;
    if (!::GetNumberOfConsoleInputEvents(input, &waiting))
        return false;
    for (; waiting > 0; --waiting) {
        INPUT_RECORD record{};
        DWORD got = 0;
        if (!::ReadConsoleInputW(input, &record, 1, &got) || got != 1)
            return false;
        const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
        if (record.EventType != KEY_EVENT || !key.bKeyDown || key.uChar.UnicodeChar == 0)
            continue;
        const std::string text = win::Narrow(std::wstring(1, key.uChar.UnicodeChar));
        for (WORD repeat = 0; repeat < key.wRepeatCount; ++repeat)
            g_PendingKeys += text;
    }
    return true;
}

// Bytes from a pipe or a file; 0 when a pipe had none yet, -1 at the end.
int ReadStream(HANDLE input, std::uint8_t* dest, std::size_t size, bool pipe)
{
    if (pipe) {
        DWORD available = 0;
        if (!::PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr))
            return -1; // the writer closed its end
        if (available == 0)
            return 0;
        size = std::min<std::size_t>(size, available);
    }
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
    if (!::ReadFile(input, dest, want, &got, nullptr) || got == 0)
        return -1;
    return static_cast<int>(got);
}

} // namespace

bool IsTerminal(TStream stream)
{
    // _isatty also says yes for the NUL device; only a console has a console mode.
    DWORD mode = 0;
    return ::GetConsoleMode(HandleOf(stream), &mode) != 0;
}

void CatchInterrupts() { ::SetConsoleCtrlHandler(OnControl, TRUE); }

bool InterruptRequested() { return g_Interrupted > 0; }

void ClearInterrupt() { g_Interrupted = 0; }

void HoldRepeatedInterrupts() { g_HoldRepeated = true; }

bool RepeatedInterruptRequested() { return g_Interrupted > 1; }

void SetEnvironment(const std::string& name, const std::string& value)
{
    // Both copies: the C runtime's, which getenv reads, and the system's, which programs
    // started from here inherit.
    const std::wstring wideName = win::Widen(name);
    const std::wstring wideValue = win::Widen(value);
    ::_wputenv_s(wideName.c_str(), wideValue.c_str());
    ::SetEnvironmentVariableW(wideName.c_str(), value.empty() ? nullptr : wideValue.c_str());
}

TRawTerminal::TRawTerminal()
{
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (!::GetConsoleMode(input, &mode))
        return;
    g_SavedMode = mode;
    g_ModeSaved = true;
    std::atexit(RestoreMode);
    // No echo, no line editing, and Ctrl-C as a key: it goes to the board like any other
    // byte, and the leave key is the way out.
    const DWORD raw = mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
    m_Active = ::SetConsoleMode(input, raw) != 0;
}

TRawTerminal::~TRawTerminal() { RestoreMode(); }

int ReadInput(std::uint8_t* dest, std::size_t size, std::uint32_t budgetMs)
{
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE || size == 0)
        return -1;
    DWORD mode = 0;
    const bool console = ::GetConsoleMode(input, &mode) != 0;
    const bool pipe = !console && ::GetFileType(input) == FILE_TYPE_PIPE;
    const DWORD start = ::GetTickCount();
    for (;;) {
        int got = 0;
        if (console) {
            if (g_PendingKeys.empty() && ::WaitForSingleObject(input, POLL_MS) == WAIT_OBJECT_0
                && !ReadConsoleKeys(input))
                return -1;
            got = TakePendingKeys(dest, size);
        } else {
            got = ReadStream(input, dest, size, pipe);
        }
        if (got != 0 || ::GetTickCount() - start >= budgetMs)
            return got;
        if (!console)
            ::Sleep(POLL_MS);
    }
}

} // namespace platform
