#pragma once

#include <cstdint>
#include <string>

namespace text {

// The noun as it goes with `count`: "word" for 1, "words" for 0 or 2.
inline std::string Noun(std::uint64_t count, const std::string& noun) { return noun + (count == 1 ? "" : "s"); }

// A count with its noun, counted right: "1 word", "2 words", "0 tests".
inline std::string Counted(std::uint64_t count, const std::string& noun)
{
    return std::to_string(count) + " " + Noun(count, noun);
}

} // namespace text
