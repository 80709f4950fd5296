#include "cli/CommandLine.h"

#include "cli/Cli.h"
#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace cli {

namespace {

// A word this close to a command's name is taken for a typing slip.
constexpr std::size_t SLIP_EDITS = 2;

std::size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string UnknownAt(const CLI::App& level, const std::string& word, const std::string& path)
{
    std::string nearest, names;
    std::size_t best = SLIP_EDITS + 1;
    for (const CLI::App* command : level.get_subcommands([](const CLI::App*) { return true; })) {
        const std::string& name = command->get_name();
        names += (names.empty() ? "" : ", ") + name;
        const std::size_t distance = name.rfind(word, 0) == 0 ? 1 : EditDistance(word, name);
        if (distance < best) {
            best = distance;
            nearest = name;
        }
    }
    const std::string text = "unknown command '" + path + word + "'";
    return nearest.empty() ? text + "; the commands are " + names : text + " (did you mean " + path + nearest + "?)";
}

} // namespace

std::string UnknownCommand(const CLI::App& app, const std::vector<std::string>& args)
{
    const CLI::App* level = &app;
    std::string path;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--")
            return {};
        if (word.size() > 1 && word[0] == '-') {
            // An option's value is no command: skip it when it comes as the next word.
            const CLI::Option* option = level->get_option_no_throw(word.substr(0, word.find('=')));
            if (option && option->get_items_expected_min() > 0 && word.find('=') == std::string::npos)
                ++i;
            continue;
        }
        const auto commands = level->get_subcommands([](const CLI::App*) { return true; });
        if (commands.empty())
            return {};
        const auto named = std::find_if(
            commands.begin(), commands.end(), [&word](const CLI::App* command) { return command->check_name(word); });
        if (named == commands.end())
            return UnknownAt(*level, word, path);
        level = *named;
        path += word + " ";
    }
    return {};
}

std::unique_ptr<CLI::App> MakeCommandLine(TContext& context)
{
    auto app = std::make_unique<CLI::App>("vx5h: the VX5h-260 board from the command line.\n"
                                          "The board is the simulator or a cable's board, chosen as VX5H_CABLE chooses it.",
        "vx5h");
    app->footer(ExitCodeHelp());
    app->set_version_flag("--version", std::string("vx5h ") + Version(), "The program's version");
    app->require_subcommand(1);
    app->fallthrough();
    app->option_defaults()->always_capture_default();
    app->add_option("--cable", context.options.cable,
        "The board to use: 'sim' for the simulator, a cable's name as jtagconfig lists it (remote ones too), or "
        "its index (default: VX5H_CABLE); 'all' or A,B run info, configure, led, seg7, lcd, mem load, mem verify "
        "and selftest on each board side by side");
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
             AddGsensorCommand, AddIrCommand, AddRs232Command, AddDoctorCommand, AddSelfTestCommand, AddTraceCommand, AddBoardsCommand})
        add(*app, context);
    return app;
}

int ParseErrorExit(const CLI::App& app, const CLI::ParseError& error, std::ostream& out, std::ostream& err)
{
    const int shown = app.exit(error, out, err);
    return shown == 0 ? exitcode::OK : exitcode::USAGE;
}

} // namespace cli
