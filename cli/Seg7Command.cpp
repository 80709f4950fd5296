// vx5h seg7 DIGITS: show hexadecimal digits on HEX7 ... HEX0.
#include "board/Board.h"
#include "cli/Args.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/Seg7Word.h"

#include <CLI/CLI.hpp>

namespace cli {

void AddSeg7Command(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("seg7", "Show up to eight hex digits on the seven-segment display, HEX7 first");
    auto text = std::make_shared<std::string>();
    command->add_option("DIGITS", *text, "One to eight hex digits, e.g. 20260D09 or 0x20260D09")->required();
    command->callback([&context, text] {
        seg7::TDigits digits{};
        const std::string problem = seg7::DigitsOfText(*text, digits);
        if (!problem.empty())
            Fail(exitcode::USAGE, "DIGITS: " + problem);
        const std::uint32_t word = seg7::Seg7Word(digits);
        context.Check(context.Board().SetSeg7(word, 0), "seg7");
    });
}

} // namespace cli
