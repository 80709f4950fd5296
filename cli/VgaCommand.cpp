// vx5h vga PATTERN: a test pattern or the composite video input on the VGA output.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/VgaPattern.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace cli {

namespace {

std::string PatternList()
{
    std::string list;
    for (int index = 0; index < vga::PATTERN_COUNT; ++index)
        list += std::to_string(index) + " " + vga::PatternName(index) + "\n";
    return list;
}

int PatternArgument(const std::string& text)
{
    if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + vga::PATTERN_COUNT)
        return text[0] - '0';
    const int index = vga::FindPattern(text);
    if (index < 0)
        Fail(exitcode::USAGE, "PATTERN: '" + text + "' is neither a pattern's name nor its number; `vx5h vga` lists them");
    return index;
}

} // namespace

void AddVgaCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("vga", "Show a test pattern or the composite video input (" +
        std::string(vga::PatternName(vga::COMPOSITE_INDEX)) + "); without PATTERN, list them");
    auto pattern = std::make_shared<std::string>();
    command->add_option("PATTERN", *pattern, "A pattern's name (any case) or number");
    command->callback([&context, pattern] {
        if (pattern->empty()) {
            std::printf("%s", PatternList().c_str());
            return;
        }
        const int index = PatternArgument(*pattern);
        TBoard& board = context.Board();
        board.FlushInput();
        context.Check(board.SetVgaPattern(vga::ModeFor(index), static_cast<std::uint8_t>(index)), "vga");
    });
}

} // namespace cli
