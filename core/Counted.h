#pragma once

#include <cstdint>
#include <string>

namespace text {

// A count with its noun, counted right: "1 word", "2 words", "0 tests".
inline std::string Counted(std::uint64_t count, const std::string& noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

} // namespace text
