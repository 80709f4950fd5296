#pragma once

#include <cstdint>
#include <string_view>

// The VGA output's choices: nine test patterns and the composite video input. A choice's
// index is the pattern number the board receives; the composite input is the last one.
namespace vga {

constexpr int PATTERN_COUNT = 10;
constexpr int COMPOSITE_INDEX = 9;

// "Color Scale", "Red", ... "Composite-In"; "" outside the list.
const char* PatternName(int index);

// The index of a pattern name in any case ("red scale"), or -1.
int FindPattern(std::string_view name);

// The mode byte sent with a pattern: 1 shows the composite input, 2 a test pattern.
std::uint8_t ModeFor(int index);

} // namespace vga
