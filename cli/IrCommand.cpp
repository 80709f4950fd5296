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

// One reading a code: the code in hex and the remote's key it belongs to, if any, by the
// label printed on it, with its row and column on the remote.
TReading CodeReading(std::uint8_t code)
{
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", code);
    const int key = ir::KeyForCode(code);
    TReading reading;
    reading.json = {{"code", code}, {"key", nullptr}, {"row", nullptr}, {"column", nullptr}};
    if (key < 0) {
        reading.text = hex;
        reading.columns = {hex, "", "", ""};
        return reading;
    }
    const std::string label = ir::IR_KEYS[key].label;
    const int row = ir::KeyRow(key), column = ir::KeyColumn(key);
    reading.text = std::string(hex) + " key " + label + " (row " + std::to_string(row) + ", column "
        + std::to_string(column) + ")";
    reading.columns = {hex, label, std::to_string(row), std::to_string(column)};
    reading.json["key"] = label;
    reading.json["row"] = row;
    reading.json["column"] = column;
    return reading;
}

} // namespace

void AddIrCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("ir",
        "The IR remote's scan codes as they arrive, one a line, with the key "
        "each belongs to by its label (5, POWER, VOL+ ...) and its row and column");
    auto options = std::make_shared<TWatchOptions>();
    AddWatchOptions(*command, *options, TInputKind::Arrivals);
    command->callback([&context, options] {
        const TChannelReception reception(context, protocol::CHANNEL_IR, "ir");
        Watch(*options, TInputKind::Arrivals, "code,key,row,column", [&context] {
            std::vector<TReading> readings;
            for (char code : ReadChannel(context, protocol::CHANNEL_IR, "ir"))
                readings.push_back(CodeReading(static_cast<std::uint8_t>(code)));
            return readings;
        });
    });
}

} // namespace cli
