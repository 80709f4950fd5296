// vx5h doctor: what a user checks when nothing connects, each line OK or what to do.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/DoctorChecks.h"
#include "core/MemoryTransfer.h"
#include "platform/Console.h"
#include "platform/Paths.h"
#include "platform/Tick.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace cli {

namespace {

constexpr std::uint32_t JTAGCONFIG_BUDGET_MS = 15000;
constexpr int PINGS = 21;
constexpr std::uint32_t THROUGHPUT_BYTES = 1u << 20;

// Where the system keeps what doctor reads; tests point it at stand-ins.
std::string Place(const char* variable, const char* standard)
{
    const char* value = std::getenv(variable);
    return value && *value ? value : standard;
}

std::string Environment(const char* variable)
{
    const char* value = std::getenv(variable);
    return value ? value : "";
}

void Append(std::vector<doctor::TCheck>& checks, const std::vector<doctor::TCheck>& more)
{
    checks.insert(checks.end(), more.begin(), more.end());
}

void VendorChecks(std::vector<doctor::TCheck>& checks, const std::string& quartusRoot)
{
    Append(checks, doctor::CheckVendorTools(quartusRoot));
    if (quartusRoot.empty())
        return;
    const std::string jtagconfig = quartusRoot + "/bin/jtagconfig";
    std::string output;
    int code = 0;
    const bool ran = platform::RunProgram(jtagconfig, {}, JTAGCONFIG_BUDGET_MS, output, code);
    Append(checks, doctor::ReadJtagconfig(output, ran));
    std::string nodes;
    checks.push_back(doctor::ReadJtagconfigNodes(nodes, platform::RunProgram(jtagconfig, {"-n"}, JTAGCONFIG_BUDGET_MS, nodes, code)));
    const std::string conf = Environment("HOME") + "/.jtag.conf";
    std::ifstream in(conf);
    std::stringstream text;
    text << in.rdbuf();
    checks.push_back(doctor::CheckRemoteServers(text.str(), in.is_open()));
}

// The link once a board answers: the round trip of a ping and the read throughput.
void BoardChecks(std::vector<doctor::TCheck>& checks, TContext& context)
{
    context.options.noConfigure = true;
    try {
        TBoard& board = context.Board();
        std::vector<double> trips;
        for (int i = 0; i < PINGS; ++i) {
            const auto start = std::chrono::steady_clock::now();
            context.Check(board.Ping(), "ping");
            trips.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(trips.begin(), trips.end());
        std::vector<std::uint8_t> bytes(THROUGHPUT_BYTES);
        const auto start = std::chrono::steady_clock::now();
        context.Check(board.MemoryRead(protocol::MEM_SDRAM, 0, THROUGHPUT_BYTES, bytes.data()), "SDRAM read");
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char text[160];
        std::snprintf(text, sizeof text, "%s answers; round trip %.2f ms (median of %d), read %.1f MB/s",
            board.LinkDescription().c_str(), trips[trips.size() / 2], PINGS, THROUGHPUT_BYTES / 1048576.0 / seconds);
        checks.push_back({true, "board", text});
    } catch (const TFailure& failure) {
        checks.push_back({false, "board", failure.message});
    }
}

int RunDoctor(TContext& context)
{
    std::vector<doctor::TCheck> checks;
    Append(checks, doctor::CheckProgramFolder(platform::ExecutableFolder()));
    Append(checks, doctor::CheckUsbCables(Place("VX5H_DOCTOR_SYSFS", "/sys/bus/usb/devices"),
                       Place("VX5H_DOCTOR_DEV", "/dev/bus/usb")));
    checks.push_back(doctor::CheckUdevRule({Place("VX5H_DOCTOR_UDEV", "/etc/udev/rules.d"), "/usr/lib/udev/rules.d"}));
    VendorChecks(checks, Environment("QUARTUS_ROOTDIR"));
    checks.push_back(doctor::CheckCableChoice(connection::ChosenCable(context.options.cable)));
    BoardChecks(checks, context);
    for (const doctor::TCheck& check : checks)
        std::printf("%s\n", doctor::Line(check).c_str());
    return checks.back().ok ? exitcode::OK : exitcode::LINK;
}

} // namespace

void AddDoctorCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("doctor", "What to check when nothing connects: each line OK or what to do; "
                                                 "exit 0 when a board answers");
    command->callback([&context] {
        const int code = RunDoctor(context);
        if (code != exitcode::OK)
            Fail(code, "doctor: no board answers; see the lines marked FIX");
    });
}

} // namespace cli
