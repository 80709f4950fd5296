#include "cli/CommandLine.h"

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Usage.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>

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

// The one of `names` nearest to `word`, when it is near enough to be a typing slip.
std::string Nearest(const std::string& word, const std::vector<std::string>& names)
{
    std::string nearest;
    std::size_t best = SLIP_EDITS + 1;
    for (const std::string& name : names) {
        const std::size_t distance = name.rfind(word, 0) == 0 ? 1 : EditDistance(word, name);
        if (distance < best) {
            best = distance;
            nearest = name;
        }
    }
    return nearest;
}

std::string UnknownCommandText(const CLI::App& level, const std::string& word, const std::string& path)
{
    std::vector<std::string> names;
    for (const CLI::App* command : level.get_subcommands([](const CLI::App*) { return true; }))
        names.push_back(command->get_name());
    const std::string nearest = Nearest(word, names);
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + name;
    const std::string text = "unknown command '" + path + word + "'";
    return nearest.empty() ? text + "; the commands are " + list : text + " (did you mean " + path + nearest + "?)";
}

// An option of this command or of one it was given to (their options may follow it).
const CLI::Option* OptionAt(const CLI::App* level, const std::string& name)
{
    for (; level; level = level->get_parent())
        if (const CLI::Option* option = level->get_option_no_throw(name))
            return option;
    return nullptr;
}

std::string UnknownOptionText(const CLI::App* level, const std::string& word)
{
    std::vector<std::string> names;
    for (; level; level = level->get_parent())
        for (const CLI::Option* option : level->get_options([](const CLI::Option* o) { return o->nonpositional(); }))
            for (const std::string& name : option->get_lnames())
                names.push_back("--" + name);
    const std::string nearest = word.rfind("--", 0) == 0 ? Nearest(word, names) : std::string();
    return "unknown option '" + word + "'" + (nearest.empty() ? "" : " (did you mean " + nearest + "?)");
}

bool TakesValue(const CLI::Option* option) { return option->get_items_expected_min() > 0; }

// How many of the words after `word` it takes as its value, or -1 for an option nobody has.
// A word of one dash and a digit is a negative number, which commands take as a value.
int OptionWords(const CLI::App* level, const std::string& word)
{
    if (word.rfind("--", 0) == 0) {
        const std::size_t equals = word.find('=');
        const CLI::Option* option = OptionAt(level, word.substr(0, equals));
        if (!option)
            return -1;
        return TakesValue(option) && equals == std::string::npos ? 1 : 0;
    }
    if (std::isdigit(static_cast<unsigned char>(word[1])) || word[1] == '.')
        return 0;
    // Short options may come together (-qw); one that takes a value takes the rest.
    for (std::size_t i = 1; i < word.size(); ++i) {
        const CLI::Option* option = OptionAt(level, std::string("-") + word[i]);
        if (!option)
            return -1;
        if (TakesValue(option))
            return i + 1 == word.size() ? 1 : 0;
    }
    return 0;
}

} // namespace

TUnknownWord UnknownWord(const CLI::App& app, const std::vector<std::string>& args)
{
    const CLI::App* level = &app;
    std::string path;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--")
            return {};
        if (word.size() > 1 && word[0] == '-') {
            const int taken = OptionWords(level, word);
            if (taken < 0)
                return {UnknownOptionText(level, word), level};
            i += static_cast<std::size_t>(taken);
            continue;
        }
        const auto commands = level->get_subcommands([](const CLI::App*) { return true; });
        if (commands.empty())
            continue; // a value of the command
        const auto named = std::find_if(
            commands.begin(), commands.end(), [&word](const CLI::App* command) { return command->check_name(word); });
        if (named == commands.end())
            return {UnknownCommandText(*level, word, path), level};
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
    app->formatter(MakeHelpFormatter());
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
           "Record every byte of the link, with its time, into FILE (VX5H_TRACE does the same)")
        ->option_text("FILE");
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
    if (dynamic_cast<const CLI::CallForHelp*>(&error)) {
        out << app.help();
        return exitcode::OK;
    }
    if (dynamic_cast<const CLI::CallForVersion*>(&error)) {
        out << error.what() << "\n";
        return exitcode::OK;
    }
    const CLI::App& command = CommandReached(app);
    // Nothing typed at all: what a user wants then is what there is to type.
    if (NothingTyped(app) && dynamic_cast<const CLI::RequiredError*>(&error)) {
        err << app.help();
        return exitcode::USAGE;
    }
    err << UsageErrorText(command, ParseErrorMessage(command, error));
    return exitcode::USAGE;
}

} // namespace cli
