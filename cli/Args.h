#pragma once

#include <cstdint>
#include <string>

// The checks of what the user typed, with messages that name the argument and the rule
// it broke. Hexadecimal numbers follow the window's rules (one to eight digits, in
// range); a leading 0x is allowed, as shells users write it.
namespace cli {

// `maximum` is below 2^31, as the window's fields are.
std::uint32_t HexArgument(const std::string& text, const std::string& name, std::uint32_t maximum,
    std::uint32_t minimum = 0);

// A memory by the name the window lists, in any case: SSRAM-0 ... EPCS.
std::uint8_t MemoryArgument(const std::string& text);

// A rate in samples a second for watching: 0.1 to 1000.
double RateArgument(double rate);

} // namespace cli
