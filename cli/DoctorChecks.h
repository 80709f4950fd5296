#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What `vx5h doctor` checks when nothing connects, each check a plain function of what
// it reads (folders, sysfs, the vendor's jtagconfig output), so that each can be tried
// against a stand-in.
namespace doctor {

struct TCheck {
    bool ok = false;
    std::string name;
    std::string detail; // what was found, or what to do
};

// The program folder holds both driver libraries, the FPGA image and the simulator.
std::vector<TCheck> CheckProgramFolder(const std::string& folder);

// The vendor's tools: QUARTUS_ROOTDIR set (empty: not installed) to a full path, and its
// client libraries present and loadable.
std::vector<TCheck> CheckVendorTools(const std::string& quartusRoot);

// USB cables of vendor 09fb under `sysfsDevices` (/sys/bus/usb/devices), each readable
// and writable through `devRoot` (/dev/bus/usb) by this user; a USB-Blaster II seen as
// 6810 has no firmware yet.
std::vector<TCheck> CheckUsbCables(const std::string& sysfsDevices, const std::string& devRoot);

// The udev rule 70-vx5h-usb-blaster.rules in one of `ruleFolders`.
TCheck CheckUdevRule(const std::vector<std::string>& ruleFolders);

// QUARTUS_ROOTDIR names a folder whatever the current one is: the only kind from which
// anything is loaded or run, as the driver libraries hold it.
bool IsFullRoot(const std::string& quartusRoot);

// What these read comes from other programs and the user's files, of any length; the
// lines they make show at most a couple of hundred characters of it.
// jtagconfig's output read as a person would.
std::vector<TCheck> ReadJtagconfig(const std::string& output, bool ran);
// jtagconfig -n: a JTAG UART node inside the FPGA.
TCheck ReadJtagconfigNodes(const std::string& output, bool ran);
// Each remote JTAG server in the user's JTAG configuration, and whether `answers` finds
// it answering on its port (1309 unless the entry says HOST:PORT). The servers are asked
// side by side, `answers` on several threads at once.
using ServerAnswersFn = std::function<bool(const std::string& host, std::uint16_t port)>;
constexpr unsigned long DEFAULT_JTAG_PORT = 1309;
// More than a lab's worth; a configuration naming more is cut short.
constexpr std::size_t MAX_SERVERS_ASKED = 256;
std::vector<TCheck> CheckRemoteServers(const std::string& jtagConf, bool exists, const ServerAnswersFn& answers);

// Which board VX5H_CABLE selects.
TCheck CheckCableChoice(const std::string& cable);

// What a line shows of a value from outside (a variable, a registry value, a program's
// output): at most MAX_SHOWN bytes of it, cut between two characters, then "...".
constexpr std::size_t MAX_SHOWN = 200;
std::string Shown(std::string_view text);

// "OK    name: detail" or "FIX   name: detail", each control character, each byte that is
// no part of a UTF-8 character and each mark that turns the writing around shown as \xHH.
std::string Line(const TCheck& check);

} // namespace doctor
