#include "cli/CommandLine.h"

#include "cli/Cli.h"
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

namespace cli {

std::unique_ptr<CLI::App> MakeCommandLine(TContext& context)
{
    auto app = std::make_unique<CLI::App>("vx5h: the VX5h-260 board from the command line.\n"
                                          "The board is the simulator or a cable's board, chosen as VX5H_CABLE chooses it.",
        "vx5h");
    app->footer(ExitCodeHelp());
    app->require_subcommand(1);
    app->fallthrough();
    app->option_defaults()->always_capture_default();
    app->add_option("--cable", context.options.cable,
        "The board to use: 'sim' for the simulator, a cable's name as jtagconfig lists it, or its index "
        "(default: VX5H_CABLE)");
    app->add_flag("--no-configure", context.options.noConfigure,
        "Leave an unconfigured FPGA as it is instead of configuring it");
    app->add_flag("-q,--quiet", context.options.quiet, "No progress line, no notes");
    app->add_option("--trace", context.options.trace,
        "Record every byte of the link, with its time, into this file (VX5H_TRACE does the same)");
    app->add_flag("--trace-data", context.options.traceData,
        "Keep memory contents whole in the transcript, not only their length and CRC-32");

    using Adder = void (*)(CLI::App&, TContext&);
    for (Adder add : {AddInfoCommand, AddConfigureCommand, AddLedCommand, AddSeg7Command, AddSwitchesCommand,
             AddKeysCommand, AddLcdCommand, AddMemCommand, AddVgaCommand, AddSdCommand, AddHsmcCommand,
             AddGsensorCommand, AddIrCommand, AddRs232Command, AddDoctorCommand, AddSelfTestCommand, AddTraceCommand})
        add(*app, context);
    return app;
}

int ParseErrorExit(const CLI::App& app, const CLI::ParseError& error, std::ostream& out, std::ostream& err)
{
    const int shown = app.exit(error, out, err);
    return shown == 0 ? exitcode::OK : exitcode::USAGE;
}

} // namespace cli
