// How the simulator is reached where there are no Unix sockets (Windows): a named pipe
// of this user, through platform/LocalPipe.h. The same hello bytes and control messages
// as over the Unix socket.
#include "sim/Endpoint.h"

#include "platform/LocalPipe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace sim {

// A pipe's name is at most 256 characters, the \\.\pipe\ prefix included.
bool EndpointNameFits(const std::string& path) { return path.size() <= 256; }

std::string SocketPath(std::string* error)
{
    const char* chosen = std::getenv(SOCKET_ENV);
    const std::string endpoint = platform::PrivateEndpoint(chosen && *chosen ? chosen : EXECUTABLE_NAME);
    if (error && endpoint.empty())
        *error = "cannot tell which user this process runs as";
    return endpoint;
}

bool SendControl(const std::string& path, const std::vector<std::string>& args, ControlReply& reply, int timeoutMs,
    std::string* refusal, const std::atomic<bool>* stop)
{
    const auto pipe = platform::LocalPipe::Connect(path, refusal);
    if (!pipe)
        return false;
    const std::vector<std::uint8_t> message = EncodeControl(args);
    std::uint8_t header[5];
    if (!pipe->SendAll(message.data(), message.size(), timeoutMs))
        return false;
    // The answer's first byte a slice at a time, so that a stop is seen at once.
    constexpr int STOP_CHECK_MS = 20;
    const std::uint64_t deadline = MonotonicUs() + static_cast<std::uint64_t>(std::max(timeoutMs, 0)) * 1000;
    long first = 0;
    while (first == 0 && !(stop && stop->load()) && MsLeft(deadline) > 0)
        first = pipe->Receive(header, 1, std::min(STOP_CHECK_MS, MsLeft(deadline)));
    if (first != 1 || !pipe->ReceiveAll(header + 1, sizeof header - 1, MsLeft(deadline)))
        return false;
    const std::uint32_t length = std::uint32_t(header[1]) | std::uint32_t(header[2]) << 8
        | std::uint32_t(header[3]) << 16 | std::uint32_t(header[4]) << 24;
    if (length > MAX_CONTROL_MESSAGE)
        return false;
    reply.status = header[0];
    reply.text.assign(length, '\0');
    return pipe->ReceiveAll(reply.text.data(), length, timeoutMs);
}

bool EnsureSimulator(const std::string& executable, const std::string& path, int timeoutMs, std::string* problem)
{
    std::string refusal;
    auto reachable = [&] { return platform::LocalPipe::Connect(path, &refusal) != nullptr; };
    if (reachable())
        return true;
    if (!refusal.empty()) {
        // Another user's process has the name; a simulator of ours could not take it.
        if (problem)
            *problem = refusal;
        return false;
    }
    // Not a daemon that forks: the simulator started on its own serves in the foreground.
    // Two started at once are harmless, as only one can take the name.
    if (!platform::StartDetached(executable, {"--socket=" + path}))
        return false;
    const std::uint64_t deadline = MonotonicUs() + static_cast<std::uint64_t>(timeoutMs) * 1000;
    while (MonotonicUs() < deadline) {
        if (reachable())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return reachable();
}

std::string ModuleFolder()
{
    const std::string folder = platform::ModuleFolderOf(reinterpret_cast<const void*>(&ModuleFolder));
    return folder.empty() ? "./" : folder;
}

bool EnsureSimulatorBeside(int timeoutMs, std::string* why)
{
    std::string problem;
    const std::string path = SocketPath(&problem);
    if (!path.empty() && EnsureSimulator(ModuleFolder() + EXECUTABLE_NAME + ".exe", path, timeoutMs, &problem))
        return true;
    if (why)
        *why = problem;
    else if (!problem.empty())
        std::fprintf(stderr, "%s: %s\n", EXECUTABLE_NAME, problem.c_str());
    return false;
}

} // namespace sim
