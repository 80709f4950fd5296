// vx5h vga PATTERN: a test pattern or the composite video input on the VGA output.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "core/VgaPattern.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace cli {

namespace {

std::string PatternList()
{
    std::string list;
    for (int index = 0; index < vga::PATTERN_COUNT; ++index)
        list += std::to_string(index) + " " + vga::PatternName(index) + "\n";
    return list;
}

// The names as the window's list shows them: "Color Scale", "Red", ...
std::string PatternNames()
{
    std::string names;
    for (int index = 0; index < vga::PATTERN_COUNT; ++index)
        names += std::string(index ? ", " : "") + "'" + vga::PatternName(index) + "'";
    return names;
}

nlohmann::json PatternJson()
{
    nlohmann::json patterns = nlohmann::json::array();
    for (int index = 0; index < vga::PATTERN_COUNT; ++index)
        patterns.push_back({{"number", index}, {"name", vga::PatternName(index)}});
    return {{"patterns", patterns}};
}

int PatternArgument(const std::string& text)
{
    if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + vga::PATTERN_COUNT)
        return text[0] - '0';
    const int index = vga::FindPattern(text);
    if (index < 0)
        Fail(exitcode::USAGE, "PATTERN: '" + text + "' is neither a pattern's number (0-"
                + std::to_string(vga::PATTERN_COUNT - 1) + ") nor its name: " + PatternNames());
    return index;
}

} // namespace

void AddVgaCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("vga", "Show a test pattern or the composite video input; without PATTERN, "
                                              "list them");
    command->footer("Patterns (the window's names, any case, or their numbers):\n" + PatternList());
    auto pattern = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    command->add_option("PATTERN", *pattern, "A pattern's name (any case) or number; see below");
    command->add_flag("--json", *json, "The list as JSON: patterns, each with number and name");
    command->callback([&context, pattern, json] {
        if (pattern->empty()) {
            std::printf("%s", *json ? (JsonText(PatternJson()) + "\n").c_str() : PatternList().c_str());
            return;
        }
        const int index = PatternArgument(*pattern);
        TBoard& board = context.Board();
        board.FlushInput();
        context.Check(board.SetVgaPattern(vga::ModeFor(index), static_cast<std::uint8_t>(index)), "vga");
    });
}

} // namespace cli
