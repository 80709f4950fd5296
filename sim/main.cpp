// vx5h-board-sim: the simulated VX5h-260 board, served on a per-user Unix socket
// (a named pipe on Windows), and the
// control commands that play the world around it (see README.md).
#include "sim/Endpoint.h"
#include "sim/Image.h"
#include "sim/Serve.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void PrintUsage(std::FILE* to)
{
    std::fprintf(to,
        "usage: vx5h-board-sim [--daemon] [--socket=PATH] [--idle-exit=SECONDS]\n"
        "       vx5h-board-sim --replay FILE [--replay-speed X] [--socket=PATH]\n"
        "         (the board of a transcript; exits 0 when every step on record was asked for)\n"
        "       vx5h-board-sim ctl COMMAND [ARGS...]   (ctl help lists the commands)\n"
        "The socket is $VX5H_SIM_SOCKET, else vx5h-board-sim.sock in this user's own folder:\n"
        "$XDG_RUNTIME_DIR/vx5h, else /tmp/vx5h-<uid> (owner only, mode 0700). On Windows it\n"
        "is the named pipe \\\\.\\pipe\\vx5h-board-sim-<the user's SID>, open to this user only.\n");
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
    return sim::Serve({path, idleExit, daemon, replayPath, replaySpeed});
}
