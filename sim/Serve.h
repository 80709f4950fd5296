#pragma once

#include <cstdint>
#include <string>

// Serving the simulated board at an endpoint, as each system does it: a Unix socket and a
// daemon that forks away, or a named pipe and a process started on its own (Windows).
namespace sim {

struct ServeOptions {
    std::string endpoint;
    std::uint32_t idleExitSeconds = 0;
    bool daemon = false;     // return once the board is served by another process
    std::string replayPath;  // the board of a transcript instead of the model
    double replaySpeed = 1.0;
    int boards = 1;          // a lab of this many boards, each on an endpoint of its own
};

// The program's exit code.
int Serve(const ServeOptions& options);

} // namespace sim
