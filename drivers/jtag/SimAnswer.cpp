#include "drivers/jtag/SimLink.h"

#include "sim/Endpoint.h"

namespace drivers {

Failure SimulatorRefusal(char answer)
{
    switch (answer) {
    case sim::JTAG_REFUSED:
        return {LinkError::InUse, "The board is in use by another program: the simulated cable is taken"};
    case sim::JTAG_UNPLUGGED:
        return {LinkError::NoCable, "The simulated board's cable is unplugged"};
    case sim::JTAG_NO_UART:
        return {LinkError::NoJtagUart, "The simulated board's FPGA is not configured: no JTAG UART"};
    default:
        return {LinkError::ServerUnreachable, "The board simulator does not answer"};
    }
}

} // namespace drivers
