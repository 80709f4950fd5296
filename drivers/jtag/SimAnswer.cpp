#include "drivers/jtag/SimLink.h"

#include "platform/Process.h"
#include "sim/Endpoint.h"
#include "sim/Lab.h"

#include <algorithm>

namespace drivers {

namespace {

constexpr int LAB_QUERY_TIMEOUT_MS = 1000;

} // namespace

Failure SimulatorRefusal(char answer, const std::string& holder)
{
    switch (answer) {
    case sim::JTAG_REFUSED:
        // The simulator names the holder by its program and process id: it may be us.
        if (holder.ends_with(" (pid " + std::to_string(platform::CurrentProcessId()) + ")"))
            return OpenInThisProgram();
        return {LinkError::InUse,
            "The board is in use by another program: " + (holder.empty() ? "the simulated cable is taken" : holder)};
    case sim::JTAG_UNPLUGGED:
        return {LinkError::NoCable, "The simulated board's cable is unplugged"};
    case sim::JTAG_NO_UART:
        return {LinkError::NoJtagUart, "The simulated board's FPGA is not configured: no JTAG UART"};
    default:
        return {LinkError::ServerUnreachable, "The board simulator does not answer (is it stopped?)"};
    }
}

Failure NoSuchBoard(int board)
{
    sim::ControlReply reply;
    const bool answered = sim::SendControl(sim::SocketPath(), {"boards"}, reply, LAB_QUERY_TIMEOUT_MS);
    const auto count = answered ? std::count(reply.text.begin(), reply.text.end(), '\n') : 1;
    return {LinkError::NoCable,
        "There is no simulated board " + sim::BoardName(board) + ": the simulator serves "
            + (count > 1 ? "sim to " + sim::BoardName(static_cast<int>(count)) : std::string("sim alone"))
            + " (vx5h-board-sim --daemon --boards N starts a lab of N)"};
}

} // namespace drivers
