#pragma once

#include "cli/DoctorChecks.h"
#include "platform/WindowsQueries.h"

#include <optional>
#include <string>
#include <vector>

// What vx5h doctor checks on Windows, where what goes wrong is the registry entry of the
// vendor's tools, the cable's driver and the JTAG server's service. Each check is a plain
// function of what it is given (and of the files it names), so that each can be tried
// against stand-ins; DoctorSystem.h's SystemChecks asks this PC.
namespace doctor {

// Where the vendor's installer records its folder.
constexpr const char* TOOLS_KEY = "SOFTWARE\\Altera Corporation\\Quartus";
constexpr const char* TOOLS_VALUE = "Quartus Install Directory";

// Our two driver libraries beside the program, each of the program's own word size, the
// FPGA image and the simulator.
std::vector<TCheck> CheckWindowsProgramFolder(const std::string& folder);

// The vendor's tools as the registry names them (`root`: the value; nothing when there is
// none): the folder, its bin64 (bin for a 32-bit program, `programBits`), and in it the
// two client libraries, of the program's word size, and the programmer. Where the
// program's own registry names none, `otherRoot` is the value programs of the other word
// size see: tools of that word size, which this program cannot use.
std::vector<TCheck> CheckToolsFromRegistry(const std::optional<std::string>& root, int programBits,
    const std::optional<std::string>& otherRoot = std::nullopt);

// A USB-Blaster plugged in, and the state of the driver bound to it (nothing when it has
// none, or its state may not be asked).
struct TCable {
    platform::TUsbDeviceInfo device;
    std::optional<platform::TServiceState> driver;
};
// Whether Windows has a driver bound to each cable (`asked` false, with `why`, when Windows
// could not be asked). `toolsRoot` (may be empty) is where the tools keep the drivers.
std::vector<TCheck> CheckCableDrivers(
    const std::vector<TCable>& cables, bool asked, const std::string& why, const std::string& toolsRoot);

// The vendor's JTAG server: installed as a service (each one whose program is
// jtagserver.exe), running, and the one of the tools the registry names.
constexpr const char* JTAG_SERVER_PROGRAM = "jtagserver.exe";
std::vector<TCheck> CheckJtagServer(const std::vector<platform::TServiceInfo>& services, bool asked,
    const std::string& why, const std::string& toolsRoot);

} // namespace doctor
