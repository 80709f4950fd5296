// Serving on a Unix socket: in the foreground, or as a daemon detached from its starter.
#include "sim/Serve.h"

#include "sim/Endpoint.h"
#include "sim/Replay.h"
#include "sim/Server.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace sim {

namespace {

// Detaches from the caller; the caller's process returns only once the daemon listens (0)
// or could not (1), so that whoever starts it can connect right away.
int Daemonize(const std::string& path, std::uint32_t idleExit)
{
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return 1;
    const pid_t pid = ::fork();
    if (pid < 0)
        return 1;
    if (pid > 0) {
        ::close(ready[1]);
        char answer = 0;
        while (::read(ready[0], &answer, 1) < 0 && errno == EINTR) { }
        ::waitpid(pid, nullptr, 0); // the intermediate child, gone right after its fork
        return answer == 'R' ? 0 : 1;
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
    TServer server(path, idleExit);
    server.SetLog(&log);
    std::string error;
    if (!server.Listen(error)) {
        log.Write("cannot serve " + path + ": " + error);
        (void)!::write(ready[1], "E", 1);
        ::_exit(1);
    }
    log.Write("serving the VX5h-260 on " + path + " (pid " + std::to_string(::getpid()) + ")");
    (void)!::write(ready[1], "R", 1);
    ::close(ready[1]);
    server.Run();
    return 0;
}

} // namespace

int Serve(const ServeOptions& options)
{
    const std::string& path = options.endpoint;
    if (options.daemon && options.replayPath.empty())
        return Daemonize(path, options.idleExitSeconds);
    std::unique_ptr<TReplay> replay;
    if (!options.replayPath.empty()) {
        std::string error;
        replay = LoadReplay(options.replayPath, std::max(options.replaySpeed, 0.0),
            [](const std::string& line) { std::fprintf(stderr, "vx5h-board-sim: %s\n", line.c_str()); }, error);
        if (!replay || options.daemon) {
            std::fprintf(
                stderr, "vx5h-board-sim: --replay: %s\n", options.daemon ? "runs in the foreground only" : error.c_str());
            return 2;
        }
    }

    InstallStopSignals();
    TServer server(path, options.idleExitSeconds);
    std::string error;
    if (!server.Listen(error)) {
        std::fprintf(stderr, "vx5h-board-sim: %s\n", error.c_str());
        return 1;
    }
    if (replay)
        AttachReplay(server, *replay);
    std::fprintf(stderr, "vx5h-board-sim: serving the VX5h-260 on %s\n", path.c_str());
    server.Run();
    if (!replay)
        return 0;
    std::fprintf(stderr, "vx5h-board-sim: replay %s\n", replay->Status().c_str());
    return replay->Complete() ? 0 : 1;
}

} // namespace sim
