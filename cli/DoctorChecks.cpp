#include "cli/DoctorChecks.h"

#include "platform/DynamicLibrary.h"
#include "platform/Paths.h"

#include <filesystem>
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <regex>

namespace doctor {

namespace fs = std::filesystem;

namespace {

constexpr const char* UDEV_RULE = "70-vx5h-usb-blaster.rules";
constexpr const char* VENDOR_ID = "09fb";

std::string FirstLine(const fs::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

TCheck FileCheck(const fs::path& path, const char* what, const char* fix)
{
    std::error_code ec;
    const bool there = fs::is_regular_file(path, ec);
    return {there, what, there ? path.string() : "missing: " + path.string() + "; " + fix};
}

} // namespace

std::vector<TCheck> CheckProgramFolder(const std::string& folder)
{
    const char* rebuild = "build or install vx5h again";
    return {FileCheck(fs::path(folder) / "QELVANO_JTAG.DLL", "JTAG library", rebuild),
        FileCheck(fs::path(folder) / "QELVANO_DOWNLOAD.DLL", "download library", rebuild),
        FileCheck(fs::path(folder) / "VX5h_260_ControlPanel.sof", "FPGA image", rebuild),
        FileCheck(fs::path(folder) / "vx5h-board-sim", "simulator", "without it only a real board can answer")};
}

std::vector<TCheck> CheckVendorTools(const std::string& quartusRoot)
{
    if (quartusRoot.empty())
        return {{false, "vendor tools",
            "QUARTUS_ROOTDIR is not set: a real board needs the vendor's programmer tools (the simulator does not)"}};
    std::vector<TCheck> checks{{true, "vendor tools", "QUARTUS_ROOTDIR=" + quartusRoot}};
    // The UART library finds the client library's names among those already loaded, as
    // the JTAG server's clients load them: client first, kept while the other loads.
    std::vector<std::unique_ptr<platform::DynamicLibrary>> loaded;
    for (const char* name : {"libjtag_client.so", "libjtag_atlantic.so"}) {
        const fs::path path = fs::path(quartusRoot) / "linux64" / name;
        std::string error;
        if (fs::exists(path))
            loaded.push_back(platform::DynamicLibrary::Load(path.string(), &error, true));
        const bool loads = fs::exists(path) && loaded.back();
        checks.push_back({loads, name,
            loads ? path.string()
                  : (fs::exists(path) ? "cannot be loaded (" + error + "); reinstall the programmer tools"
                                      : "missing: " + path.string() + "; is QUARTUS_ROOTDIR the installation's folder?")});
    }
    return checks;
}

std::vector<TCheck> CheckUsbCables(const std::string& sysfsDevices, const std::string& devRoot)
{
    std::vector<TCheck> checks;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysfsDevices, ec)) {
        if (FirstLine(entry.path() / "idVendor") != VENDOR_ID)
            continue;
        const std::string product = FirstLine(entry.path() / "idProduct");
        const std::string where = entry.path().filename().string() + " (09fb:" + product + ")";
        if (product == "6810") {
            checks.push_back({false, "USB cable " + where,
                "a USB-Blaster II without its firmware: the JTAG server loads it; start it with jtagconfig"});
            continue;
        }
        char node[64];
        std::snprintf(node, sizeof node, "%03d/%03d", std::atoi(FirstLine(entry.path() / "busnum").c_str()),
            std::atoi(FirstLine(entry.path() / "devnum").c_str()));
        const fs::path device = fs::path(devRoot) / node;
        const bool usable = platform::CanReadAndWrite(device.string());
        checks.push_back({usable, "USB cable " + where,
            usable ? device.string() + " readable and writable"
                   : device.string() + " is not readable and writable by you: install the udev rule " + UDEV_RULE
                    + " and plug the cable in again"});
    }
    if (checks.empty())
        checks.push_back({false, "USB cable", "no cable of vendor 09fb is plugged in (fine for the simulator)"});
    return checks;
}

TCheck CheckUdevRule(const std::vector<std::string>& ruleFolders)
{
    for (const std::string& folder : ruleFolders) {
        std::error_code ec;
        if (fs::exists(fs::path(folder) / UDEV_RULE, ec))
            return {true, "udev rule", (fs::path(folder) / UDEV_RULE).string()};
    }
    return {false, "udev rule",
        std::string(UDEV_RULE) + " is not installed: `sudo cmake --install build` puts it into /etc/udev/rules.d"};
}

std::vector<TCheck> ReadJtagconfig(const std::string& output, bool ran)
{
    if (!ran)
        return {{false, "jtagconfig", "could not be run (or did not end in time); is the vendor's bin folder there?"}};
    std::vector<TCheck> checks;
    if (Has(output, "No JTAG hardware available"))
        checks.push_back({false, "jtagconfig", "no cable: plug the board's USB cable in and power the board"});
    if (Has(output, "Insufficient port permissions"))
        checks.push_back({false, "jtagconfig",
            "the cable shows as \"variant\" and cannot be locked: install the udev rule and plug it in again"});
    const std::regex serverError(R"(\((8[5-9])\))");
    for (std::sregex_iterator it(output.begin(), output.end(), serverError), end; it != end; ++it) {
        const std::string code = (*it)[1];
        if (code == "88")
            continue;
        checks.push_back({false, "jtagconfig",
            "the JTAG server reports error " + code
                + ": it cannot reach the cable; stop it (jtagconfig --stop or killall jtagd), re-plug the cable and run "
                  "jtagconfig again"});
    }
    if (Has(output, "1309") && (Has(output, "bind") || Has(output, "in use")))
        checks.push_back({false, "JTAG server",
            "cannot bind its port 1309: another user's or another version's server holds it; stop that one"});
    if (Has(output, "libudev.so.0"))
        checks.push_back({false, "JTAG server",
            "started without libudev (libudev.so.0 not found): a cable plugged in later stays invisible until the "
            "server restarts; provide libudev.so.0 and restart it"});
    const std::regex cableLine(R"(^\s*1\) (.+)$)", std::regex::multiline);
    std::smatch cable;
    if (checks.empty() && std::regex_search(output, cable, cableLine))
        checks.push_back({true, "jtagconfig", "cable " + cable[1].str()});
    if (checks.empty())
        checks.push_back({false, "jtagconfig", "lists no cable: " + output.substr(0, output.find('\n'))});
    return checks;
}

TCheck ReadJtagconfigNodes(const std::string& output, bool ran)
{
    if (!ran)
        return {false, "JTAG UART", "jtagconfig -n could not be run"};
    if (Has(output, "JTAG UART"))
        return {true, "JTAG UART", "the FPGA holds a design with a JTAG UART"};
    return {false, "JTAG UART", "the FPGA holds no design with a JTAG UART: `vx5h configure` loads the panel's"};
}

TCheck CheckRemoteServers(const std::string& jtagConf, bool exists)
{
    const std::regex remote(R"(Remote\w*\s*\{?[^}]*Host\s*=\s*"?([^";\s]+))", std::regex::icase);
    std::smatch host;
    if (exists && std::regex_search(jtagConf, host, remote))
        return {false, "remote JTAG servers",
            "~/.jtag.conf names the remote server " + host[1].str()
                + ", which every call waits for; remove it (jtagconfig --remove) unless you need it"};
    return {true, "remote JTAG servers", "none configured"};
}

TCheck CheckCableChoice(const std::string& cable)
{
    if (cable.empty())
        return {true, "VX5H_CABLE", "unset: a real cable when the vendor's libraries find one, else the simulator"};
    if (cable == "sim")
        return {true, "VX5H_CABLE", "sim: the simulator"};
    return {true, "VX5H_CABLE", "the cable " + cable + ", never the simulator"};
}

std::string Line(const TCheck& check) { return std::string(check.ok ? "OK    " : "FIX   ") + check.name + ": " + check.detail; }

} // namespace doctor
