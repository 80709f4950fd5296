#include "cli/Inputs.h"

#include "board/Board.h"
#include "cli/Cli.h"
#include "core/SwitchState.h"

#include <CLI/CLI.hpp>

namespace cli {

std::vector<std::string> InputsOn(std::uint32_t state, int first, int count)
{
    std::vector<std::string> names;
    for (int bit = first; bit < first + count; ++bit)
        if (switches::IsDown(state, bit))
            names.push_back(switches::InputName(bit));
    return names;
}

std::string NamesText(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    return text.empty() ? "none" : text;
}

void AddInputCommand(CLI::App& app, TContext& context, const char* name, const char* description,
    TReading (*reading)(std::uint32_t state))
{
    auto* command = app.add_subcommand(name, description);
    auto options = std::make_shared<TWatchOptions>();
    AddWatchOptions(*command, *options, TInputKind::State);
    command->callback([&context, options, name, reading] {
        Watch(*options, TInputKind::State, name, [&context, name, reading] {
            std::uint32_t state = 0;
            context.Check(context.Board().GetSwitchKeyState(state), name);
            return std::vector<TReading>{reading(state)};
        });
    });
}

} // namespace cli
