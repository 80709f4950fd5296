// vx5h seg7 DIGITS: show hexadecimal digits on HEX7 ... HEX0.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/HexCodec.h"
#include "core/Seg7Word.h"

#include <CLI/CLI.hpp>

namespace cli {

namespace {

// Written as a number is: the last digit on HEX0, missing leading digits 0.
seg7::TDigits DigitsOf(const std::string& text)
{
    if (text.empty() || text.size() > seg7::DIGIT_COUNT)
        Fail(exitcode::USAGE, "DIGITS: '" + text + "' must have one to eight hexadecimal digits");
    seg7::TDigits digits{};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int digit = hexcodec::NibbleOf(text[text.size() - 1 - i]);
        if (digit < 0)
            Fail(exitcode::USAGE, "DIGITS: '" + text + "' must hold hexadecimal digits only (0-9, A-F)");
        digits[i] = digit;
    }
    return digits;
}

} // namespace

void AddSeg7Command(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("seg7", "Show up to eight hex digits on the seven-segment display, HEX7 first");
    auto text = std::make_shared<std::string>();
    command->add_option("DIGITS", *text, "One to eight hex digits, e.g. 20260D09")->required();
    command->callback([&context, text] {
        const std::uint32_t word = seg7::Seg7Word(DigitsOf(*text));
        context.Check(context.Board().SetSeg7(word, 0), "seg7");
    });
}

} // namespace cli
