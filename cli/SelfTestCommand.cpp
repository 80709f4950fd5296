// vx5h selftest: the board's acceptance test, one test per peripheral, with a report for
// a person, for a script (--json) and for a CI system (--junit FILE).
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/SelfTestPerson.h"
#include "core/DumpFile.h"
#include "core/selftest/Report.h"
#include "platform/Console.h"
#include "platform/Tick.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>

namespace cli {

namespace {

constexpr std::uint32_t REDRAW_MS = 100;

struct TSelfTestArgs {
    selftest::TOptions options;
    bool json = false;
    std::string junit;
};

// "[ 3/22] sdram.device  45%" on standard error, rewritten in place.
class TTestProgress {
public:
    TTestProgress(bool shown, std::size_t total)
        : m_Shown(shown)
        , m_Total(total)
    { }

    void Update(const std::string& test, double fraction)
    {
        if (!m_Shown)
            return;
        if (test != m_Test) {
            m_Test = test;
            ++m_Index;
        } else if (platform::TicksSince(m_LastDraw) < REDRAW_MS) {
            return;
        }
        m_LastDraw = platform::TickCount();
        std::fprintf(stderr, "\r[%2u/%u] %s  %3.0f%%\x1b[K", static_cast<unsigned>(m_Index),
            static_cast<unsigned>(m_Total), test.c_str(), fraction * 100);
        std::fflush(stderr);
        m_Drawn = true;
    }
    void Clear()
    {
        if (m_Drawn)
            std::fputs("\r\x1b[K", stderr);
        m_Drawn = false;
    }

private:
    bool m_Shown;
    std::size_t m_Total;
    std::size_t m_Index = 0;
    std::string m_Test;
    std::uint32_t m_LastDraw = 0;
    bool m_Drawn = false;
};

// Why nothing ran: each skipped test with its reason.
std::string SkipReasons(const selftest::TReport& report)
{
    std::string reasons;
    for (const auto& t : report.tests)
        reasons += (reasons.empty() ? "" : "; ") + t.name + ": " + t.message;
    return reasons;
}

// Every argument is checked before the board is touched: the selection, a person for the
// interactive tests, and the JUnit file, which is made beside its place and put there
// only once the report is whole.
void CheckArguments(const TSelfTestArgs& args, const TTerminalPerson& person, memory::TDumpFileWriter& junit)
{
    const std::string selection = selftest::CheckSelection(args.options);
    if (!selection.empty())
        Fail(exitcode::USAGE, selection);
    if (selftest::SelectedTests(args.options).empty())
        Fail(exitcode::USAGE, "--only and --skip leave no test to run");
    if (args.options.interactive && !person.Present())
        Fail(exitcode::USAGE, "--interactive: the tests a person watches need a terminal on standard input and "
                              "standard error");
    if (!args.junit.empty() && junit.Begin(args.junit, memory::TFileFormat::Binary) != memory::TDumpStatus::Ok)
        Fail(exitcode::FILE, "--junit: cannot create '" + args.junit + "': " + junit.Reason());
}

void RunSelfTest(TContext& context, const TSelfTestArgs& args)
{
    TTestProgress progress(context.ProgressWanted(), selftest::SelectedTests(args.options).size());
    TTerminalPerson person([&progress] { progress.Clear(); });
    memory::TDumpFileWriter junit;
    CheckArguments(args, person, junit);
    const char* cableVariable = std::getenv("VX5H_CABLE");
    const std::string cable = !context.options.cable.empty() ? context.options.cable : cableVariable ? cableVariable : "";
    TBoard& board = context.Board();
    selftest::TBoardAccess access(board);
    selftest::TReport report = selftest::Run(
        access, person, args.options, [&progress](const std::string& test, double f) { progress.Update(test, f); },
        [] { return platform::InterruptRequested(); });
    progress.Clear();
    report.board = board.LinkDescription();
    report.cable = cable;
    report.version = Version();

    if (!args.junit.empty()) {
        const std::string xml = selftest::JunitReport(report);
        if (junit.Commit(reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size()) != memory::TDumpStatus::Ok)
            Fail(exitcode::FILE, "--junit: writing '" + args.junit + "' failed: " + junit.Reason());
    }
    const std::string text = args.json ? selftest::JsonReport(report) : selftest::TextReport(report);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);

    switch (report.Result()) {
    case selftest::RunResult::Stopped:
        Fail(exitcode::CANCELLED, "selftest stopped with Ctrl-C; the tests not run are skipped");
    case selftest::RunResult::LinkLost:
        Fail(exitcode::LINK, "selftest: the link to the board was lost; the tests after it are skipped");
    case selftest::RunResult::Failed:
        Fail(exitcode::DIFFERENT, "selftest: " + std::to_string(report.Count(selftest::Outcome::Fail)) + " of "
                + std::to_string(report.tests.size()) + " tests failed");
    case selftest::RunResult::NothingRun:
        Fail(exitcode::USAGE, "selftest: no test ran: " + SkipReasons(report));
    case selftest::RunResult::Passed:
        break;
    }
}

std::string TestList()
{
    std::string list;
    for (const auto& name : selftest::TestNames())
        list += (list.empty() ? "" : " ") + name;
    return list;
}

} // namespace

void AddSelfTestCommand(CLI::App& app, TContext& context)
{
    auto args = std::make_shared<TSelfTestArgs>();
    auto* command = app.add_subcommand("selftest",
        "Test every peripheral of the board and report PASS, FAIL (what is wrong) or SKIP (why) for each; "
        "exit code 0 only when nothing failed. RAM contents are lost.");
    command->footer("Tests: " + TestList() + "\nA group name (sdram) stands for its tests (sdram.data-bus ...).\n"
                    "Exit codes: 0 the board passed, 1 a test failed, 2 no test ran, 4 the link was lost, "
                    "130 stopped.");
    command->add_option("--only", args->options.only, "Run only these tests or groups (comma-separated)")
        ->delimiter(',')
        ->option_text("NAME,...");
    command->add_option("--skip", args->options.skip, "Leave out these tests or groups (comma-separated)")
        ->delimiter(',')
        ->option_text("NAME,...");
    command->add_flag(
        "--full", args->options.full, "Test every word of the RAMs, not sampled blocks (slow on a real cable)");
    command->add_flag("--destructive", args->options.destructive,
        "Also test FLASH and EPCS: erase, program, verify, erase (their contents are lost)");
    command->add_flag("--interactive", args->options.interactive,
        "Also the tests a person watches or touches: LEDs, digits, switches, keys, IR (needs a terminal)");
    command->add_flag("--json", args->json, "The report as JSON on standard output");
    command->add_option("--junit", args->junit, "Also write the report as JUnit XML to FILE")->option_text("FILE");
    command->callback([&context, args] { RunSelfTest(context, *args); });
}

} // namespace cli
