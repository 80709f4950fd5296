// Serving on a named pipe (Windows). There is no daemon that forks: whoever wants the
// simulator in the background starts it on its own (EnsureSimulator), and it serves in
// the foreground there.
#include "sim/Serve.h"

#include "platform/LocalPipe.h"
#include "sim/Endpoint.h"
#include "sim/PipeServer.h"

#include <cstdio>

namespace sim {

int Serve(const ServeOptions& options)
{
    if (!options.replayPath.empty()) {
        std::fprintf(stderr, "vx5h-board-sim: --replay is served on Unix sockets only\n");
        return 2;
    }
    if (options.boards > 1) {
        std::fprintf(stderr, "vx5h-board-sim: --boards: a lab of boards is served on Unix sockets only\n");
        return 2;
    }
    const std::string endpoint = platform::PrivateEndpoint(options.endpoint);
    if (options.daemon) {
        std::string problem;
        const std::string self = ModuleFolder() + EXECUTABLE_NAME + ".exe";
        if (EnsureSimulator(self, endpoint, 5000, &problem))
            return 0;
        std::fprintf(stderr, "vx5h-board-sim: cannot serve %s%s%s\n", endpoint.c_str(), problem.empty() ? "" : ": ",
            problem.c_str());
        return 1;
    }
    TPipeServer server(endpoint, options.idleExitSeconds);
    std::string error;
    if (!server.Listen(error)) {
        std::fprintf(stderr, "vx5h-board-sim: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "vx5h-board-sim: serving the VX5h-260 on %s\n", endpoint.c_str());
    server.Run();
    return 0;
}

} // namespace sim
