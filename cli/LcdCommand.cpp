// vx5h lcd LINE0 [LINE1]: write the character LCD.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/LcdText.h"
#include "core/Latin1.h"

#include <CLI/CLI.hpp>

namespace cli {

namespace {

std::size_t Characters(const std::string& utf8)
{
    std::size_t count = 0;
    for (unsigned char c : utf8)
        count += (c & 0xC0) != 0x80;
    return count;
}

} // namespace

void AddLcdCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("lcd", "Write the two lines of the LCD (16 characters each)");
    auto lines = std::make_shared<std::vector<std::string>>(2);
    command->add_option("LINE0", (*lines)[0], "The first line")->required();
    command->add_option("LINE1", (*lines)[1], "The second line (empty when left out)");
    command->callback([&context, lines] {
        for (int i = 0; i < 2; ++i)
            if (Characters((*lines)[i]) > lcd::LINE_CHARS)
                Fail(exitcode::USAGE, "LINE" + std::to_string(i) + ": '" + (*lines)[i] + "' is longer than the LCD's "
                        + std::to_string(lcd::LINE_CHARS) + " characters");
        // The LCD would show other glyphs in their place: refused, as the window does, with
        // the line named as the help names it.
        for (int i = 0; i < 2; ++i)
            if (const auto outside = latin1::FirstOutside((*lines)[i], lcd::FIRST_SHOWN, lcd::LAST_SHOWN))
                Fail(exitcode::USAGE, "LINE" + std::to_string(i) + ": character " + std::to_string(outside->index + 1)
                        + ", \"" + outside->character + "\", is not in the LCD's character set");
        const std::vector<std::uint8_t> bytes = lcd::LcdBytes((*lines)[0], (*lines)[1]);
        bool accepted = false;
        const bool exchanged = context.Board().ChannelWrite(
            accepted, protocol::CHANNEL_LCD, static_cast<std::int32_t>(bytes.size()), bytes.data());
        context.Check(exchanged, accepted, "lcd");
    });
}

} // namespace cli
