#pragma once

// A simulator that takes no connection: stopped (as a debugger or a suspended terminal
// stops a process) while clients keep coming, until its queue of new connections is full.
#include <csignal>
#include <fcntl.h>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

// A connection that never waits: -1 when the simulator's queue of new ones is full.
inline int ConnectAtOnce(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The process serving the socket at `path`; -1 when none answers.
inline pid_t ServingProcess(const std::string& path)
{
    const int fd = ConnectAtOnce(path);
    ucred peer{};
    socklen_t size = sizeof peer;
    const bool known = fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
    if (fd >= 0)
        ::close(fd);
    return known ? peer.pid : -1;
}

// Stops the simulator serving `path` and fills its queue; it runs again, its queue empty,
// when the object dies, and at the latest after a minute, should the test die first (a
// stopped simulator would never reach its idle exit).
class StoppedSimulator {
public:
    explicit StoppedSimulator(const std::string& path)
        : m_Pid(ServingProcess(path))
    {
        if (m_Pid <= 0)
            return;
        m_Watchdog = ::fork();
        if (m_Watchdog == 0) {
            // Holding nobody's output, so that no test runner waits for it.
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::sleep(60);
            ::kill(m_Pid, SIGCONT);
            ::_exit(0);
        }
        ::kill(m_Pid, SIGSTOP);
        for (int fd; m_Queued.size() < 1000 && (fd = ConnectAtOnce(path)) >= 0;)
            m_Queued.push_back(fd);
    }
    ~StoppedSimulator()
    {
        if (m_Pid > 0)
            ::kill(m_Pid, SIGCONT);
        if (m_Watchdog > 0) {
            ::kill(m_Watchdog, SIGKILL);
            ::waitpid(m_Watchdog, nullptr, 0);
        }
        for (int fd : m_Queued)
            ::close(fd);
    }
    StoppedSimulator(const StoppedSimulator&) = delete;
    StoppedSimulator& operator=(const StoppedSimulator&) = delete;

    // The queue is full: nothing more gets in.
    bool Full() const { return m_Pid > 0 && !m_Queued.empty() && m_Queued.size() < 1000; }

private:
    pid_t m_Pid;
    pid_t m_Watchdog = -1;
    std::vector<int> m_Queued;
};

} // namespace testsupport
