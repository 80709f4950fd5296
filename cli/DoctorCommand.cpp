// vx5h doctor: what a user checks when nothing connects, each line OK or what to do.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/DoctorChecks.h"
#include "cli/DoctorSystem.h"
#include "cli/JsonText.h"
#include "core/MemoryTransfer.h"
#include "core/TraceText.h"
#include "platform/Network.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Tick.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <vector>

namespace cli {

namespace {

// What jtagconfig (run twice) may take altogether; tests shorten it.
constexpr std::uint32_t JTAGCONFIG_BUDGET_MS = 15000;
constexpr const char* JTAGCONFIG_BUDGET_ENV = "VX5H_DOCTOR_JTAGCONFIG_MS";
constexpr int PINGS = 21;
constexpr std::uint32_t THROUGHPUT_BYTES = 1u << 20;
// More of ~/.jtag.conf than anybody writes by hand.
constexpr std::size_t JTAG_CONF_READ = 64 * 1024;
// A JTAG server answers a connection at once, or it is not there.
constexpr std::uint32_t SERVER_BUDGET_MS = 2000;

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

std::uint32_t JtagconfigBudgetMs()
{
    const char* text = std::getenv(JTAGCONFIG_BUDGET_ENV);
    const long ms = text ? std::atol(text) : 0;
    return ms > 0 ? static_cast<std::uint32_t>(ms) : JTAGCONFIG_BUDGET_MS;
}

// Each check is printed as soon as it is made, so that whatever happens later, nothing
// found so far is lost. As JSON the checks make one object, printed once all are made.
class TReport {
public:
    explicit TReport(bool json)
        : m_Json(json)
    { }
    void Add(const doctor::TCheck& check)
    {
        m_LastOk = check.ok;
        if (m_Json) {
            m_Checks.push_back({{"name", check.name}, {"ok", check.ok}, {"detail", check.detail}});
            return;
        }
        std::printf("%s\n", doctor::Line(check).c_str());
        std::fflush(stdout);
    }
    void Add(const std::vector<doctor::TCheck>& checks)
    {
        for (const doctor::TCheck& check : checks)
            Add(check);
    }
    bool LastOk() const { return m_LastOk; }
    void Finish() const
    {
        if (m_Json)
            std::printf("%s\n", JsonText({{"checks", m_Checks}, {"board_answers", m_LastOk}}).c_str());
    }

private:
    bool m_Json;
    nlohmann::json m_Checks = nlohmann::json::array();
    bool m_LastOk = false;
};

// The vendor's client keeps the servers added with jtagconfig --addserver in the user's
// home folder, under either of these names depending on its version.
std::string ReadJtagConf(bool& exists)
{
    exists = false;
    std::string all;
    for (const char* name : {"/.jtag.conf", "/.jtagd.conf"}) {
        // Only a regular file: opening a FIFO put there would wait for a writer.
        const std::string path = Environment("HOME") + name;
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            continue;
        exists = true;
        std::ifstream in(path, std::ios::binary);
        std::string text(JTAG_CONF_READ, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
        all += text + "\n";
    }
    return all;
}

void VendorChecks(TReport& report, const std::string& quartusRoot)
{
    report.Add(doctor::CheckVendorTools(quartusRoot));
    if (!doctor::IsFullRoot(quartusRoot))
        return;
    const std::string jtagconfig = quartusRoot + "/bin/jtagconfig";
    const std::uint32_t budget = JtagconfigBudgetMs();
    const std::uint32_t start = platform::TickCount();
    const platform::TProgramRun cables = platform::RunProgram({jtagconfig}, budget);
    const bool ran = cables.end == platform::TProgramRun::TEnd::Exited;
    report.Add(doctor::ReadJtagconfig(cables.output, ran));
    // One that did not end in time would not do better with -n; the budget is for both.
    const std::uint32_t left = budget - std::min(budget, platform::TicksSince(start));
    const platform::TProgramRun nodes
        = ran && left > 0 ? platform::RunProgram({jtagconfig, "-n"}, left) : platform::TProgramRun{};
    report.Add(doctor::ReadJtagconfigNodes(nodes.output, nodes.end == platform::TProgramRun::TEnd::Exited));
    bool exists = false;
    const std::string conf = ReadJtagConf(exists);
    report.Add(doctor::CheckRemoteServers(conf, exists, [](const std::string& host, std::uint16_t port) {
        return platform::TcpAnswers(host, port, SERVER_BUDGET_MS);
    }));
}

// The link once a board answers: the round trip of a ping and the read throughput. The
// board is connected as every command connects it, an unconfigured FPGA configured first
// unless --no-configure says not to: doctor tells whether the other commands would work.
doctor::TCheck BoardCheck(TContext& context)
{
    try {
        TBoard& board = context.Board();
        std::vector<double> trips;
        for (int i = 0; i < PINGS; ++i) {
            const auto start = std::chrono::steady_clock::now();
            context.Check(board.Ping(), "ping");
            trips.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(trips.begin(), trips.end());
        std::vector<std::uint8_t> bytes(THROUGHPUT_BYTES);
        const auto start = std::chrono::steady_clock::now();
        context.Check(board.MemoryRead(protocol::MEM_SDRAM, 0, THROUGHPUT_BYTES, bytes.data()), "SDRAM read");
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char figures[96];
        std::snprintf(figures, sizeof figures, " answers; round trip %.2f ms (median of %d), read %.1f MB/s",
            trips[trips.size() / 2], PINGS, THROUGHPUT_BYTES / 1048576.0 / seconds);
        return {true, "board", trace::PrintableText(board.LinkDescription()) + figures};
    } catch (const TFailure& failure) {
        return {false, "board", failure.message};
    }
}

int RunDoctor(TContext& context, bool json)
{
    TReport report(json);
    if (!doctor::SystemChecks([&report](const doctor::TCheck& check) { report.Add(check); })) {
        report.Add(doctor::CheckProgramFolder(platform::ExecutableFolder()));
        report.Add(doctor::CheckUsbCables(
            Place("VX5H_DOCTOR_SYSFS", "/sys/bus/usb/devices"), Place("VX5H_DOCTOR_DEV", "/dev/bus/usb")));
        report.Add(doctor::CheckUdevRule({Place("VX5H_DOCTOR_UDEV", "/etc/udev/rules.d"), "/usr/lib/udev/rules.d"}));
        VendorChecks(report, Environment("QUARTUS_ROOTDIR"));
    }
    report.Add(doctor::CheckCableChoice(connection::ChosenCable(context.options.cable)));
    report.Add(BoardCheck(context));
    report.Finish();
    return report.LastOk() ? exitcode::OK : exitcode::LINK;
}

} // namespace

void AddDoctorCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("doctor", "What to check when nothing connects: each line OK or what to do; "
                                                 "exit 0 when a board answers");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "One JSON object: checks (name, ok, detail) and board_answers");
    command->callback([&context, json] {
        const int code = RunDoctor(context, *json);
        if (code != exitcode::OK)
            Fail(code, "doctor: no board answers; see the lines marked FIX");
    });
}

} // namespace cli
