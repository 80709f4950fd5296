// vx5h doctor on Windows: the program folder, the vendor's tools through the registry, the
// cable's driver and the JTAG server's service.
#include "cli/DoctorWindows.h"

#include "cli/DoctorSystem.h"
#include "platform/LibraryKind.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace doctor {

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t VENDOR_ID = 0x09fb;
constexpr std::uint16_t BLASTER_II = 0x6010;
constexpr std::uint16_t BLASTER_II_NO_FIRMWARE = 0x6810;
// The device manager's problem codes for a device without a working driver.
constexpr unsigned PROBLEM_NOT_CONFIGURED = 1;
constexpr unsigned PROBLEM_FAILED_INSTALL = 28;

bool IsFolder(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(fs::path(std::u8string(path.begin(), path.end())), ec);
}

// "C:\..." or "\\server\share\...": one folder whatever the current one.
bool IsFullWindowsPath(const std::string& path)
{
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':'
        && (path[2] == '\\' || path[2] == '/');
    const bool unc = path.size() >= 3 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    return drive || unc;
}

std::string Joined(std::string folder, const std::string& name)
{
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder + "\\" + name;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// A library of ours or the vendor's: there, a Windows library, and of the program's word size.
TCheck LibraryCheck(const std::string& path, const char* what, const std::string& fix)
{
    if (!platform::FileExists(path))
        return {false, what, "missing: " + path + "; " + fix};
    const std::string mismatch = platform::LibraryMismatch(path);
    if (!mismatch.empty())
        return {false, what,
            path + ": " + mismatch + " " + static_cast<char>(std::toupper(static_cast<unsigned char>(fix[0])))
                + fix.substr(1) + "."};
    return {true, what, path + " (" + std::to_string(platform::ProgramMachine().bits) + "-bit, as this program)"};
}

TCheck FileCheck(const std::string& path, const char* what, const char* fix)
{
    const bool there = platform::FileExists(path);
    return {there, what, there ? path : "missing: " + path + "; " + fix};
}

// The tools' folder of programs for this word size, and the one a 32-bit program cannot use.
std::string BinFolder(int bits) { return bits == 64 ? "bin64" : "bin"; }

std::string DriverFolder(std::uint16_t product, const std::string& toolsRoot)
{
    const char* folder = product == BLASTER_II || product == BLASTER_II_NO_FIRMWARE ? "usb-blaster-ii" : "usb-blaster";
    return toolsRoot.empty() ? std::string("the drivers folder of the vendor's tools (install them first)")
                             : Joined(Joined(toolsRoot, "drivers"), folder);
}

TCheck CableCheck(const TCable& cable, const std::string& toolsRoot)
{
    const platform::TUsbDeviceInfo& device = cable.device;
    char id[16];
    std::snprintf(id, sizeof id, "09fb:%04x", device.product);
    const std::string name = std::string("USB cable ") + id;
    if (device.service.empty() || device.problem == PROBLEM_FAILED_INSTALL || device.problem == PROBLEM_NOT_CONFIGURED)
        return {false, name,
            "Windows has no driver for it (" + Shown(device.instance)
                + "): in Device Manager, right-click the USB-Blaster (under Other devices), Update driver, Browse my "
                  "computer for drivers, and choose "
                + DriverFolder(device.product, toolsRoot) + " (an administrator's task)"};
    if (device.problem != 0)
        return {false, name,
            "Windows reports problem code " + std::to_string(device.problem) + " for it (" + Shown(device.instance)
                + "): unplug it and plug it in again; if that stays, install its driver again from "
                + DriverFolder(device.product, toolsRoot)};
    if (device.product == BLASTER_II_NO_FIRMWARE)
        return {false, name,
            "a USB-Blaster II without its firmware yet: the vendor's JTAG server loads it; start the server"};
    if (cable.driver && *cable.driver != platform::TServiceState::Running)
        return {false, name,
            "its driver " + Shown(device.service) + " is " + platform::ServiceStateName(*cable.driver)
                + ": unplug the cable and plug it in again"};
    return {true, name, "driver " + Shown(device.service) + (cable.driver ? " (running)" : "")};
}

TCheck ServerCheck(const platform::TServiceInfo& service, const std::string& toolsRoot)
{
    const std::string name = "JTAG server";
    const std::string shownName = "the service \"" + Shown(service.displayName) + "\"";
    if (service.state != platform::TServiceState::Running)
        return {false, name,
            shownName + " is installed but " + platform::ServiceStateName(service.state)
                + ": start it in Services (services.msc), or run \"sc start " + Shown(service.name)
                + "\" in a command prompt run as administrator"};
    if (!toolsRoot.empty() && Lower(service.command).find(Lower(Joined(toolsRoot, ""))) == std::string::npos)
        return {false, name,
            shownName + " runs " + Shown(service.command) + ", not the JTAG server of the tools the registry names ("
                + Shown(toolsRoot)
                + "): another version may not find the cable; in a command prompt run as administrator, run "
                  "\"jtagserver --uninstall\" from that one's folder, then \"jtagserver --install\" from the tools' "
                  "bin64 folder"};
    return {true, name, shownName + " runs " + Shown(service.command)};
}

} // namespace

std::vector<TCheck> CheckWindowsProgramFolder(const std::string& folder)
{
    if (folder.empty())
        return {{false, "program folder", platform::PROGRAM_FOLDER_UNKNOWN}};
    const std::string ours = "install the program again, or put the board maker's library there";
    return {LibraryCheck(folder + "QELVANO_JTAG.DLL", "JTAG library", ours),
        LibraryCheck(folder + "QELVANO_DOWNLOAD.DLL", "download library", ours),
        FileCheck(folder + "VX5h_260_ControlPanel.sof", "FPGA image", "install the program again"),
        FileCheck(folder + "vx5h-board-sim.exe", "simulator", "without it only a real board can answer")};
}

std::vector<TCheck> CheckToolsFromRegistry(
    const std::optional<std::string>& root, int programBits, const std::optional<std::string>& otherRoot)
{
    const char* name = "vendor tools";
    const std::string where = std::string("\"") + TOOLS_VALUE + "\" under HKEY_LOCAL_MACHINE\\" + TOOLS_KEY;
    const int otherBits = programBits == 64 ? 32 : 64;
    if ((!root || root->empty()) && otherRoot && !otherRoot->empty())
        return {{false, name,
            "the registry names the tools only where " + std::to_string(otherBits) + "-bit programs look ("
                + Shown(*otherRoot) + ", " + where + "): this " + std::to_string(programBits)
                + "-bit program and its libraries do not see them; use the " + std::to_string(otherBits)
                + "-bit program (VX5h_260_ControlPanel-*-win" + std::to_string(otherBits)
                + "), or install the tools again for " + std::to_string(programBits) + "-bit programs"}};
    if (!root || root->empty())
        return {{false, name,
            "the registry names none (" + where
                + "): a real board needs the vendor's programmer tools; install them (the simulator needs none)"}};
    if (!IsFullWindowsPath(*root))
        return {{false, name,
            "the registry's " + where + " is not a full path (" + Shown(*root)
                + "): nothing is loaded or run from it; install the tools again"}};
    if (platform::FileExists(*root))
        return {{false, name,
            "the registry names " + Shown(*root) + " (" + where
                + "), which is a file, not the tools' folder: install the tools again"}};
    if (!IsFolder(*root))
        return {{false, name,
            "the registry names " + Shown(*root) + " (" + where
                + "), which is not there: the tools were moved or removed; install them again"}};
    std::vector<TCheck> checks{{true, name, Shown(*root) + " (from the registry)"}};
    const std::string bin = Joined(*root, BinFolder(programBits));
    if (!IsFolder(bin)) {
        const bool only64 = programBits == 32 && IsFolder(Joined(*root, BinFolder(64)));
        checks.push_back({false, "vendor tools' " + BinFolder(programBits),
            "missing: " + bin
                + (only64 ? "; these tools are 64-bit only, and this 32-bit program cannot load their libraries: use "
                            "the 64-bit program (VX5h_260_ControlPanel-*-win64)"
                          : "; this " + std::to_string(programBits) + "-bit program uses the tools' "
                            + std::to_string(programBits) + "-bit programs there: install the tools again")});
        return checks;
    }
    const std::string again = "install the vendor's programmer tools again";
    checks.push_back(LibraryCheck(Joined(bin, "jtag_client.dll"), "jtag_client.dll", again));
    checks.push_back(LibraryCheck(Joined(bin, "jtag_atlantic.dll"), "jtag_atlantic.dll", again));
    checks.push_back(FileCheck(Joined(bin, "quartus_pgm.exe"), "quartus_pgm.exe",
        "the FPGA cannot be configured; install the vendor's programmer tools again"));
    return checks;
}

std::vector<TCheck> CheckCableDrivers(
    const std::vector<TCable>& cables, bool asked, const std::string& why, const std::string& toolsRoot)
{
    if (!asked)
        return {{false, "USB cable", "Windows did not say which USB devices there are (" + Shown(why) + ")"}};
    if (cables.empty())
        return {{false, "USB cable", "no USB-Blaster is plugged in (fine for the simulator)"}};
    std::vector<TCheck> checks;
    for (const TCable& cable : cables)
        checks.push_back(CableCheck(cable, toolsRoot));
    return checks;
}

std::vector<TCheck> CheckJtagServer(const std::vector<platform::TServiceInfo>& services, bool asked,
    const std::string& why, const std::string& toolsRoot)
{
    if (!asked)
        return {{false, "JTAG server", "the service manager could not be asked (" + Shown(why) + ")"}};
    if (services.empty() && toolsRoot.empty())
        return {{false, "JTAG server", "not installed: it comes with the vendor's tools (the simulator needs none)"}};
    if (services.empty()) {
        const std::string bin = IsFolder(Joined(toolsRoot, "bin64")) ? "bin64" : "bin";
        return {{false, "JTAG server",
            "the vendor's JTAG server is not installed as a service: in a command prompt run as administrator, run \""
                + Joined(Joined(toolsRoot, bin), JTAG_SERVER_PROGRAM) + "\" --install"}};
    }
    std::vector<TCheck> checks;
    for (const platform::TServiceInfo& service : services)
        checks.push_back(ServerCheck(service, toolsRoot));
    return checks;
}

bool SystemChecks(const std::function<void(const TCheck&)>& add)
{
    const auto report = [&add](const std::vector<TCheck>& checks) {
        for (const TCheck& check : checks)
            add(check);
    };
    report(CheckWindowsProgramFolder(platform::ExecutableFolder()));
    const std::optional<std::string> root = platform::MachineRegistryText(TOOLS_KEY, TOOLS_VALUE);
    const std::optional<std::string> otherRoot
        = root ? std::nullopt : platform::MachineRegistryText(TOOLS_KEY, TOOLS_VALUE, true);
    const std::vector<TCheck> tools = CheckToolsFromRegistry(root, platform::ProgramMachine().bits, otherRoot);
    report(tools);
    // Where the drivers and the server come from, once the registry names a folder that is there.
    const std::string toolsRoot = tools.front().ok ? *root : std::string();

    std::vector<platform::TUsbDeviceInfo> devices;
    std::string why;
    const bool askedUsb = platform::UsbDevicesOfVendor(VENDOR_ID, devices, why);
    std::vector<TCable> cables;
    for (const platform::TUsbDeviceInfo& device : devices)
        cables.push_back({device, device.service.empty() ? std::nullopt : platform::ServiceState(device.service)});
    report(CheckCableDrivers(cables, askedUsb, why, toolsRoot));

    std::vector<platform::TServiceInfo> servers;
    const bool askedServices = platform::ServicesOfProgram(JTAG_SERVER_PROGRAM, servers, why);
    report(CheckJtagServer(servers, askedServices, why, toolsRoot));
    return true;
}

} // namespace doctor
