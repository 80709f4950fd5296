#pragma once

#include <QPoint>
#include <QString>
#include <cstdint>
#include <functional>

// The arithmetic of the LED page: which LED a button drives, where it sits and the mask
// the board receives. Button id i drives LED bit i: ids 0-8 are GLED0-8, ids 9-26 are
// RLED0-17.
namespace leds {

constexpr int LED_COUNT = 27;
constexpr int GREEN_COUNT = 9;
constexpr int LEDS_PER_ROW = 9;
constexpr std::uint32_t ALL_LEDS = 0x07FFFFFF;

inline bool IsGreen(int id) { return id < GREEN_COUNT; }

// The mask with bit i set when `lit(i)` is true, for i = 0 to 26; bits 27-31 stay 0.
std::uint32_t LedMask(const std::function<bool(int)>& lit);

// Top-left corner of LED button `id`: rows at top 40, 110 and 180; the lowest LED of a
// row at the right (left 332), each next one 38 pixels further left.
QPoint ButtonPlace(int id);

// The label under LED `id` ("GLED3", "RLED17"), its centre and its top.
QString Label(int id);
int LabelCentreX(int id);
int LabelTop(int id);

// The picture of LED `id` lit or unlit.
QString Picture(int id, bool lit);

} // namespace leds
