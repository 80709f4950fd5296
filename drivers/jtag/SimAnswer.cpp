#include "drivers/jtag/SimLink.h"

#include "sim/Endpoint.h"

namespace drivers {

Failure SimulatorRefusal(char answer, const std::string& holder)
{
    switch (answer) {
    case sim::JTAG_REFUSED:
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

} // namespace drivers
