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

// Whatever the pipe holds now, without waiting, up to OUTPUT_KEPT bytes kept; false once
// every writer has closed its end.
bool Drain(HANDLE pipe, std::string& output)
{
    for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr))
            return false;
        if (available == 0)
            return true;
        char buffer[4096];
        DWORD got = 0;
        if (!::ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr))
            return false;
        const std::size_t room = OUTPUT_KEPT - std::min(OUTPUT_KEPT, output.size());
        output.append(buffer, std::min<std::size_t>(room, got));
    }
}

bool StopAsked(const std::atomic<bool>* stop) { return stop && stop->load(); }

} // namespace

TProgramRun RunProgram(const std::vector<std::string>& args, std::uint32_t budgetMs, const std::atomic<bool>* stop)
{
    TProgramRun run;
    if (args.empty() || !IsFullPath(args[0]))
        return run;
    const ULONGLONG deadline = ::GetTickCount64() + budgetMs;
    const std::wstring file = win::NativePath(args[0]);
    if (file.empty())
        return run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    THandle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.Out(), writeEnd.Out(), &inherit, 0))
        return run;
    ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    THandle nothing(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    // A job holds the program and everything it starts, so that a deadline ends them all.
    // What it leaves running after it ended by itself (the vendor's JTAG server, started
    // on demand) stays, as elsewhere.
    THandle job(::CreateJobObjectW(nullptr, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing.Get();
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    std::wstring line = CommandLine(args);
    PROCESS_INFORMATION started{};
    // Suspended until it is in the job, so that nothing it starts escapes the job.
    if (!job.Get()
        || !::CreateProcessW(file.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
            nullptr, nullptr, &startup, &started))
        return run;
    THandle process(started.hProcess), thread(started.hThread);
    if (!::AssignProcessToJobObject(job.Get(), process.Get())) {
        ::TerminateProcess(process.Get(), 1);
        return run;
    }
    ::ResumeThread(thread.Get());
    writeEnd.Reset(); // the pipe ends when the program and its children close their ends

    bool ended = false;
    while (!ended && !StopAsked(stop)) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline)
            break;
        Drain(readEnd.Get(), run.output);
        const DWORD waitMs = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, CHECK_MS));
        ended = ::WaitForSingleObject(process.Get(), waitMs) == WAIT_OBJECT_0;
    }
    // What it wrote before it ended, without waiting for anyone who still holds the pipe.
    Drain(readEnd.Get(), run.output);
    if (ended) {
        DWORD code = 0;
        ::GetExitCodeProcess(process.Get(), &code);
        run.end = TProgramRun::TEnd::Exited;
        run.exitCode = static_cast<int>(code);
        return run;
    }
    run.end = StopAsked(stop) ? TProgramRun::TEnd::Stopped : TProgramRun::TEnd::OutOfTime;
    ::TerminateJobObject(job.Get(), 1);
    ::WaitForSingleObject(process.Get(), 5000);
    return run;
}

} // namespace platform
