#include "core/VgaPattern.h"

#include "core/Names.h"

namespace vga {

namespace {

const char* const PATTERN_NAMES[PATTERN_COUNT] = {
    "Color Scale",
    "Red",
    "Green",
    "Blue",
    "White",
    "Black",
    "Red Scale",
    "Green Scale",
    "Blue Scale",
    "Composite-In",
};

} // namespace

const char* PatternName(int index) { return index >= 0 && index < PATTERN_COUNT ? PATTERN_NAMES[index] : ""; }

int FindPattern(std::string_view name)
{
    for (int index = 0; index < PATTERN_COUNT; ++index)
        if (names::EqualIgnoringCase(name, PATTERN_NAMES[index]))
            return index;
    return -1;
}

std::uint8_t ModeFor(int index) { return index == COMPOSITE_INDEX ? 1 : 2; }

} // namespace vga
