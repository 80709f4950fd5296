// vx5h-board-sim: the simulated VX5h-260 board, served on a per-user Unix socket, and the
// control commands that play the world around it (see README.md).
#include "sim/Endpoint.h"
#include "sim/Image.h"
#include "sim/Replay.h"
#include "sim/Server.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void PrintUsage(std::FILE* to)
{
    std::fprintf(to,
        "usage: vx5h-board-sim [--daemon] [--socket=PATH] [--idle-exit=SECONDS]\n"
        "       vx5h-board-sim --replay FILE [--replay-speed X] [--socket=PATH]\n"
        "         (the board of a transcript; exits 0 when every step on record was asked for)\n"
        "       vx5h-board-sim ctl COMMAND [ARGS...]   (ctl help lists the commands)\n"
        "The socket is $VX5H_SIM_SOCKET, else vx5h-board-sim.sock in this user's own folder:\n"
        "$XDG_RUNTIME_DIR/vx5h, else /tmp/vx5h-<uid> (owner only, mode 0700).\n");
}

// The socket of this user's simulator; empty after saying why there is none.
std::string SocketPathOrComplain()
{
    std::string error;
    const std::string path = sim::SocketPath(&error);
    if (path.empty())
        std::fprintf(stderr, "vx5h-board-sim: no safe place for the socket: %s\n", error.c_str());
    return path;
}

int RunControlCommand(int argc, char** argv)
{
    std::vector<std::string> args(argv, argv + argc);
    if (args.empty()) {
        PrintUsage(stderr);
        return 2;
    }
    if (args[0] == "configure") {
        if (args.size() != 2) {
            std::fprintf(stderr, "usage: ctl configure PATH\n");
            return 2;
        }
        std::string image, error;
        if (!sim::ReadImageFile(args[1], image, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        if (image.size() > sim::MAX_CONTROL_IMAGE) {
            std::fprintf(stderr, "%s is too large for the simulated board's image\n", args[1].c_str());
            return 1;
        }
        args = {"configure-image", image};
    }
    const std::string path = SocketPathOrComplain();
    if (path.empty())
        return 3;
    sim::ControlReply reply;
    std::string refusal;
    if (!sim::SendControl(path, args, reply, 10000, &refusal)) {
        if (refusal.empty())
            std::fprintf(stderr, "vx5h-board-sim: no simulator answers at %s\n", path.c_str());
        else
            std::fprintf(stderr, "vx5h-board-sim: %s\n", refusal.c_str());
        return 3;
    }
    std::fputs(reply.text.c_str(), reply.status == 0 ? stdout : stderr);
    return reply.status;
}

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
    sim::TDaemonLog log(sim::TDaemonLog::PathFor(path), sim::TDaemonLog::DEFAULT_MAX_BYTES, true);
    sim::InstallStopSignals();
    sim::TServer server(path, idleExit);
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

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "ctl") == 0)
        return RunControlCommand(argc - 2, argv + 2);

    bool daemon = false;
    std::string path;
    std::string replayPath;
    double replaySpeed = 1.0;
    std::uint32_t idleExit = 0;
    if (const char* idle = std::getenv("VX5H_SIM_IDLE_EXIT"))
        idleExit = static_cast<std::uint32_t>(std::strtoul(idle, nullptr, 10));
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--daemon")
            daemon = true;
        else if (arg.rfind("--socket=", 0) == 0)
            path = arg.substr(9);
        else if (arg == "--replay" && i + 1 < argc)
            replayPath = argv[++i];
        else if (arg == "--replay-speed" && i + 1 < argc)
            replaySpeed = std::strtod(argv[++i], nullptr);
        else if (arg.rfind("--idle-exit=", 0) == 0)
            idleExit = static_cast<std::uint32_t>(std::strtoul(arg.c_str() + 12, nullptr, 10));
        else if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        } else {
            PrintUsage(stderr);
            return 2;
        }
    }
    if (path.empty() && (path = SocketPathOrComplain()).empty())
        return 1;
    if (daemon && replayPath.empty())
        return Daemonize(path, idleExit);
    std::unique_ptr<sim::TReplay> replay;
    if (!replayPath.empty()) {
        std::string error;
        replay = sim::LoadReplay(replayPath, std::max(replaySpeed, 0.0),
            [](const std::string& line) { std::fprintf(stderr, "vx5h-board-sim: %s\n", line.c_str()); }, error);
        if (!replay || daemon) {
            std::fprintf(stderr, "vx5h-board-sim: --replay: %s\n", daemon ? "runs in the foreground only" : error.c_str());
            return 2;
        }
    }

    sim::InstallStopSignals();
    sim::TServer server(path, idleExit);
    std::string error;
    if (!server.Listen(error)) {
        std::fprintf(stderr, "vx5h-board-sim: %s\n", error.c_str());
        return 1;
    }
    if (replay)
        sim::AttachReplay(server, *replay);
    std::fprintf(stderr, "vx5h-board-sim: serving the VX5h-260 on %s\n", path.c_str());
    server.Run();
    if (!replay)
        return 0;
    std::fprintf(stderr, "vx5h-board-sim: replay %s\n", replay->Status().c_str());
    return replay->Complete() ? 0 : 1;
}
