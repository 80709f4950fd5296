#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What only Windows can be asked, for vx5h doctor: a value of the machine's registry, the
// services and the USB devices with the drivers bound to them. All of it a user without
// administrator rights may ask. (Windows only: platform/WindowsQueriesWin.cpp.)
namespace platform {

// The text value `value` of HKEY_LOCAL_MACHINE\`key`, read without making anything;
// nothing when the key or the value is missing or holds no text. Windows keeps the
// software keys of 32-bit and of 64-bit programs apart: `otherView` reads the one of the
// other word size than this program's.
std::optional<std::string> MachineRegistryText(
    const std::string& key, const std::string& value, bool otherView = false);

enum class TServiceState {
    Unknown,
    Stopped,
    Starting,
    Stopping,
    Running,
    Paused,
};
// "stopped", "running", ...
const char* ServiceStateName(TServiceState state);

struct TServiceInfo {
    std::string name;        // the service's own (key) name
    std::string displayName; // as the Services list shows it
    std::string command;     // its program's command line, as registered
    TServiceState state = TServiceState::Unknown;
};

// The services whose program is a file named `programFile` (any case). False, with `why`,
// when the service manager could not be asked.
bool ServicesOfProgram(const std::string& programFile, std::vector<TServiceInfo>& found, std::string& why);

// The state of the service (or driver) called `name`; nothing when there is none of that
// name or it may not be asked.
std::optional<TServiceState> ServiceState(const std::string& name);

struct TUsbDeviceInfo {
    std::string instance; // "USB\VID_09FB&PID_6001\..."
    std::uint16_t product = 0;
    std::string service;  // the driver bound to it; empty when none is
    unsigned problem = 0; // the device manager's problem code; 0: working
};

// The USB devices of vendor `vendor` that are plugged in. False, with `why`, when the
// system could not be asked.
bool UsbDevicesOfVendor(std::uint16_t vendor, std::vector<TUsbDeviceInfo>& found, std::string& why);

} // namespace platform
