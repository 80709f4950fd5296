// vx5h led MASK: light the LEDs.
#include "board/Board.h"
#include "cli/Args.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/LedMask.h"

#include <CLI/CLI.hpp>

namespace cli {

void AddLedCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("led", "Light the LEDs: bit i of MASK is LED i (GLED0-8 = bits 0-8, RLED0-17 = 9-26)");
    auto mask = std::make_shared<std::string>();
    command->add_option("MASK", *mask, "Hex mask, at most 7FFFFFF")->required();
    command->callback([&context, mask] {
        const std::uint32_t value = HexArgument(*mask, "MASK", leds::ALL_LEDS);
        context.Check(context.Board().SetLed(value), "led");
    });
}

} // namespace cli
