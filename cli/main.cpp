// vx5h: the board from the command line, on the core the control panel uses.
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "platform/Console.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace {

int Run(int argc, char** argv)
{
    cli::TContext context;
    CLI::App app("vx5h: the VX5h-260 board from the command line.\n"
                 "The board is the simulator or a cable's board, chosen as VX5H_CABLE chooses it.",
        "vx5h");
    app.footer(cli::ExitCodeHelp());
    app.require_subcommand(1);
    app.fallthrough();
    app.option_defaults()->always_capture_default();
    app.add_option("--cable", context.options.cable,
        "The board to use: 'sim' for the simulator, a cable's name as jtagconfig lists it, or its index");
    app.add_flag("--no-configure", context.options.noConfigure,
        "Leave an unconfigured FPGA as it is instead of configuring it");
    app.add_flag("-q,--quiet", context.options.quiet, "No progress line, no notes");

    using Adder = void (*)(CLI::App&, cli::TContext&);
    for (Adder add : {cli::AddInfoCommand, cli::AddConfigureCommand, cli::AddLedCommand, cli::AddSeg7Command,
             cli::AddSwitchesCommand, cli::AddKeysCommand, cli::AddLcdCommand, cli::AddMemCommand, cli::AddVgaCommand,
             cli::AddSdCommand, cli::AddHsmcCommand, cli::AddGsensorCommand, cli::AddIrCommand, cli::AddRs232Command,
             cli::AddDoctorCommand, cli::AddSelfTestCommand})
        add(app, context);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help and version are successes; everything else is a usage error.
        const int shown = app.exit(error);
        return shown == 0 ? cli::exitcode::OK : cli::exitcode::USAGE;
    } catch (const cli::TFailure& failure) {
        std::fprintf(stderr, "vx5h: %s\n", failure.message.c_str());
        return failure.code;
    }
    return cli::exitcode::OK;
}

} // namespace

int main(int argc, char** argv)
{
    platform::CatchInterrupts();
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vx5h: internal error: %s\n", error.what());
        return cli::exitcode::INTERNAL;
    }
}
