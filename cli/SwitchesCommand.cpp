// vx5h switches: the slide switches SW0-SW17.
#include "cli/Commands.h"
#include "cli/Inputs.h"
#include "core/SwitchState.h"

#include <cstdio>

namespace cli {

namespace {

TReading SwitchesReading(std::uint32_t state)
{
    const std::uint32_t word = state >> switches::KEY_COUNT & ((1u << switches::SWITCH_COUNT) - 1);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%05X", word);
    const std::vector<std::string> up = InputsOn(state, switches::KEY_COUNT, switches::SWITCH_COUNT);
    return {std::string(hex) + " " + NamesText(up), {std::to_string(word)}, {{"switches", word}, {"up", up}}};
}

} // namespace

void AddSwitchesCommand(CLI::App& app, TContext& context)
{
    AddInputCommand(app, context, "switches", "The slide switches: their word in hex (SW0 = bit 0) and those up",
        SwitchesReading);
}

} // namespace cli
