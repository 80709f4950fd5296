#pragma once

#include <QPoint>
#include <QString>
#include <cstdint>

// The arithmetic of the switches page. The input state is the word the board reports:
// bits 0-3 KEY0-KEY3, bits 4-21 SW0-SW17. Input `bit` is the input of that bit.
namespace switches {

constexpr int KEY_COUNT = 4;
constexpr int SWITCH_COUNT = 18;
constexpr int INPUT_COUNT = KEY_COUNT + SWITCH_COUNT;

inline bool IsKey(int bit) { return bit < KEY_COUNT; }
inline bool IsDown(std::uint32_t state, int bit) { return (state >> bit) & 1u; }

// Top-left corner of the input's picture.
QPoint PicturePlace(int bit);
// The label ("KEY2", "SW17"), the x its text is centred on and the top of its text.
QString Label(int bit);
int LabelCentreX(int bit);
int LabelTop(int bit);

} // namespace switches
