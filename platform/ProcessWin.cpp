#include "platform/Console.h"

#include "platform/TextWin.h"

#include <windows.h>

namespace platform {

namespace {

constexpr DWORD POLL_MS = 10;

// A kernel handle closed when it goes out of scope.
class THandle {
public:
    explicit THandle(HANDLE handle = nullptr)
        : m_Handle(handle)
    { }
    ~THandle() { Reset(); }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return m_Handle; }
    HANDLE* Out() { return &m_Handle; }
    void Reset()
    {
        if (m_Handle && m_Handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_Handle);
        m_Handle = nullptr;
    }

private:
    HANDLE m_Handle;
};

std::wstring CommandLine(const std::wstring& file, const std::vector<std::string>& args)
{
    std::wstring line = win::QuotedArgument(file);
    for (const std::string& arg : args)
        line += L" " + win::QuotedArgument(win::Widen(arg));
    return line;
}

// Whatever the pipe holds now, appended to `output`; false once the writers are gone.
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
        output.append(buffer, got);
    }
}

} // namespace

bool RunProgram(const std::string& program, const std::vector<std::string>& args, std::uint32_t budgetMs,
    std::string& output, int& exitCode)
{
    exitCode = -1;
    const std::wstring file = win::NativePath(program);
    if (file.empty())
        return false;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    THandle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.Out(), writeEnd.Out(), &inherit, 0))
        return false;
    ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    // A job holds the program and everything it starts, so that a timeout ends them all.
    THandle job(::CreateJobObjectW(nullptr, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    std::wstring line = CommandLine(file, args);
    PROCESS_INFORMATION started{};
    if (!job.Get()
        || !::CreateProcessW(file.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
            nullptr, nullptr, &startup, &started))
        return false;
    THandle process(started.hProcess), thread(started.hThread);
    ::AssignProcessToJobObject(job.Get(), process.Get());
    ::ResumeThread(thread.Get());
    writeEnd.Reset(); // the pipe ends when the program and its children close their ends

    const DWORD start = ::GetTickCount();
    bool inTime = true;
    while (::WaitForSingleObject(process.Get(), POLL_MS) == WAIT_TIMEOUT) {
        Drain(readEnd.Get(), output);
        if (::GetTickCount() - start >= budgetMs) {
            inTime = false;
            break;
        }
    }
    Drain(readEnd.Get(), output);
    if (!inTime) {
        ::TerminateJobObject(job.Get(), 1);
        ::WaitForSingleObject(process.Get(), 5000);
        return false;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.Get(), &code);
    exitCode = static_cast<int>(code);
    return true;
}

} // namespace platform
