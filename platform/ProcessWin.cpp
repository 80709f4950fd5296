#include "platform/Process.h"

#include "platform/TextWin.h"

#include <algorithm>
#include <windows.h>

namespace platform {

namespace {

// How often the program's end and a stop request are looked at while it stays silent.
constexpr DWORD CHECK_MS = 20;

// A kernel handle closed when it goes out of scope.
class THandle {
public:
    explicit THandle(HANDLE handle = nullptr)
        : m_Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle)
    { }
    ~THandle() { Reset(); }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return m_Handle; }
    HANDLE* Out() { return &m_Handle; }
    void Reset()
    {
        if (m_Handle)
            ::CloseHandle(m_Handle);
        m_Handle = nullptr;
    }

private:
    HANDLE m_Handle;
};

// "C:\..." or "\\server\...": a full path, so that no search order picks the program.
bool IsFullPath(const std::string& path)
{
    const bool drive = path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool share = path.size() > 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    return drive || share;
}

// The program file `path` names: one named without its extension, as the same call names
// it on every system, is its .exe (Windows' own command line finds it so too).
std::wstring ProgramFile(const std::string& path)
{
    std::wstring file = win::NativePath(path);
    const std::size_t name = file.find_last_of(L'\\');
    if (!file.empty() && file.find(L'.', name == std::wstring::npos ? 0 : name) == std::wstring::npos)
        file += L".exe";
    return file;
}

std::wstring CommandLine(const std::vector<std::string>& args)
{
    std::wstring line;
    for (const std::string& arg : args) {
        if (!line.empty())
            line += L' ';
        line += win::QuotedArgument(win::Widen(arg));
    }
    return line;
}

// One output of the program: the pipe's reading end and what of it is kept.
struct TOutput {
    THandle readEnd;
    THandle writeEnd; // the program's end, closed here once it has it
    std::string* kept = nullptr;
    std::size_t limit = OUTPUT_KEPT;

    bool Open()
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        if (!::CreatePipe(readEnd.Out(), writeEnd.Out(), &inherit, 0))
            return false;
        return ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0) != 0;
    }

    // Whatever the pipe holds now, without waiting: a program that is silent, or children
    // that hold the pipe after it ended, keep no one waiting.
    void Drain()
    {
        for (;;) {
            DWORD available = 0;
            if (!readEnd.Get() || !::PeekNamedPipe(readEnd.Get(), nullptr, 0, nullptr, &available, nullptr)
                || available == 0)
                return;
            char buffer[4096];
            DWORD got = 0;
            if (!::ReadFile(readEnd.Get(), buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr))
                return;
            const std::size_t room = limit - std::min(limit, kept->size());
            kept->append(buffer, std::min<std::size_t>(room, got));
        }
    }
};

bool StopAsked(const std::atomic<bool>* stop) { return stop && stop->load(); }

// Waits for `process` to end until `deadline`, reading its outputs; true when it ended.
bool WaitFor(HANDLE process, TOutput* outputs, int count, ULONGLONG deadline, const std::atomic<bool>* stop)
{
    for (;;) {
        for (int i = 0; i < count; ++i)
            outputs[i].Drain();
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline || StopAsked(stop))
            return false;
        const DWORD waitMs = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, CHECK_MS));
        if (::WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0) {
            // What it wrote last, as it ended (its buffers flushed at exit), is read too.
            for (int i = 0; i < count; ++i)
                outputs[i].Drain();
            return true;
        }
    }
}

} // namespace

TProgramRun RunProgram(const std::vector<std::string>& args, std::uint32_t budgetMs, const std::atomic<bool>* stop,
    const TRunOptions& options)
{
    TProgramRun run;
    if (args.empty() || !IsFullPath(args[0]))
        return run;
    const ULONGLONG deadline = ::GetTickCount64() + budgetMs;
    const std::wstring file = ProgramFile(args[0]);
    if (file.empty())
        return run;
    TOutput outputs[2];
    outputs[0].kept = &run.output;
    outputs[1].kept = &run.errors;
    const int count = options.separateErrors ? 2 : 1;
    for (int i = 0; i < count; ++i) {
        outputs[i].limit = options.outputKept;
        if (!outputs[i].Open())
            return run;
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    THandle nothing(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    // A job holds the program and everything it starts, so that a deadline, a stop or the
    // death of this process ends them all. What it leaves running after it ended by itself
    // (the vendor's JTAG server, started on demand) stays, as elsewhere.
    THandle job(::CreateJobObjectW(nullptr, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing.Get();
    startup.hStdOutput = outputs[0].writeEnd.Get();
    startup.hStdError = outputs[count - 1].writeEnd.Get();
    // A gentle stop is a Ctrl-Break to the program's own group, which reaches it only
    // through this program's console; without one it gets none, and no window either.
    const bool gentle = options.stopGraceMs > 0 && ::GetConsoleWindow() != nullptr;
    const DWORD flags = CREATE_SUSPENDED | (gentle ? CREATE_NEW_PROCESS_GROUP : CREATE_NO_WINDOW);
    std::wstring line = CommandLine(args);
    PROCESS_INFORMATION started{};
    // Suspended until it is in the job, so that nothing it starts escapes the job.
    if (!job.Get()
        || !::CreateProcessW(file.c_str(), line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &started))
        return run;
    THandle process(started.hProcess), thread(started.hThread);
    // Should this process die while the program runs, the system closes the job's handle,
    // and that ends the program with all it started: a cancelled CI job leaves no
    // programmer working on the board the next one gets.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)
        || !::AssignProcessToJobObject(job.Get(), process.Get())) {
        ::TerminateProcess(process.Get(), 1);
        return run;
    }
    ::ResumeThread(thread.Get());
    for (int i = 0; i < count; ++i)
        outputs[i].writeEnd.Reset(); // the pipes end when the program and its children close theirs

    bool ended = WaitFor(process.Get(), outputs, count, deadline, stop);
    const bool stopped = !ended && StopAsked(stop);
    if (stopped && gentle && ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, started.dwProcessId))
        ended = WaitFor(process.Get(), outputs, count, ::GetTickCount64() + options.stopGraceMs, options.killNow);
    if (ended) {
        // What it leaves running (the vendor's JTAG server) outlives the job's handle.
        limits.BasicLimitInformation.LimitFlags = 0;
        ::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
        DWORD code = 0;
        ::GetExitCodeProcess(process.Get(), &code);
        run.end = stopped ? TProgramRun::TEnd::Stopped : TProgramRun::TEnd::Exited;
        run.exitCode = static_cast<int>(code);
        return run;
    }
    run.end = stopped ? TProgramRun::TEnd::Stopped : TProgramRun::TEnd::OutOfTime;
    ::TerminateJobObject(job.Get(), 1);
    ::WaitForSingleObject(process.Get(), 5000);
    return run;
}

int CurrentProcessId() { return static_cast<int>(::GetCurrentProcessId()); }

bool ProgramExists(const std::string& path)
{
    const std::wstring file = ProgramFile(path);
    const DWORD attributes = file.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace platform
