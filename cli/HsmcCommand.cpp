// vx5h hsmc: the HSMC loopback test, with the failing connector pins.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/HsmcReport.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace cli {

void AddHsmcCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("hsmc", "Run the HSMC loopback test (adapter fitted); exit 1 when pairs fail");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "One JSON object: result, xcvr_mask, io_mask, report (the failing pins' lines)");
    command->callback([&context, json] {
        bool accepted = false;
        std::uint32_t xcvr = 0;
        std::uint64_t io = 0;
        const bool exchanged = context.Board().HsmcLoopbackTest(accepted, xcvr, io);
        const hsmc::TVerdict verdict = hsmc::Verdict(exchanged, accepted, xcvr, io);
        context.Check(exchanged, accepted, "hsmc");
        const std::string report = hsmc::PlainLines(verdict.reportBox);
        if (*json) {
            nlohmann::json lines = nlohmann::json::array();
            for (std::size_t start = 0, end; start < report.size(); start = end + 1) {
                end = std::min(report.find('\n', start), report.size());
                lines.push_back(report.substr(start, end - start));
            }
            std::printf("%s\n", nlohmann::json{{"result", verdict.resultText}, {"xcvr_mask", xcvr}, {"io_mask", io},
                                    {"report", lines}}
                                    .dump()
                                    .c_str());
        } else {
            std::printf("%s\n%s", verdict.resultText.c_str(), report.c_str());
        }
        if (!verdict.passed)
            Fail(exitcode::DIFFERENT, "hsmc: " + verdict.infoText);
    });
}

} // namespace cli
