// vx5h boards: every cable a board can be had on, and what each one's board is doing.
// Each cable is asked by a vx5h of its own, side by side, within its own time budget: a
// cable that hangs costs that budget and holds up none of the others.
#include "cli/Args.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/InterruptWatch.h"
#include "cli/JsonText.h"
#include "core/CableList.h"
#include "core/ConnectSequence.h"
#include "core/Names.h"
#include "core/TraceText.h"
#include "platform/Console.h"
#include "platform/Paths.h"
#include "platform/Process.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <thread>

namespace cli {

namespace {

constexpr double DEFAULT_BUDGET_S = 5.0;
constexpr std::size_t SIDE_BY_SIDE = 32;
constexpr const char* IN_USE = "in use by another program";

struct TBoardsArgs {
    bool json = false;
    double budgetS = DEFAULT_BUDGET_S;
    std::string probe; // the one cable this vx5h asks, for the vx5h that lists them all
};

// Asks one cable's board, without configuring its FPGA. The link's own words tell a cable
// another program holds: the driver libraries say "in use by another program: <who>",
// naming the holder where the vendor's server does.
nlohmann::json Probe(const std::string& cable)
{
    const connection::TConnectOutcome outcome = connection::ConnectBoard({cable, false, {}, {}, {}});
    nlohmann::json probe = {{"cable", cable}, {"where", cables::WhereName(cables::WhereIs(cable))},
        {"answers", outcome.board != nullptr}, {"image", nullptr}, {"in_use", false}, {"held_by", nullptr},
        {"detail", outcome.message}};
    if (outcome.board)
        probe["image"] = true;
    else if (outcome.failure == connection::TConnectFailure::Silent || outcome.configureMayHelp)
        probe["image"] = false;
    const std::size_t inUse = outcome.message.find(IN_USE);
    if (inUse != std::string::npos) {
        // A board is there: another program talks to it.
        probe["answers"] = true;
        probe["in_use"] = true;
        const std::size_t who = outcome.message.find(": ", inUse);
        if (who != std::string::npos)
            probe["held_by"] = outcome.message.substr(who + 2);
    }
    return probe;
}

// What a cable's vx5h found, or why it found nothing within its budget. The probe's JSON
// carries a name that is not UTF-8 escaped, so the name is compared as JSON carries it,
// and the list keeps the name as it is.
nlohmann::json Asked(const std::string& cable, const platform::TProgramRun& run, double budgetS)
{
    nlohmann::json probe = nlohmann::json::parse(run.output, nullptr, false);
    if (run.Succeeded() && probe.is_object() && probe.value("cable", "") == names::Utf8OrEscaped(cable)) {
        probe["cable"] = cable;
        return probe;
    }
    char budget[32];
    std::snprintf(budget, sizeof budget, "%.1f", budgetS);
    const std::string detail = run.end == platform::TProgramRun::TEnd::OutOfTime
        ? std::string("no answer within ") + budget + " s"
        : "could not be asked";
    return {{"cable", cable}, {"where", cables::WhereName(cables::WhereIs(cable))}, {"answers", false}, {"image", nullptr},
        {"in_use", false}, {"held_by", nullptr}, {"detail", detail}};
}

// At most SIDE_BY_SIDE cables are asked at once, each by a vx5h of its own with its own
// budget from its own start: hundreds started at once would share the processors so
// thinly that healthy cables could not answer in their budgets.
std::vector<nlohmann::json> AskAll(const std::vector<std::string>& names, double budgetS, TInterruptWatch& watch)
{
    const std::string program = platform::ExecutableFolder() + "vx5h";
    const auto budgetMs = static_cast<std::uint32_t>(budgetS * 1000);
    std::vector<nlohmann::json> found(names.size());
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> askers;
    for (std::size_t k = 0; k < std::min(names.size(), SIDE_BY_SIDE); ++k)
        askers.emplace_back([&] {
            platform::TRunOptions options;
            options.separateErrors = true;
            for (std::size_t i = next++; i < names.size() && !watch.Flag(); i = next++) {
                const platform::TProgramRun run
                    = platform::RunProgram({program, "boards", "--probe", names[i]}, budgetMs, &watch.Flag(), options);
                found[i] = Asked(names[i], run, budgetS);
            }
        });
    for (std::thread& asker : askers)
        asker.join();
    if (watch.Interrupted())
        Fail(exitcode::CANCELLED, "boards stopped with Ctrl-C");
    return found;
}

std::string YesNo(const nlohmann::json& value)
{
    return value.is_boolean() ? (value.get<bool>() ? "yes" : "no") : "-";
}

// A probe's text as the table shows it: the cable's name, the holder and the reason come
// from the vendor's server, and may hold escape sequences meant for the terminal.
std::string Shown(const nlohmann::json& text) { return trace::PrintableText(text.get<std::string>()); }

void PrintTable(const std::vector<nlohmann::json>& found)
{
    std::size_t width = 5;
    for (const auto& probe : found)
        width = std::max(width, Shown(probe["cable"]).size());
    std::printf("%-*s  %-9s  %-5s  %-5s  %s\n", static_cast<int>(width), "CABLE", "WHERE", "BOARD", "IMAGE", "HELD BY");
    for (const auto& probe : found) {
        std::string held = "-";
        if (probe["in_use"].get<bool>())
            held = probe["held_by"].is_string() ? Shown(probe["held_by"]) : "another program";
        const std::string line = Shown(probe["cable"]);
        std::printf("%-*s  %-9s  %-5s  %-5s  %s", static_cast<int>(width), line.c_str(),
            probe["where"].get<std::string>().c_str(), YesNo(probe["answers"]).c_str(), YesNo(probe["image"]).c_str(),
            held.c_str());
        const std::string detail = Shown(probe["detail"]);
        if (!probe["answers"].get<bool>() && !probe["in_use"].get<bool>() && !detail.empty())
            std::printf("  (%s)", detail.c_str());
        std::printf("\n");
    }
}

void RunBoards(const TBoardsArgs& args)
{
    if (!args.probe.empty()) {
        std::printf("%s\n", JsonText(Probe(args.probe)).c_str());
        return;
    }
    TInterruptWatch watch;
    const std::vector<std::string> names = cables::KnownCables(&watch.Flag());
    const std::vector<nlohmann::json> found = AskAll(names, args.budgetS, watch);
    if (args.json) {
        std::printf("%s\n", JsonText(found).c_str());
        return;
    }
    if (found.empty()) {
        std::printf("No cable is known: no simulator beside vx5h, and no JTAG tools (QUARTUS_ROOTDIR).\n");
        return;
    }
    PrintTable(found);
}

} // namespace

void AddBoardsCommand(CLI::App& app, TContext&)
{
    auto args = std::make_shared<TBoardsArgs>();
    auto* command = app.add_subcommand("boards",
        "Every cable a board can be had on (simulated, local, remote through a JTAG server): whether a board "
        "answers, whether its FPGA holds the image, whether another program holds it. The FPGAs are not configured.");
    command->add_flag("--json", args->json, "The list as JSON on standard output");
    command->add_option("--budget", args->budgetS, "Seconds each cable has to answer (0.5 to 120)")
        ->check(BudgetCheck())
        ->option_text("SECONDS");
    command->add_option("--probe", args->probe, "Ask this one cable (for vx5h's own use)")->group("");
    command->callback([args] { RunBoards(*args); });
}

} // namespace cli
