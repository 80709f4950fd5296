#include "platform/LocalPipe.h"

#include "platform/TextWin.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <sddl.h>

namespace platform {

namespace {

constexpr const char* PIPE_PREFIX = "\\\\.\\pipe\\";
constexpr DWORD PIPE_BUFFER = 2 * 1024 * 1024;
constexpr DWORD BUSY_WAIT_MS = 2000;

// A kernel handle closed when it goes out of scope.
struct THandle {
    HANDLE h = nullptr;
    explicit THandle(HANDLE handle = nullptr)
        : h(handle == INVALID_HANDLE_VALUE ? nullptr : handle)
    { }
    ~THandle()
    {
        if (h)
            ::CloseHandle(h);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    void Reset(HANDLE handle = nullptr)
    {
        if (h)
            ::CloseHandle(h);
        h = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }
};

HANDLE NewEvent() { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }

// The user this process runs as, as its SID's text ("S-1-5-21-..."); empty when unknown.
std::string SidText(HANDLE process)
{
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &raw))
        return {};
    THandle token(raw);
    DWORD size = 0;
    ::GetTokenInformation(token.h, TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    if (size == 0 || !::GetTokenInformation(token.h, TokenUser, buffer.data(), size, &size))
        return {};
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        return {};
    std::string result = win::Narrow(text);
    ::LocalFree(text);
    return result;
}

std::string ThisUser() { return SidText(::GetCurrentProcess()); }

// Whether the process serving `pipe` runs as this user; `why` says why not.
bool ServedByThisUser(HANDLE pipe, std::string& why)
{
    ULONG pid = 0;
    if (!::GetNamedPipeServerProcessId(pipe, &pid)) {
        why = "cannot tell which process serves it: " + win::ErrorText(::GetLastError());
        return false;
    }
    THandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    const std::string server = process.h ? SidText(process.h) : std::string();
    const std::string me = ThisUser();
    if (!server.empty() && server == me)
        return true;
    why = "it is served by process " + std::to_string(pid) + (server.empty() ? " of a user it cannot tell" : " of user " + server)
        + ", not by this user (" + me + ")";
    return false;
}

} // namespace

struct LocalPipe::Impl {
    THandle pipe;
    THandle readDone{NewEvent()}, writeDone{NewEvent()}, broken{NewEvent()};
    std::atomic<bool> isBroken{false};

    explicit Impl(HANDLE handle)
        : pipe(handle)
    { }

    // One overlapped read or write of up to `count` bytes, waited for at most `timeoutMs`:
    // the bytes moved, 0 when none in time, -1 when the stream has ended.
    long Transfer(bool write, void* data, DWORD count, DWORD timeoutMs)
    {
        if (isBroken || !readDone.h || !writeDone.h || !broken.h)
            return -1;
        OVERLAPPED op{};
        op.hEvent = write ? writeDone.h : readDone.h;
        ::ResetEvent(op.hEvent);
        const BOOL started = write ? ::WriteFile(pipe.h, data, count, nullptr, &op) : ::ReadFile(pipe.h, data, count, nullptr, &op);
        if (!started && ::GetLastError() != ERROR_IO_PENDING)
            return -1;
        const HANDLE waits[2] = {op.hEvent, broken.h};
        const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, timeoutMs);
        if (woke != WAIT_OBJECT_0)
            ::CancelIoEx(pipe.h, &op);
        DWORD moved = 0;
        if (::GetOverlappedResult(pipe.h, &op, &moved, TRUE))
            return static_cast<long>(moved); // done, perhaps just before the cancel
        if (::GetLastError() == ERROR_OPERATION_ABORTED && !isBroken)
            return 0;
        return -1;
    }
};

LocalPipe::LocalPipe(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl))
{ }

LocalPipe::~LocalPipe() = default;

std::unique_ptr<LocalPipe> LocalPipe::Connect(const std::string& name, std::string* refusal)
{
    const std::wstring wide = win::Widen(name);
    if (wide.empty())
        return nullptr;
    const DWORD start = ::GetTickCount();
    for (;;) {
        // Identification only: the server may learn who we are, never act as us.
        HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            auto impl = std::make_unique<Impl>(handle);
            std::string why;
            if (!ServedByThisUser(handle, why)) {
                if (refusal)
                    *refusal = "the endpoint " + name + " is not used: " + why;
                return nullptr;
            }
            return std::unique_ptr<LocalPipe>(new LocalPipe(std::move(impl)));
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_ACCESS_DENIED && refusal)
            *refusal = "the endpoint " + name + " is not used: this user may not open it (another user's?)";
        // Every instance is busy for a moment while the server makes the next one.
        if (error != ERROR_PIPE_BUSY || ::GetTickCount() - start > BUSY_WAIT_MS)
            return nullptr;
        ::WaitNamedPipeW(wide.c_str(), 50);
    }
}

long LocalPipe::Receive(void* dest, std::size_t size, int timeoutMs)
{
    if (size == 0)
        return 0;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (timeoutMs <= 0) {
        // Only what has arrived: a read would wait for more.
        DWORD available = 0;
        if (impl_->isBroken || !::PeekNamedPipe(impl_->pipe.h, nullptr, 0, nullptr, &available, nullptr))
            return -1;
        if (available == 0)
            return 0;
        return impl_->Transfer(false, dest, std::min(available, count), 0);
    }
    return impl_->Transfer(false, dest, count, static_cast<DWORD>(timeoutMs));
}

bool LocalPipe::SendAll(const void* data, std::size_t count, int timeoutMs)
{
    const DWORD start = ::GetTickCount();
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t sent = 0;
    while (sent < count) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= static_cast<DWORD>(timeoutMs))
            return false;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(count - sent, PIPE_BUFFER));
        const long n = impl_->Transfer(true, const_cast<std::uint8_t*>(bytes + sent), chunk, timeoutMs - spent);
        if (n < 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool LocalPipe::ReceiveAll(void* dest, std::size_t count, int timeoutMs)
{
    const DWORD start = ::GetTickCount();
    auto* bytes = static_cast<std::uint8_t*>(dest);
    std::size_t received = 0;
    while (received < count) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= static_cast<DWORD>(timeoutMs))
            return false;
        const long n = Receive(bytes + received, count - received, static_cast<int>(timeoutMs - spent));
        if (n < 0)
            return false;
        received += static_cast<std::size_t>(n);
    }
    return true;
}

void LocalPipe::Break()
{
    impl_->isBroken = true;
    if (impl_->broken.h)
        ::SetEvent(impl_->broken.h);
}

struct LocalPipeListener::Impl {
    THandle claim; // the name's mutex, held while we serve it
    std::wstring name;
    std::string securityText; // this user alone may open it
    THandle waiting;          // the instance the next client connects to
    THandle connected{NewEvent()};
    OVERLAPPED op{};
    bool pending = false;

    // A new instance of the pipe, listening; false with `error` set.
    bool Offer(bool first, std::string& error)
    {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                win::Widen(securityText).c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
            error = "cannot make the endpoint's access list: " + win::ErrorText(::GetLastError());
            return false;
        }
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        // The first instance must be ours: if another process holds the name, it could
        // otherwise hand our clients to itself.
        const DWORD mode = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
        HANDLE handle = ::CreateNamedPipeW(name.c_str(), mode,
            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, PIPE_UNLIMITED_INSTANCES,
            PIPE_BUFFER, PIPE_BUFFER, 0, &attributes);
        const DWORD why = ::GetLastError();
        ::LocalFree(descriptor);
        if (handle == INVALID_HANDLE_VALUE) {
            error = (why == ERROR_ACCESS_DENIED || why == ERROR_PIPE_BUSY) && first
                ? "another process serves " + win::Narrow(name)
                : "cannot make the endpoint " + win::Narrow(name) + ": " + win::ErrorText(why);
            return false;
        }
        waiting.Reset(handle);
        op = {};
        op.hEvent = connected.h;
        ::ResetEvent(connected.h);
        pending = false;
        if (::ConnectNamedPipe(handle, &op))
            return true;
        const DWORD state = ::GetLastError();
        if (state == ERROR_IO_PENDING)
            pending = true;
        else if (state == ERROR_PIPE_CONNECTED)
            ::SetEvent(connected.h); // a client came between the two calls
        return true;
    }
};

LocalPipeListener::LocalPipeListener(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl))
{ }

LocalPipeListener::~LocalPipeListener()
{
    if (impl_->pending && impl_->waiting.h) {
        ::CancelIoEx(impl_->waiting.h, &impl_->op);
        DWORD ignored = 0;
        ::GetOverlappedResult(impl_->waiting.h, &impl_->op, &ignored, TRUE);
    }
}

std::unique_ptr<LocalPipeListener> LocalPipeListener::Listen(const std::string& name, std::string& error)
{
    const std::string me = ThisUser();
    if (me.empty()) {
        error = "cannot tell which user this process runs as";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->name = win::Widen(name);
    // Besides the pipe's own first-instance rule (which wine does not keep), a mutex named
    // after the endpoint: whoever made it serves the name. The system drops it with its
    // process, so a simulator that crashed leaves no claim behind.
    std::wstring claim = L"Local\\" + impl->name;
    std::replace(claim.begin() + 6, claim.end(), L'\\', L'/');
    impl->claim.Reset(::CreateMutexW(nullptr, FALSE, claim.c_str()));
    if (!impl->claim.h || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        error = "another process serves " + name;
        return nullptr;
    }
    // Protected (no inherited entries): full access for this user, nobody else.
    impl->securityText = "D:P(A;;GA;;;" + me + ")";
    if (impl->name.empty() || !impl->connected.h || !impl->Offer(true, error))
        return nullptr;
    return std::unique_ptr<LocalPipeListener>(new LocalPipeListener(std::move(impl)));
}

std::unique_ptr<LocalPipe> LocalPipeListener::Accept(int timeoutMs)
{
    if (::WaitForSingleObject(impl_->connected.h, static_cast<DWORD>(std::max(timeoutMs, 0))) != WAIT_OBJECT_0)
        return nullptr;
    DWORD ignored = 0;
    const bool ok = !impl_->pending || ::GetOverlappedResult(impl_->waiting.h, &impl_->op, &ignored, FALSE);
    HANDLE client = impl_->waiting.h;
    impl_->waiting.h = nullptr;
    std::string error;
    impl_->Offer(false, error); // a failure here shows as no more clients
    if (!ok) {
        ::CloseHandle(client);
        return nullptr;
    }
    return std::unique_ptr<LocalPipe>(new LocalPipe(std::make_unique<LocalPipe::Impl>(client)));
}

std::string PrivateEndpoint(const std::string& base)
{
    if (base.rfind(PIPE_PREFIX, 0) == 0)
        return base;
    // A pipe's name may hold anything but a backslash.
    std::string name = base;
    std::replace(name.begin(), name.end(), '\\', '/');
    return PIPE_PREFIX + name + "-" + ThisUser();
}

bool StartDetached(const std::string& program, const std::vector<std::string>& args)
{
    const std::wstring file = win::NativePath(program);
    if (file.empty())
        return false;
    std::wstring line = win::QuotedArgument(file);
    for (const std::string& arg : args)
        line += L" " + win::QuotedArgument(win::Widen(arg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(file.c_str(), line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP,
            nullptr, nullptr, &startup, &started))
        return false;
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return true;
}

namespace {

// A Linux system call from this process's own code. Wine runs Windows programs as Linux
// processes and passes such a call straight to the kernel.
#if defined(__x86_64__)
std::intptr_t LinuxCall(std::intptr_t number, std::intptr_t a, std::intptr_t b, std::intptr_t c)
{
    std::intptr_t result;
    asm volatile("syscall" : "=a"(result) : "a"(number), "D"(a), "S"(b), "d"(c) : "rcx", "r11", "memory");
    return result;
}
constexpr std::intptr_t LINUX_OPEN = 2, LINUX_CLOSE = 3, LINUX_DUP2 = 33;
#elif defined(__i386__)
std::intptr_t LinuxCall(std::intptr_t number, std::intptr_t a, std::intptr_t b, std::intptr_t c)
{
    std::intptr_t result;
    asm volatile("int $0x80" : "=a"(result) : "a"(number), "b"(a), "c"(b), "d"(c) : "memory");
    return result;
}
constexpr std::intptr_t LINUX_OPEN = 5, LINUX_CLOSE = 6, LINUX_DUP2 = 63;
#endif

// Whether this process runs under wine on Linux (wine tells its host system).
bool UnderWineOnLinux()
{
    using HostVersion = void(__cdecl*)(const char**, const char**);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto host = ntdll
        ? reinterpret_cast<HostVersion>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "wine_get_host_version")))
        : nullptr;
    const char* system = nullptr;
    const char* release = nullptr;
    if (host)
        host(&system, &release);
    return system && std::string(system) == "Linux";
}

} // namespace

void LetGoOfStarterOutput()
{
#if defined(__x86_64__) || defined(__i386__)
    // Windows itself gave this program none of its starter's handles; wine's Unix standard
    // error is pointed at /dev/null. A program with a standard error of its own (started
    // in a console) keeps it: that is the user's.
    const HANDLE errors = ::GetStdHandle(STD_ERROR_HANDLE);
    if ((errors != nullptr && errors != INVALID_HANDLE_VALUE) || !UnderWineOnLinux())
        return;
    static const char null[] = "/dev/null";
    const std::intptr_t fd = LinuxCall(LINUX_OPEN, reinterpret_cast<std::intptr_t>(null), 1 /* O_WRONLY */, 0);
    if (fd < 0)
        return;
    if (fd != 2) {
        LinuxCall(LINUX_DUP2, fd, 2, 0);
        LinuxCall(LINUX_CLOSE, fd, 0, 0);
    }
#endif
}

std::string ModuleFolderOf(const void* address)
{
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCWSTR>(address), &module))
        return {};
    std::wstring path(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size())
        return {};
    path.resize(length);
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : win::Narrow(path.substr(0, slash + 1));
}

} // namespace platform
