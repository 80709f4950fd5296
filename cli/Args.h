#pragma once

#include "core/FileFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace CLI {
class Validator;
}

// The checks of what the user typed, with messages that name the argument as the help
// names it and the rule it broke. Hexadecimal numbers follow the window's rules (one to
// eight digits, in range); a leading 0x is allowed, as shells users write it. Every
// check runs before the board is touched.
namespace cli {

// `maximum` is below 2^31, as the window's fields are; `scope` tells what bounds it, for
// the message (" in SDRAM": "the largest ADDRESS in SDRAM is 3FFFFFF").
std::uint32_t HexArgument(const std::string& text, const std::string& name, std::uint32_t maximum,
    std::uint32_t minimum = 0, const std::string& scope = "");

// An option written with an = and nothing after it (--trace=, --cable=) is refused: the
// parser would take the next word as its value, a file named 1 or a board named led.
void RefuseEmptyOptionValues(const std::vector<std::string>& words);

// A memory by the name the window lists, in any case: SSRAM-0 ... EPCS.
std::uint8_t MemoryArgument(const std::string& text);

// --format: bin, hex or ihex; empty: by the file's name.
memory::TFileFormat FormatArgument(const std::string& text, const std::string& file);

// For the parser: readings a second while watching (0.1 to 1000), and how long a receiver
// listens (0 to a day), refused before any command runs.
CLI::Validator RateCheck();
CLI::Validator TimeoutCheck();
// How long each cable has to answer when boards are listed (0.5 to 120 seconds).
CLI::Validator BudgetCheck();

} // namespace cli
