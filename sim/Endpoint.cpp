#include "sim/Endpoint.h"

#include "platform/RuntimeFolder.h"

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

int ConnectSocket(const std::string& path, std::string* refusal)
{
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    std::string why;
    if (!PeerIsThisUser(fd, &why)) {
        ::close(fd);
        if (refusal)
            *refusal = "the simulator socket " + path + " is not used: " + why;
        return -1;
    }
    return fd;
}

namespace {

bool WaitFor(int fd, short events, std::uint64_t deadlineUs)
{
    for (;;) {
        const std::uint64_t now = MonotonicUs();
        if (now >= deadlineUs)
            return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>((deadlineUs - now + 999) / 1000));
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

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

bool SendControl(const std::string& path, const std::vector<std::string>& args, ControlReply& reply, int timeoutMs,
    std::string* refusal)
{
    const int fd = ConnectSocket(path, refusal);
    if (fd < 0)
        return false;
    const std::vector<std::uint8_t> message = EncodeControl(args);
    std::uint8_t header[5];
    bool ok
        = SendAll(fd, message.data(), message.size(), timeoutMs) && ReceiveAll(fd, header, sizeof header, timeoutMs);
    if (ok) {
        const std::uint32_t length = std::uint32_t(header[1]) | std::uint32_t(header[2]) << 8
            | std::uint32_t(header[3]) << 16 | std::uint32_t(header[4]) << 24;
        ok = length <= MAX_CONTROL_MESSAGE;
        if (ok) {
            reply.status = header[0];
            reply.text.assign(length, '\0');
            ok = ReceiveAll(fd, reply.text.data(), length, timeoutMs);
        }
    }
    ::close(fd);
    return ok;
}

bool EnsureSimulator(const std::string& executable, const std::string& path, int timeoutMs, std::string* problem)
{
    std::string refusal;
    auto reachable = [&] {
        const int fd = ConnectSocket(path, &refusal);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    };
    if (reachable())
        return true;
    if (!refusal.empty()) {
        // Another user's process has the path; a simulator of ours could not take it.
        if (problem)
            *problem = refusal;
        return false;
    }
    const std::uint64_t deadline = MonotonicUs() + static_cast<std::uint64_t>(timeoutMs) * 1000;
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

bool EnsureSimulatorBeside(int timeoutMs)
{
    std::string problem;
    const std::string path = SocketPath(&problem);
    const std::string folder = ModuleFolder();
    if (folder.empty())
        problem = "the folder of the driver library cannot be found, and the simulator is started from there only";
    else if (!path.empty() && EnsureSimulator(folder + EXECUTABLE_NAME, path, timeoutMs, &problem))
        return true;
    if (!problem.empty())
        std::fprintf(stderr, "%s: %s\n", EXECUTABLE_NAME, problem.c_str());
    return false;
}

} // namespace sim
