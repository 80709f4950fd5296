#pragma once

#include "drivers/common/LinkError.h"

#include <functional>
#include <string>

namespace drivers {

class VendorLibrary;

// Which board the user asked for: VX5H_CABLE is "sim" (the simulator's first board),
// "sim-k" (its board k, when it serves a lab), a cable name as the vendor's jtagconfig
// lists it ("USB-Blaster [1-1]") or its index ("1"), or unset or empty (automatic).
constexpr const char* CABLE_ENV = "VX5H_CABLE";
constexpr const char* SIMULATOR_CABLE = "sim";

struct CableRequest {
    enum class Kind {
        Automatic,
        Simulator,
        Named
    } kind = Kind::Automatic;
    std::string name;  // for Named
    int simBoard = 1;  // for Simulator: which board of the simulator's lab
};

// The cable name the program passes when it passes one, else the user's VX5H_CABLE. A
// program with several boards names each one's cable at its open, so that the
// process-wide variable never has to change under another thread's open.
CableRequest RequestedCable(const char* programCable);

enum class Way {
    Simulator,
    Vendor,
    None
};
struct Choice {
    Way way = Way::None;
    Failure failure; // why, for Way::None
};

// Tries the vendor's way to the named cable (empty: the vendor's library chooses);
// returns why it failed, or no failure.
using VendorAttempt = std::function<Failure(VendorLibrary& vendor, const std::string& cable)>;

// The one rule both driver libraries follow. The simulator when asked for it. A named
// cable only through the vendor's libraries: never silently the simulator. Automatic:
// the vendor's way when its libraries load (`vendor`, else `whyNoVendor`) and find a
// cable; only when they do not load or find no cable at all, the simulator. A cable
// whose FPGA holds no JTAG UART yet is the real board, so that failure stands.
Choice ChooseBoard(
    const CableRequest& request, VendorLibrary* vendor, const std::string& whyNoVendor, const VendorAttempt& attempt);

} // namespace drivers
