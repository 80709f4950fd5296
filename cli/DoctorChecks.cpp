#include "cli/DoctorChecks.h"

#include "core/Names.h"
#include "core/TraceText.h"
#include "platform/DynamicLibrary.h"
#include "platform/Paths.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace doctor {

namespace fs = std::filesystem;

namespace {

constexpr const char* UDEV_RULE = "70-vx5h-usb-blaster.rules";
constexpr const char* VENDOR_ID = "09fb";
// How many remote servers are asked at once.
constexpr std::size_t SIDE_BY_SIDE = 64;

std::string FirstLine(const fs::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// What a line shows of text from a program or a file: at most MAX_SHOWN bytes, cut
// between characters, escaped as a transcript's texts are (a cable's name from a remote
// server may hold escape sequences meant for the terminal).
constexpr std::size_t MAX_SHOWN = 200;

std::string Shown(std::string_view text)
{
    std::string shown;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = std::max<std::size_t>(1, names::Utf8Length(text, at));
        const std::string piece = trace::PrintableText(text.substr(at, length));
        if (shown.size() + piece.size() > MAX_SHOWN)
            return shown + "...";
        shown += piece;
        at += length;
    }
    return shown;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view SkipBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

// The JTAG server's error codes in jtagconfig's output, "(85)" to "(89)", each once, in
// the order they first appear.
std::vector<std::string> ServerErrorCodes(std::string_view output)
{
    std::vector<std::string> codes;
    for (std::size_t at = output.find("(8"); at != std::string_view::npos; at = output.find("(8", at + 1)) {
        if (at + 3 >= output.size() || output[at + 2] < '5' || output[at + 2] > '9' || output[at + 3] != ')')
            continue;
        const std::string code(output.substr(at + 1, 2));
        if (std::find(codes.begin(), codes.end(), code) == codes.end())
            codes.push_back(code);
    }
    return codes;
}

// The first cable jtagconfig lists: the rest of the line "1) USB-Blaster [1-1]".
std::string_view FirstCable(std::string_view output)
{
    while (!output.empty()) {
        const std::size_t end = std::min(output.find('\n'), output.size());
        std::string_view line = SkipBlanks(output.substr(0, end));
        output.remove_prefix(std::min(end + 1, output.size()));
        if (line.substr(0, 3) == "1) " && line.size() > 3) {
            line.remove_prefix(3);
            while (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            return line;
        }
    }
    return {};
}

std::size_t FindIgnoringCase(std::string_view text, std::string_view word, std::size_t from)
{
    const auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(std::min(from, text.size())), text.end(),
        word.begin(), word.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
    return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
}

// The hosts of the remote servers in a JTAG configuration: each "Remote..." entry with
// `Host = "name";` before the entry's closing brace.
std::vector<std::string_view> RemoteHostsIn(std::string_view conf)
{
    std::vector<std::string_view> hosts;
    // Each entry is searched once: the next one is looked for after this one's brace.
    for (std::size_t remote = FindIgnoringCase(conf, "remote", 0); remote != std::string_view::npos;) {
        const std::size_t end = conf.find('}', remote);
        const std::string_view entry = conf.substr(remote, end == std::string_view::npos ? end : end - remote);
        remote = end == std::string_view::npos ? end : FindIgnoringCase(conf, "remote", end);
        const std::size_t host = FindIgnoringCase(entry, "host", 0);
        if (host == std::string_view::npos)
            continue;
        std::string_view value = SkipBlanks(entry.substr(host + 4));
        if (value.empty() || value.front() != '=')
            continue;
        value = SkipBlanks(value.substr(1));
        if (!value.empty() && value.front() == '"')
            value.remove_prefix(1);
        std::size_t length = 0;
        while (length < value.size() && value[length] != '"' && value[length] != ';' && !IsBlank(value[length]))
            ++length;
        if (length > 0)
            hosts.push_back(value.substr(0, length));
    }
    return hosts;
}

struct TServerEntry {
    std::string_view entry; // as the configuration has it: "HOST" or "HOST:PORT"
    std::string host;
    std::uint16_t port = 0; // 0: no port number
};

// The server's port is 1309 unless the entry names another.
TServerEntry ServerEntry(std::string_view entry)
{
    const std::size_t colon = entry.rfind(':');
    TServerEntry server{entry, std::string(entry.substr(0, colon)), static_cast<std::uint16_t>(DEFAULT_JTAG_PORT)};
    if (colon != std::string_view::npos) {
        const std::string digits(entry.substr(colon + 1));
        char* end = nullptr;
        const unsigned long port = std::strtoul(digits.c_str(), &end, 10);
        server.port
            = digits.empty() || *end != '\0' || port == 0 || port > 65535 ? 0 : static_cast<std::uint16_t>(port);
    }
    return server;
}

// Whether each server answers, asked SIDE_BY_SIDE at a time, so that the wait is about one
// server's budget however many are configured.
std::vector<char> AskSideBySide(const std::vector<TServerEntry>& servers, const ServerAnswersFn& answers)
{
    std::vector<char> answered(servers.size(), 0);
    if (!answers)
        return answered;
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> askers;
    for (std::size_t k = 0; k < std::min(servers.size(), SIDE_BY_SIDE); ++k)
        askers.emplace_back([&] {
            for (std::size_t i = next++; i < servers.size(); i = next++)
                answered[i] = servers[i].port != 0 && answers(servers[i].host, servers[i].port);
        });
    for (std::thread& asker : askers)
        asker.join();
    return answered;
}

TCheck FileCheck(const fs::path& path, const char* what, const char* fix)
{
    std::error_code ec;
    const bool there = fs::is_regular_file(path, ec);
    return {there, what, there ? path.string() : "missing: " + path.string() + "; " + fix};
}

} // namespace

std::vector<TCheck> CheckProgramFolder(const std::string& folder)
{
    if (folder.empty())
        return {{false, "program folder", platform::PROGRAM_FOLDER_UNKNOWN}};
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
    // A relative root would name programs below whatever folder doctor runs in.
    if (!IsFullRoot(quartusRoot))
        return {{false, "vendor tools",
            "QUARTUS_ROOTDIR is not a full path (" + Shown(quartusRoot)
                + "): the driver libraries ignore it, and nothing is run from it; set it to the installation's folder"}};
    // A folder that is not there, or not the installation's, is no vendor's tools.
    std::error_code ec;
    const std::string root = "QUARTUS_ROOTDIR=" + Shown(quartusRoot);
    if (!fs::is_directory(quartusRoot, ec))
        return {{false, "vendor tools", root + " is no folder: set it to the programmer tools' installation folder"}};
    const bool jtagconfig = fs::is_regular_file(fs::path(quartusRoot) / "bin" / "jtagconfig", ec);
    std::vector<TCheck> checks{{jtagconfig, "vendor tools",
        jtagconfig ? root : root + " holds no bin/jtagconfig: is it the programmer tools' installation folder?"}};
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
        std::string(UDEV_RULE) + " is not where udev reads rules: the .deb puts it there; after `cmake --install` "
            "link PREFIX/lib/udev/rules.d/" + UDEV_RULE + " into /etc/udev/rules.d"};
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
    for (const std::string& code : ServerErrorCodes(output)) {
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
    const std::string_view cable = FirstCable(output);
    if (checks.empty() && !cable.empty())
        checks.push_back({true, "jtagconfig", "cable " + Shown(cable)});
    if (checks.empty())
        checks.push_back({false, "jtagconfig", "lists no cable: " + Shown(output.substr(0, output.find('\n')))});
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

std::vector<TCheck> CheckRemoteServers(const std::string& jtagConf, bool exists, const ServerAnswersFn& answers)
{
    const std::vector<std::string_view> hosts = exists ? RemoteHostsIn(jtagConf) : std::vector<std::string_view>{};
    if (hosts.empty())
        return {{true, "remote JTAG servers", "none configured"}};
    std::vector<TServerEntry> servers;
    for (std::size_t i = 0; i < std::min(hosts.size(), MAX_SERVERS_ASKED); ++i)
        servers.push_back(ServerEntry(hosts[i]));
    const std::vector<char> answered = AskSideBySide(servers, answers);
    std::vector<TCheck> checks;
    for (std::size_t i = 0; i < servers.size(); ++i) {
        const TServerEntry& server = servers[i];
        const std::string name = "remote JTAG server " + Shown(server.entry);
        const std::string port = std::to_string(server.port);
        if (server.port == 0)
            checks.push_back({false, name, "its port is no number from 1 to 65535; add it again with jtagconfig --addserver HOST[:PORT] PASSWORD"});
        else if (answered[i])
            checks.push_back({true, name, "answers on port " + port});
        else
            checks.push_back({false, name,
                "does not answer on port " + port
                    + ": start jtagd there (jtagconfig --enableremote PASSWORD), or its ssh tunnel; every jtagconfig "
                      "call waits for it, so remove it (jtagconfig --remove) unless you need it"});
    }
    if (hosts.size() > MAX_SERVERS_ASKED)
        checks.push_back({false, "remote JTAG servers",
            std::to_string(hosts.size() - MAX_SERVERS_ASKED) + " more not asked; remove those you do not need"});
    return checks;
}

TCheck CheckCableChoice(const std::string& cable)
{
    if (cable.empty())
        return {true, "VX5H_CABLE", "unset: a real cable when the vendor's libraries find one, else the simulator"};
    if (cable == "sim")
        return {true, "VX5H_CABLE", "sim: the simulator"};
    return {true, "VX5H_CABLE", "the cable " + Shown(cable) + ", never the simulator"};
}

bool IsFullRoot(const std::string& quartusRoot) { return !quartusRoot.empty() && quartusRoot.front() == '/'; }

std::string Line(const TCheck& check) { return std::string(check.ok ? "OK    " : "FIX   ") + check.name + ": " + check.detail; }

} // namespace doctor
