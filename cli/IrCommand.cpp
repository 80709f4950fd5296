// vx5h ir: the scan codes the IR receiver gets from the remote.
#include "board/Protocol.h"
#include "cli/Channel.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Watch.h"
#include "core/IrKeys.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace cli {

namespace {

// One line a code: the code in hex and the remote's key position (row, column), if any.
std::string CodeLine(std::uint8_t code)
{
    char text[48];
    const int key = ir::KeyForCode(code);
    if (key < 0)
        std::snprintf(text, sizeof text, "%02X", code);
    else
        std::snprintf(text, sizeof text, "%02X key %d (row %d, column %d)", code, key, key / ir::KEY_COLUMNS,
            key % ir::KEY_COLUMNS);
    return text;
}

} // namespace

void AddIrCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("ir", "The IR remote's scan codes received, one a line");
    auto options = std::make_shared<TWatchOptions>();
    AddWatchOptions(*command, *options);
    command->callback([&context, options] {
        const TChannelReception reception(context, protocol::CHANNEL_IR, "ir");
        Watch(*options, "code,key", [&context]() -> std::optional<TReading> {
            const std::string codes = ReadChannel(context, protocol::CHANNEL_IR, "ir");
            if (codes.empty())
                return std::nullopt;
            TReading reading;
            for (std::size_t i = 0; i < codes.size(); ++i) {
                const auto code = static_cast<std::uint8_t>(codes[i]);
                reading.text += (i ? "\n" : "") + CodeLine(code);
                reading.columns.push_back(std::to_string(code));
            }
            return reading;
        });
    });
}

} // namespace cli
