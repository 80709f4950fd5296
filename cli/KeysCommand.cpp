// vx5h keys: the pushbuttons KEY0-KEY3.
#include "cli/Commands.h"
#include "cli/Inputs.h"
#include "core/SwitchState.h"

namespace cli {

namespace {

TReading KeysReading(std::uint32_t state)
{
    const std::uint32_t word = state & ((1u << switches::KEY_COUNT) - 1);
    const std::vector<std::string> pressed = InputsOn(word, 0, switches::KEY_COUNT);
    return {std::to_string(word) + " " + NamesText(pressed), {std::to_string(word)},
        {{"keys", word}, {"pressed", pressed}}};
}

} // namespace

void AddKeysCommand(CLI::App& app, TContext& context)
{
    AddInputCommand(app, context, "keys", "The pushbuttons: their word (KEY0 = bit 0) and those pressed", KeysReading);
}

} // namespace cli
