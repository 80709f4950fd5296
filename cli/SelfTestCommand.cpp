// vx5h selftest: the board's acceptance test, one test per peripheral, with a report for
// a person, for a script (--json) and for a CI system (--junit FILE).
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/SelfTestPerson.h"
#include "core/FileAccess.h"
#include "core/selftest/Report.h"
#include "platform/Console.h"
#include "platform/Tick.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>

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

void WriteFile(const std::string& path, const std::string& text)
{
    memory::TFilePtr file(memory::OpenFile(path, "wb"));
    bool written = file && std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    const int error = errno;
    written = file && std::fclose(file.release()) == 0 && written;
    if (!written)
        Fail(exitcode::FILE, "--junit " + path + ": " + memory::SystemReason(error));
}

void RunSelfTest(TContext& context, const TSelfTestArgs& args)
{
    const std::string selection = selftest::CheckSelection(args.options);
    if (!selection.empty())
        Fail(exitcode::USAGE, selection);
    TBoard& board = context.Board();
    TTestProgress progress(context.ProgressWanted(), selftest::SelectedTests(args.options).size());
    TTerminalPerson person([&progress] { progress.Clear(); });
    selftest::TBoardAccess access(board);
    selftest::TReport report = selftest::Run(
        access, person, args.options, [&progress](const std::string& test, double f) { progress.Update(test, f); },
        [] { return platform::InterruptRequested(); });
    progress.Clear();
    report.board = board.LinkDescription();

    if (!args.junit.empty())
        WriteFile(args.junit, selftest::JunitReport(report));
    const std::string text = args.json ? selftest::JsonReport(report) : selftest::TextReport(report);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);

    if (platform::InterruptRequested())
        Fail(exitcode::CANCELLED, "selftest stopped; the tests not run are skipped");
    const bool linkLost = std::any_of(report.tests.begin(), report.tests.end(),
        [](const selftest::TTestResult& t) { return t.message.rfind("link lost", 0) == 0; });
    if (linkLost)
        Fail(exitcode::LINK, "selftest: the link to the board was lost");
    if (!report.Passed())
        Fail(exitcode::DIFFERENT,
            "selftest: " + std::to_string(report.Count(selftest::Outcome::Fail)) + " of "
                + std::to_string(report.tests.size()) + " tests failed");
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
    command->footer("Tests: " + TestList() + "\nA group name (sdram) stands for its tests (sdram.data-bus ...).");
    command->add_option("--only", args->options.only, "Run only these tests or groups (comma-separated)")
        ->delimiter(',');
    command->add_option("--skip", args->options.skip, "Leave out these tests or groups (comma-separated)")
        ->delimiter(',');
    command->add_flag(
        "--full", args->options.full, "Test every word of the RAMs, not sampled blocks (slow on a real cable)");
    command->add_flag("--destructive", args->options.destructive,
        "Also test FLASH and EPCS: erase, program, verify, erase (their contents are lost)");
    command->add_flag("--interactive", args->options.interactive,
        "Also the tests a person watches or touches: LEDs, digits, switches, keys, IR (needs a terminal)");
    command->add_flag("--json", args->json, "The report as JSON on standard output");
    command->add_option("--junit", args->junit, "Also write the report as JUnit XML to FILE")->type_name("FILE");
    command->callback([&context, args] { RunSelfTest(context, *args); });
}

} // namespace cli
