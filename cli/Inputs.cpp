#include "cli/Inputs.h"

#include "board/Board.h"
#include "cli/Cli.h"
#include "core/SwitchState.h"

#include <CLI/CLI.hpp>

namespace cli {

std::string InputsOn(std::uint32_t state, int first, int count)
{
    std::string names;
    for (int bit = first; bit < first + count; ++bit)
        if (switches::IsDown(state, bit))
            names += (names.empty() ? "" : " ") + switches::InputName(bit);
    return names.empty() ? "none" : names;
}

void AddInputCommand(CLI::App& app, TContext& context, const char* name, const char* description,
    TReading (*reading)(std::uint32_t state))
{
    auto* command = app.add_subcommand(name, description);
    auto options = std::make_shared<TWatchOptions>();
    AddWatchOptions(*command, *options);
    command->callback([&context, options, name, reading] {
        Watch(*options, name, [&context, name, reading]() -> std::optional<TReading> {
            std::uint32_t state = 0;
            context.Check(context.Board().GetSwitchKeyState(state), name);
            return reading(state);
        });
    });
}

} // namespace cli
