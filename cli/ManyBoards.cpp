#include "cli/ManyBoards.h"

#include "cli/BoardRuns.h"
#include "cli/Cli.h"
#include "cli/InterruptWatch.h"
#include "core/CableList.h"

#include <algorithm>
#include <cstdlib>

namespace cli {

namespace {

// vx5h's own options that take a value, before or after the subcommand.
bool TakesValue(const std::string& arg) { return arg == "--cable" || arg == "--trace"; }

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

bool Has(const std::vector<std::string>& args, const std::string& word)
{
    return std::find(args.begin(), args.end(), word) != args.end();
}

// The subcommand and, for mem, its own: the words that are neither options nor values.
std::string CommandOf(const std::vector<std::string>& args)
{
    std::string command;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--")
            break;
        if (TakesValue(args[i])) {
            ++i;
            continue;
        }
        if (IsOption(args[i]))
            continue;
        if (command.empty()) {
            command = args[i];
            if (command != "mem")
                return command;
        } else {
            return command + " " + args[i];
        }
    }
    return command;
}

// Refuses what several boards cannot share: one transcript file, one person at the keys,
// one standard input (the first board's load would take all of it, the others none).
void RefuseShared(const TManyBoards& asked)
{
    const bool traced = std::any_of(asked.args.begin(), asked.args.end(),
        [](const std::string& a) { return a == "--trace" || a.rfind("--trace=", 0) == 0; });
    const char* traceEnv = std::getenv("VX5H_TRACE");
    if (traced || (traceEnv && *traceEnv))
        Fail(exitcode::USAGE, "a transcript records one board's link: name one cable with --cable to record it");
    if ((asked.command == "mem load" || asked.command == "mem verify") && Has(asked.args, "-"))
        Fail(exitcode::USAGE, "standard input can feed one board: save it to a file to " + asked.command + " several");
    if (asked.command == "selftest" && Has(asked.args, "--interactive"))
        Fail(exitcode::USAGE, "selftest --interactive needs a person at each board: name one cable with --cable");
}

} // namespace

const std::vector<std::string>& ManyBoardCommands()
{
    static const std::vector<std::string> commands
        = {"info", "configure", "led", "seg7", "lcd", "mem load", "mem verify", "selftest"};
    return commands;
}

std::vector<std::string> CablesNamed(const std::string& value, bool& several)
{
    several = value == "all" || value.find(',') != std::string::npos;
    if (!several)
        return {};
    if (value != "all" && (value.rfind("all,", 0) == 0 || value.find(",all,") != std::string::npos
            || (value.size() > 4 && value.compare(value.size() - 4, 4, ",all") == 0)))
        Fail(exitcode::USAGE, "--cable: all names every cable and stands alone, not in a list");
    if (value == "all") {
        // jtagconfig may take its whole budget; Ctrl-C ends it at once.
        TInterruptWatch watch;
        std::vector<std::string> known = cables::KnownCables(&watch.Flag());
        if (watch.Interrupted())
            Fail(exitcode::CANCELLED, "--cable all stopped with Ctrl-C while the cables were listed");
        return known;
    }
    std::vector<std::string> named;
    std::size_t from = 0;
    while (from <= value.size()) {
        const std::size_t comma = std::min(value.find(',', from), value.size());
        const std::string cable = value.substr(from, comma - from);
        if (!cable.empty() && std::find(named.begin(), named.end(), cable) == named.end())
            named.push_back(cable);
        from = comma + 1;
    }
    return named;
}

std::optional<TManyBoards> ManyBoardsAsked(const std::vector<std::string>& args)
{
    TManyBoards asked;
    bool found = false;
    for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
        if (args[i] == "--cable" && i + 1 < args.size()) {
            asked.cableAt = i + 1;
            asked.cablePrefix.clear();
            found = true;
            ++i;
        } else if (args[i].rfind("--cable=", 0) == 0) {
            asked.cableAt = i;
            asked.cablePrefix = "--cable=";
            found = true;
        } else if (TakesValue(args[i])) {
            ++i;
        }
    }
    if (!found)
        return std::nullopt;
    bool several = false;
    asked.cables = CablesNamed(args[asked.cableAt].substr(asked.cablePrefix.size()), several);
    if (!several)
        return std::nullopt;
    asked.args = args;
    asked.command = CommandOf(args);
    const auto& commands = ManyBoardCommands();
    if (std::find(commands.begin(), commands.end(), asked.command) == commands.end())
        Fail(exitcode::USAGE, "--cable all and --cable A,B work with info, configure, led, seg7, lcd, mem load, "
                              "mem verify and selftest, not with '"
                + asked.command + "'");
    RefuseShared(asked);
    if (asked.cables.empty() && args[asked.cableAt].substr(asked.cablePrefix.size()) != "all")
        Fail(exitcode::USAGE, "--cable: the list names no cable (--cable A,B names each)");
    if (asked.cables.empty())
        Fail(exitcode::LINK, "no cable is known: vx5h boards lists where boards can be had");
    return asked;
}

std::vector<std::string> ArgumentsFor(const TManyBoards& asked, const std::string& cable)
{
    std::vector<std::string> args = asked.args;
    args[asked.cableAt] = asked.cablePrefix + cable;
    // --json asks for one object per cable, wherever it stands. Each board's report is JSON
    // where its command can say it so (as the command's own option, after it); the others'
    // output is carried in the per-cable object as text.
    const auto end = std::find(args.begin(), args.end(), "--");
    const auto json = std::find(args.begin(), end, "--json");
    if (json == end)
        return args;
    const auto at = args.erase(json);
    if (asked.command == "info" || asked.command == "selftest")
        args.insert(std::find(at, args.end(), "--"), "--json");
    return args;
}

int RunOnEachBoard(const TManyBoards& asked)
{
    TBoardRuns runs(asked);
    runs.Run();
    return runs.Report();
}

} // namespace cli
