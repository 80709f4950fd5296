// Serving on named pipes (Windows). There is no daemon that forks: whoever wants the
// simulator in the background starts it on its own (EnsureSimulator), and it serves in
// the foreground there.
#include "sim/Serve.h"

#include "platform/LocalPipe.h"
#include "sim/Endpoint.h"
#include "sim/Lab.h"
#include "sim/PipeServer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace sim {

namespace {

// The boards of one simulator, each on a pipe of its own (with the same access list: this
// user alone) served by its own thread, the first on the caller's; they come and go
// together.
class TPipeLab {
public:
    TPipeLab(const std::string& endpoint, std::uint32_t idleExit, int boards)
        : m_Lab(boards)
    {
        for (int board = 1; board <= boards; ++board) {
            m_Servers.push_back(std::make_unique<TPipeServer>(BoardSocketPath(endpoint, board), idleExit));
            m_Servers.back()->JoinLab(&m_Lab, board);
        }
    }

    // Takes every board's pipe, the first one last: whoever reaches the first finds the
    // whole lab served. False, with the board that failed and why, when one cannot be had.
    bool Listen(std::string& error)
    {
        for (std::size_t i = m_Servers.size(); i-- > 0;) {
            if (!m_Servers[i]->Listen(error)) {
                error = BoardName(static_cast<int>(i) + 1) + ": " + error;
                return false;
            }
        }
        return true;
    }

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
    std::vector<std::unique_ptr<TPipeServer>> m_Servers;
};

// Starts this program in the background to serve `endpoint`, unless a simulator of this
// user serves it already.
int StartInBackground(const std::string& endpoint, int boards)
{
    // The simulator started here reads the number of boards where one started on demand
    // does: the environment it inherits.
    _putenv_s(BOARDS_ENV, std::to_string(boards).c_str());
    std::string problem;
    const std::string self = ModuleFolder() + EXECUTABLE_NAME + ".exe";
    if (!EnsureSimulator(self, endpoint, 5000, &problem)) {
        std::fprintf(stderr, "vx5h-board-sim: cannot serve %s%s%s\n", endpoint.c_str(), problem.empty() ? "" : ": ",
            problem.c_str());
        return 1;
    }
    // One that was running already may serve fewer boards than asked for.
    ControlReply reply;
    const bool answered = SendControl(endpoint, {"boards"}, reply, 5000);
    const auto served = answered ? std::count(reply.text.begin(), reply.text.end(), '\n') : 0;
    if (served >= boards)
        return 0;
    std::fprintf(stderr, "vx5h-board-sim: cannot serve %d boards: a simulator serves %s already (ctl quit ends it)\n",
        boards, served > 1 ? ("sim to " + BoardName(static_cast<int>(served))).c_str() : "sim alone");
    return 1;
}

} // namespace

int Serve(const ServeOptions& options)
{
    if (!options.replayPath.empty()) {
        std::fprintf(stderr, "vx5h-board-sim: --replay is served on Unix sockets only\n");
        return 2;
    }
    const std::string endpoint = platform::PrivateEndpoint(options.endpoint);
    for (int board = 2; board <= options.boards; ++board) {
        if (BoardSocketPath(endpoint, board).empty()) {
            std::fprintf(stderr, "vx5h-board-sim: %s: the name %s leaves no room for the pipes of its boards\n",
                BoardName(board).c_str(), endpoint.c_str());
            return 2;
        }
    }
    if (options.daemon)
        return StartInBackground(endpoint, options.boards);
    TPipeLab lab(endpoint, options.idleExitSeconds, options.boards);
    std::string error;
    if (!lab.Listen(error)) {
        std::fprintf(stderr, "vx5h-board-sim: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "vx5h-board-sim: serving the VX5h-260 on %s%s\n", endpoint.c_str(),
        options.boards > 1 ? (" and " + std::to_string(options.boards - 1) + " more boards beside it").c_str() : "");
    // Started in the background, it holds nothing of its starter's while it serves.
    platform::LetGoOfStarterOutput();
    lab.Run();
    return 0;
}

} // namespace sim
