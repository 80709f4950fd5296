#include "cli/BoardRuns.h"

#include "cli/Cli.h"
#include "cli/JsonText.h"
#include "core/CableList.h"
#include "core/DumpFile.h"
#include "core/TraceText.h"
#include "core/selftest/Report.h"
#include "platform/Console.h"
#include "platform/Paths.h"
#include "platform/RuntimeFolder.h"
#include "platform/Tick.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <thread>
#include <unistd.h>

namespace cli {

namespace {

// A board's vx5h ends by itself well within these; beyond them its cable is taken as hung.
constexpr std::uint32_t QUICK_BUDGET_MS = 180 * 1000;      // info, led, seg7, lcd (a configure on the way)
constexpr std::uint32_t LONG_BUDGET_MS = 2 * 3600 * 1000;  // configure, mem, selftest on a slow cable
// After Ctrl-C each board's vx5h has this long to end its work tidily (the selftest puts
// the EEPROM's contents back) before it is killed.
constexpr std::uint32_t STOP_GRACE_MS = 30 * 1000;
constexpr std::uint32_t REDRAW_MS = 200;
// Each board's output is kept whole up to this, far beyond any of these commands' reports.
constexpr std::size_t OUTPUT_KEPT = 8 * 1024 * 1024;
constexpr std::size_t JUNIT_PART_MAX = 16 * 1024 * 1024;

std::uint32_t BudgetFor(const std::string& command)
{
    return command == "info" || command == "led" || command == "seg7" || command == "lcd" ? QUICK_BUDGET_MS
                                                                                            : LONG_BUDGET_MS;
}

// The value of `--name VALUE` or `--name=VALUE` in `args`; `at` is where it stands.
std::string OptionValue(const std::vector<std::string>& args, const std::string& name, std::size_t& at)
{
    for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
        if (args[i] == name && i + 1 < args.size()) {
            at = i + 1;
            return args[at];
        }
        if (args[i].rfind(name + "=", 0) == 0) {
            at = i;
            return args[i].substr(name.size() + 1);
        }
    }
    return {};
}

// Sets the attribute `name` of the opening tag `tag` (values as our reports write them:
// escaped, so no quote inside), adding it when the tag has none.
void SetAttribute(std::string& tag, const std::string& name, const std::string& value)
{
    const std::string key = " " + name + "=\"";
    const std::size_t at = tag.find(key);
    const std::string attribute = key + selftest::XmlText(value) + "\"";
    if (at == std::string::npos) {
        tag += attribute;
        return;
    }
    const std::size_t valueEnd = tag.find('"', at + key.size());
    tag.replace(at, (valueEnd == std::string::npos ? tag.size() : valueEnd + 1) - at, attribute);
}

std::string HostOf(const std::string& cable)
{
    const std::string remote = cables::RemoteHost(cable);
    return remote.empty() ? platform::HostName() : remote;
}

// The exit code a board's run stands for.
int ExitOf(const platform::TProgramRun& run)
{
    using TEnd = platform::TProgramRun::TEnd;
    if (run.end == TEnd::Exited)
        return run.exitCode >= 0 ? run.exitCode : exitcode::INTERNAL;
    if (run.end == TEnd::Stopped)
        return run.exitCode >= 0 ? run.exitCode : exitcode::CANCELLED;
    if (run.end == TEnd::OutOfTime)
        return exitcode::LINK;
    return exitcode::INTERNAL;
}

// Why a board's run ended as it did, where its own words do not say it.
std::string EndText(const TBoardRun& board, std::uint32_t budgetMs)
{
    using TEnd = platform::TProgramRun::TEnd;
    switch (board.run.end) {
    case TEnd::OutOfTime:
        return "vx5h: " + board.shown + ": no end within " + std::to_string(budgetMs / 1000)
            + " s: its work was ended\n";
    case TEnd::NotStarted:
        return "vx5h: " + board.shown + ": its vx5h could not be started\n";
    case TEnd::Stopped:
        return board.run.exitCode < 0 ? "vx5h: " + board.shown + ": stopped with Ctrl-C\n" : std::string();
    default:
        return board.run.exitCode < 0 ? "vx5h: " + board.shown + ": its vx5h crashed\n" : std::string();
    }
}

// What a board's vx5h said on standard error, each line carrying its cable ("vx5h: sim-2:
// ..."), so that the lines of two boards that failed alike tell which said what.
std::string EachLineWithCable(const std::string& said, const std::string& cable)
{
    const std::string self = "vx5h: ";
    std::string out;
    for (std::size_t from = 0; from < said.size();) {
        const std::size_t end = std::min(said.find('\n', from), said.size());
        const std::string line = said.substr(from, end - from);
        out += line.rfind(self, 0) == 0 ? self + cable + ": " + line.substr(self.size()) : cable + ": " + line;
        out += '\n';
        from = end + 1;
    }
    return out;
}

std::string ReadBounded(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text;
    if (!in)
        return text;
    text.resize(JUNIT_PART_MAX);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

} // namespace

std::string JunitSuiteOf(const std::string& report, const std::string& host, const std::string& cable)
{
    const std::size_t from = report.find("<testsuite ");
    const std::size_t end = report.rfind("</testsuite>");
    const std::size_t tagEnd = report.find('>', from);
    if (from == std::string::npos || end == std::string::npos || tagEnd == std::string::npos || end < tagEnd)
        return {};
    // Its name, "vx5h selftest: <board> (<mode>)", becomes where the board was tested, and
    // its host the one the cable is on; each stays one attribute, as XML demands.
    std::string tag = report.substr(from, tagEnd - from);
    SetAttribute(tag, "name", host + ": " + cable);
    SetAttribute(tag, "hostname", host);
    return "  " + tag + report.substr(tagEnd, end + 12 - tagEnd) + "\n";
}

TBoardRuns::TBoardRuns(const TManyBoards& asked)
    : m_Asked(asked)
    , m_Program(platform::ExecutableFolder() + "vx5h")
    , m_BudgetMs(BudgetFor(asked.command))
{
    std::size_t at = 0;
    m_Json = std::find(asked.args.begin(), asked.args.end(), "--json") != asked.args.end();
    if (asked.command == "selftest")
        m_Junit = OptionValue(asked.args, "--junit", at);
    const bool quiet = std::any_of(
        asked.args.begin(), asked.args.end(), [](const std::string& a) { return a == "-q" || a == "--quiet"; });
    m_Live = !quiet && platform::IsTerminal(platform::TStream::Error);
    for (const std::string& cable : asked.cables) {
        auto board = std::make_unique<TBoardRun>();
        board->cable = cable;
        board->shown = trace::PrintableText(cable);
        m_Boards.push_back(std::move(board));
    }
}

TBoardRuns::~TBoardRuns()
{
    for (const auto& board : m_Boards)
        if (!board->junitPart.empty())
            ::unlink(board->junitPart.c_str());
}

std::string TBoardRuns::JunitPart(std::size_t index) const
{
    std::string error;
    const std::optional<std::string> folder = platform::PrivateRuntimeFolder(error);
    if (!folder)
        Fail(exitcode::FILE, "--junit: no private folder for each board's report: " + error);
    return *folder + "/junit-" + std::to_string(::getpid()) + "-" + std::to_string(index + 1) + ".xml";
}

void TBoardRuns::RunOne(TBoardRun& board)
{
    std::vector<std::string> args = ArgumentsFor(m_Asked, board.cable);
    if (!board.junitPart.empty()) {
        std::size_t at = 0;
        OptionValue(args, "--junit", at);
        args[at] = args[at].rfind("--junit=", 0) == 0 ? "--junit=" + board.junitPart : board.junitPart;
    }
    args.insert(args.begin(), m_Program);
    platform::TRunOptions options;
    options.separateErrors = true;
    options.outputKept = OUTPUT_KEPT;
    options.stopGraceMs = STOP_GRACE_MS;
    options.killNow = &m_KillNow;
    const std::uint32_t start = platform::TickCount();
    board.run = platform::RunProgram(args, m_BudgetMs, &m_Stop, options);
    board.elapsedMs = platform::TicksSince(start);
    board.exitCode = ExitOf(board.run);
    board.done = true;
}

void TBoardRuns::DrawLines(bool first)
{
    if (!m_Live)
        return;
    if (!first)
        std::fprintf(stderr, "\x1b[%zuA", m_Boards.size());
    for (const auto& board : m_Boards) {
        std::string state = "running";
        double seconds = platform::TicksSince(m_Start) / 1000.0;
        if (board->done) {
            state = board->exitCode == 0 ? "ok" : "exit " + std::to_string(board->exitCode);
            seconds = board->elapsedMs / 1000.0;
        } else if (m_Stop) {
            state = "stopping";
        }
        std::fprintf(stderr, "\r%-40.40s %-10s %7.1f s\x1b[K\n", board->shown.c_str(), state.c_str(), seconds);
    }
    std::fflush(stderr);
}

void TBoardRuns::Run()
{
    platform::HoldRepeatedInterrupts();
    if (!m_Junit.empty())
        for (std::size_t i = 0; i < m_Boards.size(); ++i)
            m_Boards[i]->junitPart = JunitPart(i);
    m_Start = platform::TickCount();
    std::vector<std::thread> workers;
    workers.reserve(m_Boards.size());
    for (const auto& board : m_Boards)
        workers.emplace_back([this, &board] { RunOne(*board); });
    DrawLines(true);
    // Ctrl-C comes to this process alone (each board's runs in a group of its own): it is
    // handed on to every board, which then ends its work tidily. A second one ends every
    // board's work at once, and then this process: none is left running on its own.
    while (!std::all_of(m_Boards.begin(), m_Boards.end(), [](const auto& b) { return b->done.load(); })) {
        if (platform::InterruptRequested())
            m_Stop = true;
        if (platform::RepeatedInterruptRequested())
            m_KillNow = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(REDRAW_MS / 4));
        DrawLines(false);
    }
    for (std::thread& worker : workers)
        worker.join();
    DrawLines(false);
}

int TBoardRuns::Report()
{
    int worst = 0;
    nlohmann::json all = nlohmann::json::object();
    for (const auto& board : m_Boards) {
        worst = std::max(worst, board->exitCode);
        if (m_Json) {
            nlohmann::json one = {{"where", cables::WhereName(cables::WhereIs(board->cable))}, {"exit", board->exitCode},
                {"seconds", board->elapsedMs / 1000.0}};
            const nlohmann::json result = nlohmann::json::parse(board->run.output, nullptr, false);
            if (!board->run.output.empty() && !result.is_discarded())
                one["result"] = result;
            else
                one["output"] = board->run.output;
            one["errors"] = board->run.errors + EndText(*board, m_BudgetMs);
            all[board->cable] = one;
            continue;
        }
        std::printf("== %s%s ==\n%s", board->shown.c_str(),
            board->exitCode == 0 ? "" : (" (exit " + std::to_string(board->exitCode) + ")").c_str(),
            board->run.output.c_str());
        std::fflush(stdout);
        std::fputs((EachLineWithCable(board->run.errors, board->shown) + EndText(*board, m_BudgetMs)).c_str(), stderr);
        std::fflush(stderr);
    }
    if (m_Json)
        std::printf("%s\n", JsonText(all).c_str());
    std::fflush(stdout);
    if (!m_Junit.empty() && !WriteJunit())
        worst = std::max(worst, exitcode::FILE);
    return worst;
}

bool TBoardRuns::WriteJunit() const
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"vx5h selftest\">\n";
    for (const auto& board : m_Boards) {
        const std::string host = HostOf(board->cable);
        std::string suite = JunitSuiteOf(ReadBounded(board->junitPart), host, board->cable);
        if (suite.empty()) {
            // The board never came to its tests: its suite says why, so that none is missing.
            const std::string why = board->run.errors + EndText(*board, m_BudgetMs);
            suite = "  <testsuite name=\"" + selftest::XmlText(host + ": " + board->cable) + "\" hostname=\""
                + selftest::XmlText(host)
                + "\" tests=\"1\" failures=\"0\" errors=\"1\" skipped=\"0\">\n"
                  "    <testcase name=\"connect\" classname=\"vx5h.selftest\">\n      <error message=\""
                + selftest::XmlText(why) + "\"/>\n    </testcase>\n  </testsuite>\n";
        }
        text += suite;
    }
    text += "</testsuites>\n";
    // Written as a dump is: whole or not at all, through no link another user planted.
    std::string reason;
    const bool written = memory::WriteDumpFile(
                             m_Junit, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), false, &reason)
        == memory::TDumpStatus::Ok;
    if (!written)
        std::fprintf(stderr, "vx5h: --junit %s: %s\n", m_Junit.c_str(), reason.c_str());
    return written;
}

} // namespace cli
