// vx5h hsmc: the HSMC loopback test, with the failing connector pins.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/HsmcReport.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace cli {

namespace {

// The report's lines end in blanks and CR LF for the window's box; a terminal wants LF.
std::string Lines(const std::string& report)
{
    std::string text;
    for (char c : report)
        if (c != '\r')
            text += c;
    std::string trimmed;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        line.erase(line.find_last_not_of(' ') + 1);
        trimmed += line + "\n";
    }
    return trimmed + text.substr(start);
}

} // namespace

void AddHsmcCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("hsmc", "Run the HSMC loopback test (adapter fitted); exit 1 when pairs fail");
    command->callback([&context] {
        bool accepted = false;
        std::uint32_t xcvr = 0;
        std::uint64_t io = 0;
        const bool exchanged = context.Board().HsmcLoopbackTest(accepted, xcvr, io);
        const hsmc::TVerdict verdict = hsmc::Verdict(exchanged, accepted, xcvr, io);
        context.Check(exchanged, accepted, "hsmc");
        std::printf("%s\n%s", verdict.resultText.c_str(), Lines(verdict.reportBox).c_str());
        if (!verdict.passed)
            Fail(exitcode::DIFFERENT, "hsmc: " + verdict.infoText);
    });
}

} // namespace cli
