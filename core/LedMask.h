#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The LEDs and the mask the board receives. LED i is bit i of the mask: 0-8 are GLED0-8,
// 9-26 are RLED0-17.
namespace leds {

constexpr int LED_COUNT = 27;
constexpr int GREEN_COUNT = 9;
constexpr std::uint32_t ALL_LEDS = 0x07FFFFFF;
// What the firmware shows once the FPGA is configured, and the LED page at its start.
constexpr std::uint32_t START_MASK = ALL_LEDS;

inline bool IsGreen(int id) { return id < GREEN_COUNT; }

// The mask with bit i set when `lit(i)` is true, for i = 0 to 26; bits 27-31 stay 0.
std::uint32_t LedMask(const std::function<bool(int)>& lit);

// The name of LED `id` as the board's silkscreen prints it: "GLED3", "RLED17".
std::string LedName(int id);

} // namespace leds
