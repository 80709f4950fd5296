// vx5h-board-sim: the simulated VX5h-260 board, served on a per-user Unix socket, and the
// control commands that play the world around it (see README.md).
#include "sim/Endpoint.h"
#include "sim/Image.h"
#include "sim/Lab.h"
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
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

void PrintUsage(std::FILE* to)
{
    std::fprintf(to,
        "usage: vx5h-board-sim [--daemon] [--socket=PATH] [--idle-exit=SECONDS] [--boards=N]\n"
        "       vx5h-board-sim --replay FILE [--replay-speed X] [--socket=PATH]\n"
        "         (the board of a transcript; exits 0 when every step on record was asked for)\n"
        "       vx5h-board-sim ctl [--board NAME] COMMAND [ARGS...]   (ctl help lists the commands)\n"
        "The socket is $VX5H_SIM_SOCKET, else vx5h-board-sim.sock in this user's own folder:\n"
        "$XDG_RUNTIME_DIR/vx5h, else /tmp/vx5h-<uid> (owner only, mode 0700).\n"
        "--boards=N (or $VX5H_SIM_BOARDS) serves a lab of N boards (1-64), each a cable of its own:\n"
        "sim (the first, on that socket), sim-2 ... sim-N (on sockets beside it); ctl --board NAME\n"
        "controls one of them, ctl boards lists them.\n");
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

// The board a control command goes to: "--board NAME" (or "--board=NAME") before the
// command, taken off `args`; 1 without it, 0 (after saying why) for a name of no board.
int ControlledBoard(std::vector<std::string>& args)
{
    std::string name;
    if (!args.empty() && args[0] == "--board" && args.size() >= 2) {
        name = args[1];
        args.erase(args.begin(), args.begin() + 2);
    } else if (!args.empty() && args[0].rfind("--board=", 0) == 0) {
        name = args[0].substr(8);
        args.erase(args.begin());
    } else {
        return 1;
    }
    const int board = sim::BoardOfCable(name);
    if (board == 0)
        std::fprintf(stderr, "vx5h-board-sim: --board: '%s' is not a simulated board's name (sim, sim-2 ... sim-%d)\n",
            name.c_str(), sim::MAX_BOARDS);
    return board;
}

int RunControlCommand(int argc, char** argv)
{
    std::vector<std::string> args(argv, argv + argc);
    const int board = ControlledBoard(args);
    if (board == 0)
        return 2;
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
    const std::string first = SocketPathOrComplain();
    const std::string path = first.empty() ? first : sim::BoardSocketPath(first, board);
    if (path.empty())
        return 3;
    sim::ControlReply reply;
    std::string refusal;
    if (!sim::SendControl(path, args, reply, 10000, &refusal)) {
        if (refusal.empty() && board > 1)
            std::fprintf(stderr, "vx5h-board-sim: no simulator serves %s at %s (vx5h-board-sim --boards N starts a lab)\n",
                sim::BoardName(board).c_str(), path.c_str());
        else if (refusal.empty())
            std::fprintf(stderr, "vx5h-board-sim: no simulator answers at %s\n", path.c_str());
        else
            std::fprintf(stderr, "vx5h-board-sim: %s\n", refusal.c_str());
        return 3;
    }
    std::fputs(reply.text.c_str(), reply.status == 0 ? stdout : stderr);
    return reply.status;
}

// The boards of one simulator, each served on its own socket by a server on its own
// thread (the first on the caller's); they come and go together.
class TLabServers {
public:
    TLabServers(const std::string& path, std::uint32_t idleExit, int boards)
        : m_Lab(boards)
    {
        for (int board = 1; board <= boards; ++board) {
            m_Servers.push_back(std::make_unique<sim::TServer>(sim::BoardSocketPath(path, board), idleExit));
            m_Servers.back()->JoinLab(&m_Lab, board);
        }
    }

    // Takes every board's socket; false, with the socket that failed and why, when one
    // cannot be had.
    bool Listen(sim::TDaemonLog* log, std::string& error)
    {
        for (std::size_t i = 0; i < m_Servers.size(); ++i) {
            m_Servers[i]->SetLog(log);
            if (!m_Servers[i]->Listen(error)) {
                error = sim::BoardName(static_cast<int>(i) + 1) + ": " + error;
                return false;
            }
        }
        return true;
    }

    sim::TServer& First() { return *m_Servers.front(); }

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
    sim::TLab m_Lab;
    std::vector<std::unique_ptr<sim::TServer>> m_Servers;
};

// Detaches from the caller; the caller's process returns only once the daemon listens (0)
// or could not (1), so that whoever starts it can connect right away.
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
    TLabServers lab(path, idleExit, boards);
    std::string error;
    if (!lab.Listen(&log, error)) {
        log.Write("cannot serve " + error);
        (void)!::write(ready[1], "E", 1);
        ::_exit(1);
    }
    log.Write("serving the VX5h-260 on " + path + (boards > 1 ? " and " + std::to_string(boards - 1) + " more boards" : "")
        + " (pid " + std::to_string(::getpid()) + ")");
    (void)!::write(ready[1], "R", 1);
    ::close(ready[1]);
    lab.Run();
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
    int boards = 1;
    if (const char* count = std::getenv(sim::BOARDS_ENV); count && *count && !(boards = sim::ParseBoardCount(count))) {
        std::fprintf(stderr, "vx5h-board-sim: %s must be a number of boards from 1 to %d\n", sim::BOARDS_ENV, sim::MAX_BOARDS);
        return 2;
    }
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
        else if (arg.rfind("--boards=", 0) == 0 || (arg == "--boards" && i + 1 < argc)) {
            boards = sim::ParseBoardCount(arg == "--boards" ? argv[++i] : arg.substr(9));
            if (boards == 0) {
                std::fprintf(stderr, "vx5h-board-sim: --boards takes a number of boards from 1 to %d\n", sim::MAX_BOARDS);
                return 2;
            }
        } else if (arg.rfind("--idle-exit=", 0) == 0)
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
        return Daemonize(path, idleExit, boards);
    std::unique_ptr<sim::TReplay> replay;
    if (!replayPath.empty()) {
        std::string error;
        replay = sim::LoadReplay(replayPath, std::max(replaySpeed, 0.0),
            [](const std::string& line) { std::fprintf(stderr, "vx5h-board-sim: %s\n", line.c_str()); }, error);
        if (!replay || daemon || boards > 1) {
            std::fprintf(stderr, "vx5h-board-sim: --replay: %s\n",
                daemon ? "runs in the foreground only" : boards > 1 ? "plays one board" : error.c_str());
            return 2;
        }
    }

    sim::InstallStopSignals();
    TLabServers lab(path, idleExit, boards);
    std::string error;
    if (!lab.Listen(nullptr, error)) {
        std::fprintf(stderr, "vx5h-board-sim: %s\n", error.c_str());
        return 1;
    }
    if (replay)
        sim::AttachReplay(lab.First(), *replay);
    std::fprintf(stderr, "vx5h-board-sim: serving the VX5h-260 on %s%s\n", path.c_str(),
        boards > 1 ? (" and " + std::to_string(boards - 1) + " more boards beside it").c_str() : "");
    lab.Run();
    if (!replay)
        return 0;
    std::fprintf(stderr, "vx5h-board-sim: replay %s\n", replay->Status().c_str());
    return replay->Complete() ? 0 : 1;
}
