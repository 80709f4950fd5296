#include "sim/Endpoint.h"

#include "platform/RuntimeFolder.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <dlfcn.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace sim {

bool EndpointNameFits(const std::string& path) { return path.size() < sizeof(sockaddr_un::sun_path); }

std::string SocketPath(std::string* error)
{
    if (const char* path = std::getenv(SOCKET_ENV); path && *path)
        return path;
    std::string why;
    const auto folder = platform::PrivateRuntimeFolder(why);
    if (error)
        *error = why;
    return folder ? *folder + EXECUTABLE_NAME + ".sock" : std::string();
}

bool PeerIsThisUser(int fd, std::string* refusal)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) {
        if (refusal)
            *refusal = std::string("cannot tell who serves the socket: ") + std::strerror(errno);
        return false;
    }
    if (peer.uid == ::geteuid())
        return true;
    if (refusal)
        *refusal = "it is served by user id " + std::to_string(peer.uid) + " (process " + std::to_string(peer.pid)
            + "), not by this user (id " + std::to_string(::geteuid()) + ")";
    return false;
}

namespace {

bool WaitFor(int fd, short events, std::uint64_t deadlineUs)
{
    for (;;) {
        const int left = MsLeft(deadlineUs);
        if (left == 0)
            return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, left);
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return false;
    }
}

// One connect that does not wait: the connected socket, or -1 with `busy` set when
// something listens there and has no room for us now.
int ConnectOnce(const sockaddr_un& address, std::uint64_t deadlineUs, bool& busy)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    int error = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
        socklen_t length = sizeof error;
        if (!WaitFor(fd, POLLOUT, deadlineUs) || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = EAGAIN;
    }
    busy = error == EAGAIN || error == EINTR || error == EINPROGRESS;
    // Whoever reads and writes the socket bounds those waits by itself.
    if (error != 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string Seconds(int ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g s", ms / 1000.0);
    return text;
}

std::string TakesNoConnection(const std::string& path, int timeoutMs)
{
    return "the simulator at " + path + " took no connection within " + Seconds(timeoutMs)
        + " (is it stopped, or swamped with connections?)";
}

} // namespace

int ConnectSocket(const std::string& path, int timeoutMs, std::string* refusal, Reach* reach)
{
    Reach ignored = Reach::Nobody;
    Reach& how = reach ? *reach : ignored;
    how = Reach::Nobody;
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const std::uint64_t deadline = MonotonicUs() + static_cast<std::uint64_t>(std::max(timeoutMs, 0)) * 1000;
    // A full queue of new connections empties as the simulator accepts them; until then
    // the connect is tried again, ever less often, until the budget is spent.
    int fd = -1;
    for (int pauseMs = 1;; pauseMs = std::min(pauseMs * 2, 50)) {
        bool busy = false;
        fd = ConnectOnce(address, deadline, busy);
        if (fd >= 0 || !busy)
            break;
        how = Reach::Busy;
        const int left = MsLeft(deadline);
        if (left == 0)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(pauseMs, left)));
    }
    if (fd < 0) {
        how = Reach::Nobody;
        return -1;
    }
    std::string why;
    if (!PeerIsThisUser(fd, &why)) {
        ::close(fd);
        how = Reach::OtherUser;
        if (refusal)
            *refusal = "the simulator socket " + path + " is not used: " + why;
        return -1;
    }
    how = Reach::Connected;
    return fd;
}

bool SendAll(int fd, const void* data, std::size_t count, int timeoutMs)
{
    const std::uint64_t deadline = MonotonicUs() + static_cast<std::uint64_t>(timeoutMs) * 1000;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t sent = 0;
    while (sent < count) {
        const ssize_t n = ::send(fd, bytes + sent, count - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

bool ReceiveAll(int fd, void* data, std::size_t count, int timeoutMs)
{
    const std::uint64_t deadline = MonotonicUs() + static_cast<std::uint64_t>(timeoutMs) * 1000;
    auto* bytes = static_cast<std::uint8_t*>(data);
    std::size_t received = 0;
    while (received < count) {
        const ssize_t n = ::recv(fd, bytes + received, count - received, MSG_DONTWAIT);
        if (n > 0) {
            received += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLIN, deadline))
            continue;
        return false; // closed, failed or out of time
    }
    return true;
}

// Waits until the answer starts to come (or the connection ends), a slice at a time so
// that a stop is seen at once; false when the deadline or the stop came first.
bool AnswerComing(int fd, std::uint64_t deadlineUs, const std::atomic<bool>* stop)
{
    constexpr std::uint64_t STOP_CHECK_US = 20000;
    while (!(stop && stop->load())) {
        const std::uint64_t now = MonotonicUs();
        if (now >= deadlineUs)
            return false;
        if (WaitFor(fd, POLLIN, std::min(deadlineUs, now + STOP_CHECK_US)))
            return true;
    }
    return false;
}

bool SendControl(const std::string& path, const std::vector<std::string>& args, ControlReply& reply, int timeoutMs,
    std::string* refusal, const std::atomic<bool>* stop)
{
    const std::uint64_t deadline = MonotonicUs() + static_cast<std::uint64_t>(std::max(timeoutMs, 0)) * 1000;
    Reach reach = Reach::Nobody;
    const int fd = ConnectSocket(path, timeoutMs, refusal, &reach);
    if (fd < 0) {
        if (reach == Reach::Busy && refusal)
            *refusal = TakesNoConnection(path, timeoutMs);
        return false;
    }
    const std::vector<std::uint8_t> message = EncodeControl(args);
    std::uint8_t header[5];
    bool ok = SendAll(fd, message.data(), message.size(), MsLeft(deadline)) && AnswerComing(fd, deadline, stop)
        && ReceiveAll(fd, header, sizeof header, MsLeft(deadline));
    if (ok) {
        const std::uint32_t length = std::uint32_t(header[1]) | std::uint32_t(header[2]) << 8
            | std::uint32_t(header[3]) << 16 | std::uint32_t(header[4]) << 24;
        ok = length <= MAX_CONTROL_MESSAGE;
        if (ok) {
            reply.status = header[0];
            reply.text.assign(length, '\0');
            ok = ReceiveAll(fd, reply.text.data(), length, MsLeft(deadline));
        }
    }
    ::close(fd);
    if (!ok && refusal)
        *refusal = "the simulator at " + path + " gave no answer within " + Seconds(timeoutMs);
    return ok;
}

bool EnsureSimulator(const std::string& executable, const std::string& path, int timeoutMs, std::string* problem)
{
    const std::uint64_t deadline = MonotonicUs() + static_cast<std::uint64_t>(std::max(timeoutMs, 0)) * 1000;
    std::string refusal;
    Reach reach = Reach::Nobody;
    auto reachable = [&] {
        const int fd = ConnectSocket(path, MsLeft(deadline), &refusal, &reach);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    };
    if (reachable())
        return true;
    if (reach != Reach::Nobody) {
        // Another user's process has the path, or a simulator that takes no connection
        // holds it: a simulator of ours could not take it.
        if (problem)
            *problem = reach == Reach::OtherUser ? refusal : TakesNoConnection(path, timeoutMs);
        return false;
    }
    // The daemon finds its socket through the environment, which the child inherits; pass
    // the path explicitly in case the caller's environment has none.
    const std::string socketArg = "--socket=" + path;
    char* argv[] = {const_cast<char*>(executable.c_str()), const_cast<char*>("--daemon"),
        const_cast<char*>(socketArg.c_str()), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, executable.c_str(), nullptr, nullptr, argv, environ) != 0)
        return false;
    // The starter exits as soon as the daemon listens (or could not); reap it.
    bool reaped = false;
    while (MonotonicUs() < deadline) {
        if (!reaped) {
            int status = 0;
            reaped = ::waitpid(pid, &status, WNOHANG) == pid;
        }
        if (reachable()) {
            if (!reaped)
                ::waitpid(pid, nullptr, 0); // it exits right after the daemon is ready
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!reaped) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return reachable();
}

std::string ModuleFolder()
{
    // A folder that cannot be told is none: the current one would be anybody's.
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) == 0 || !info.dli_fname || info.dli_fname[0] != '/')
        return {};
    const std::string path = info.dli_fname;
    return path.substr(0, path.rfind('/') + 1);
}

bool EnsureSimulatorBeside(int timeoutMs, std::string* why)
{
    std::string problem;
    const std::string path = SocketPath(&problem);
    const std::string folder = ModuleFolder();
    if (folder.empty())
        problem = "the folder of the driver library cannot be found, and the simulator is started from there only";
    else if (!path.empty() && EnsureSimulator(folder + EXECUTABLE_NAME, path, timeoutMs, &problem))
        return true;
    if (why)
        *why = problem;
    else if (!problem.empty())
        std::fprintf(stderr, "%s: %s\n", EXECUTABLE_NAME, problem.c_str());
    return false;
}

} // namespace sim
