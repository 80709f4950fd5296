// Serving on a Unix socket: in the foreground, or as a daemon detached from its starter.
#include "sim/Serve.h"

#include "sim/DaemonLog.h"
#include "sim/Endpoint.h"
#include "sim/Lab.h"
#include "sim/Replay.h"
#include "sim/Server.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

// The boards of one simulator, each served on its own socket by a server on its own
// thread (the first on the caller's); they come and go together.
class TLabServers {
public:
    TLabServers(const std::string& path, std::uint32_t idleExit, int boards)
        : m_Lab(boards)
    {
        for (int board = 1; board <= boards; ++board) {
            m_Servers.push_back(std::make_unique<TServer>(BoardSocketName(path, board), idleExit));
            m_Servers.back()->JoinLab(&m_Lab, board);
        }
    }

    // Takes every board's socket; false, with the socket that failed and why, when one
    // cannot be had.
    bool Listen(TDaemonLog* log, std::string& error)
    {
        for (std::size_t i = 0; i < m_Servers.size(); ++i) {
            m_Servers[i]->SetLog(log);
            if (!m_Servers[i]->Listen(error)) {
                error = BoardName(static_cast<int>(i) + 1) + ": " + error;
                return false;
            }
        }
        return true;
    }

    TServer& First() { return *m_Servers.front(); }

    void Run()
    {
        std::vector<std::thread> others;
        for (std::size_t i = 1; i < m_Servers.size(); ++i)
            others.emplace_back([server = m_Servers[i].get()] { server->Run(); });
        m_Servers.front()->Run();
        for (std::thread& other : others)
            other.join();
    }

private:
    TLab m_Lab;
    std::vector<std::unique_ptr<TServer>> m_Servers;
};

// Why the boards' sockets cannot be made at `path`, found before anything is made (empty
// when they can): a lab whose last socket cannot be had must leave none of the others.
std::string LabPathProblem(const std::string& path, int boards)
{
    for (int board = 1; board <= boards; ++board)
        if (std::string problem = TServer::PathProblem(BoardSocketName(path, board)); !problem.empty())
            return BoardName(board) + ": " + problem;
    return {};
}

// Detaches from the caller; the caller's process returns only once the daemon listens (0)
// or could not (1, after saying why), so that whoever starts it can connect right away.
int Daemonize(const std::string& path, std::uint32_t idleExit, int boards)
{
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return 1;
    const pid_t pid = ::fork();
    if (pid < 0)
        return 1;
    if (pid > 0) {
        ::close(ready[1]);
        char answer[512] = {};
        ssize_t n = 0;
        while ((n = ::read(ready[0], answer, sizeof answer - 1)) < 0 && errno == EINTR) { }
        ::waitpid(pid, nullptr, 0); // the intermediate child, gone right after its fork
        if (n > 0 && answer[0] == 'R')
            return 0;
        if (n > 1)
            std::fprintf(stderr, "vx5h-board-sim: cannot serve %s\n", answer + 1);
        return 1;
    }
    ::close(ready[0]);
    ::setsid();
    if (::fork() > 0)
        ::_exit(0); // not a session leader: the daemon can never gain a terminal
    if (::chdir("/") != 0) { }
    // Nothing of the starter's may stay open here, or a test runner waiting for its
    // child's output would wait for the daemon too.
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd)
        ::dup2(null, fd);
    if (ready[1] != 3) {
        ::dup2(ready[1], 3);
        ready[1] = 3;
    }
    ::close_range(4, ~0U, 0);

    // Its output goes to its own bounded log beside the socket, not to /dev/null.
    TDaemonLog log(TDaemonLog::PathFor(path), TDaemonLog::DEFAULT_MAX_BYTES, true);
    InstallStopSignals();
    auto lab = std::make_unique<TLabServers>(path, idleExit, boards);
    std::string error;
    if (!lab->Listen(&log, error)) {
        lab.reset(); // the sockets and locks of the boards that listened go with it
        log.Write("cannot serve " + error);
        const std::string said = "E" + error.substr(0, 500);
        (void)!::write(ready[1], said.data(), said.size());
        ::_exit(1);
    }
    log.Write("serving the VX5h-260 on " + path + (boards > 1 ? " and " + std::to_string(boards - 1) + " more boards" : "")
        + " (pid " + std::to_string(::getpid()) + ")");
    (void)!::write(ready[1], "R", 1);
    ::close(ready[1]);
    lab->Run();
    return 0;
}

} // namespace

int Serve(const ServeOptions& options)
{
    const std::string& path = options.endpoint;
    if (const std::string problem = LabPathProblem(path, options.boards); !problem.empty()) {
        std::fprintf(stderr, "vx5h-board-sim: %s\n", problem.c_str());
        return 1;
    }
    if (options.daemon && options.replayPath.empty())
        return Daemonize(path, options.idleExitSeconds, options.boards);
    std::unique_ptr<TReplay> replay;
    if (!options.replayPath.empty()) {
        std::string error;
        replay = LoadReplay(options.replayPath, std::max(options.replaySpeed, 0.0),
            [](const std::string& line) { std::fprintf(stderr, "vx5h-board-sim: %s\n", line.c_str()); }, error);
        if (!replay || options.daemon || options.boards > 1) {
            std::fprintf(stderr, "vx5h-board-sim: --replay: %s\n",
                options.daemon ? "runs in the foreground only" : options.boards > 1 ? "plays one board" : error.c_str());
            return 2;
        }
    }

    InstallStopSignals();
    TLabServers lab(path, options.idleExitSeconds, options.boards);
    std::string error;
    if (!lab.Listen(nullptr, error)) {
        std::fprintf(stderr, "vx5h-board-sim: %s\n", error.c_str());
        return 1;
    }
    if (replay)
        AttachReplay(lab.First(), *replay);
    std::fprintf(stderr, "vx5h-board-sim: serving the VX5h-260 on %s%s\n", path.c_str(),
        options.boards > 1 ? (" and " + std::to_string(options.boards - 1) + " more boards beside it").c_str() : "");
    lab.Run();
    if (!replay)
        return 0;
    std::fprintf(stderr, "vx5h-board-sim: replay %s\n", replay->Status().c_str());
    return replay->Complete() ? 0 : 1;
}

} // namespace sim
