// vx5h hsmc: the HSMC loopback test, with the failing connector pins.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/HsmcReport.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace cli {

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
        std::printf("%s\n%s", verdict.resultText.c_str(), hsmc::PlainLines(verdict.reportBox).c_str());
        if (!verdict.passed)
            Fail(exitcode::DIFFERENT, "hsmc: " + verdict.infoText);
    });
}

} // namespace cli
