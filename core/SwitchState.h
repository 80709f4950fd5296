#pragma once

#include <cstdint>
#include <string>

// The word of the pushbuttons and slide switches the board reports: bits 0-3 KEY0-KEY3,
// bits 4-21 SW0-SW17. Input `bit` is the input of that bit.
namespace switches {

constexpr int KEY_COUNT = 4;
constexpr int SWITCH_COUNT = 18;
constexpr int INPUT_COUNT = KEY_COUNT + SWITCH_COUNT;

inline bool IsKey(int bit) { return bit < KEY_COUNT; }
inline bool IsDown(std::uint32_t state, int bit) { return (state >> bit) & 1u; }

// "KEY2", "SW17".
std::string InputName(int bit);

} // namespace switches
