// vx5h-board-sim: the simulated VX5h-260 board, served on a per-user Unix socket (a named
// pipe on Windows), and the
// control commands that play the world around it (see README.md).
#include "sim/Control.h"
#include "sim/Endpoint.h"
#include "sim/Image.h"
#include "sim/Lab.h"
#include "sim/Serve.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
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
        "$XDG_RUNTIME_DIR/vx5h, else /tmp/vx5h-<uid> (owner only, mode 0700). On Windows it\n"
        "is the named pipe \\\\.\\pipe\\vx5h-board-sim-<the user's SID>, open to this user only.\n"
        "--boards=N (or $VX5H_SIM_BOARDS) serves a lab of N boards (1-64), each a cable of its own:\n"
        "sim (the first, on that socket), sim-2 ... sim-N (on sockets beside it); ctl --board NAME\n"
        "controls one of them, ctl boards lists them.\n");
}

// `text` as a finite number, all of it ("1e", "abc" and "inf" are none); else nothing.
std::optional<double> NumberOf(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Idle seconds before the simulator exits: a whole number from 0 (never) to a year,
// written in full; else nothing.
std::optional<std::uint32_t> IdleSecondsOf(const std::string& text)
{
    constexpr unsigned long A_YEAR = 366ul * 24 * 3600;
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned long seconds = std::strtoul(text.c_str(), nullptr, 10);
    if (seconds > A_YEAR)
        return std::nullopt;
    return static_cast<std::uint32_t>(seconds);
}

int RefuseIdle(const char* where)
{
    std::fprintf(stderr, "vx5h-board-sim: %s takes whole seconds from 0 (never) to 31622400 (a year)\n", where);
    return 2;
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
    if (args == std::vector<std::string>{"help"}) {
        std::fputs(sim::ControlHelpText().c_str(), stdout);
        return 0;
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
    if (first.empty())
        return 3;
    const std::string path = sim::BoardSocketPath(first, board);
    if (path.empty()) {
        std::fprintf(stderr, "vx5h-board-sim: the socket of %s, %s, is too long for this system\n",
            sim::BoardName(board).c_str(), sim::BoardSocketName(first, board).c_str());
        return 3;
    }
    sim::ControlReply reply;
    std::string refusal;
    if (!sim::SendControl(path, args, reply, 10000, &refusal)) {
        if (refusal.empty() && board > 1)
            std::fprintf(stderr,
                "vx5h-board-sim: no simulator serves %s at %s (vx5h-board-sim --boards N starts a lab)\n",
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

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "ctl") == 0)
        return RunControlCommand(argc - 2, argv + 2);
    // --help answers whatever the environment holds.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage(stdout);
            return 0;
        }

    bool daemon = false;
    std::string path;
    std::string replayPath;
    double replaySpeed = 1.0;
    std::uint32_t idleExit = 0;
    int boards = 1;
    if (const char* count = std::getenv(sim::BOARDS_ENV); count && *count && !(boards = sim::ParseBoardCount(count))) {
        std::fprintf(
            stderr, "vx5h-board-sim: %s must be a number of boards from 1 to %d\n", sim::BOARDS_ENV, sim::MAX_BOARDS);
        return 2;
    }
    if (const char* idle = std::getenv("VX5H_SIM_IDLE_EXIT"); idle && *idle) {
        const auto seconds = IdleSecondsOf(idle);
        if (!seconds)
            return RefuseIdle("VX5H_SIM_IDLE_EXIT");
        idleExit = *seconds;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--daemon")
            daemon = true;
        else if (arg.rfind("--socket=", 0) == 0)
            path = arg.substr(9);
        else if (arg == "--replay" && i + 1 < argc)
            replayPath = argv[++i];
        else if (arg == "--replay-speed" && i + 1 < argc) {
            const auto speed = NumberOf(argv[++i]);
            if (!speed || *speed < 0) {
                std::fprintf(stderr,
                    "vx5h-board-sim: --replay-speed takes a number: 1 the recorded pace, 2 twice as fast, 0 at once\n");
                return 2;
            }
            replaySpeed = *speed;
        } else if (arg.rfind("--boards=", 0) == 0 || (arg == "--boards" && i + 1 < argc)) {
            boards = sim::ParseBoardCount(arg == "--boards" ? argv[++i] : arg.substr(9));
            if (boards == 0) {
                std::fprintf(
                    stderr, "vx5h-board-sim: --boards takes a number of boards from 1 to %d\n", sim::MAX_BOARDS);
                return 2;
            }
        } else if (arg.rfind("--idle-exit=", 0) == 0) {
            const auto seconds = IdleSecondsOf(arg.substr(12));
            if (!seconds)
                return RefuseIdle("--idle-exit");
            idleExit = *seconds;
        } else if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        } else {
            PrintUsage(stderr);
            return 2;
        }
    }
    if (path.empty() && (path = SocketPathOrComplain()).empty())
        return 1;
    return sim::Serve({path, idleExit, daemon, replayPath, replaySpeed, boards});
}
