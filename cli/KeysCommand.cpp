// vx5h keys: the pushbuttons KEY0-KEY3.
#include "cli/Commands.h"
#include "cli/Inputs.h"
#include "core/SwitchState.h"

namespace cli {

namespace {

TReading KeysReading(std::uint32_t state)
{
    const std::uint32_t word = state & ((1u << switches::KEY_COUNT) - 1);
    return {std::to_string(word) + " " + InputsOn(word, 0, switches::KEY_COUNT), {std::to_string(word)}};
}

} // namespace

void AddKeysCommand(CLI::App& app, TContext& context)
{
    AddInputCommand(app, context, "keys", "The pushbuttons: their word (KEY0 = bit 0) and those pressed", KeysReading);
}

} // namespace cli
