#pragma once

#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>

// The arithmetic of the seven-segment page: eight hexadecimal digits HEX0-HEX7, the
// word the board receives and where each digit and its arrows sit.
namespace seg7 {

constexpr int DIGIT_COUNT = 8;
using TDigits = std::array<int, DIGIT_COUNT>;

// One step of a digit through 0-F, wrapping at both ends.
int StepDigit(int value, bool up);

// Digit i in bits 4i to 4i+3 (HEX0 lowest); only each digit's low four bits count.
std::uint32_t Seg7Word(const TDigits& digits);

// Button ids: 2d steps digit d up, 2d + 1 steps it down.
inline int DigitOfButton(int id) { return id / 2; }
inline bool ButtonStepsUp(int id) { return id % 2 == 0; }

// The digit's reference point; its picture and label are placed from it.
QPoint DigitOrigin(int digit);
inline QPoint DigitPicturePlace(int digit) { return DigitOrigin(digit) + QPoint(8, 20); }
inline QPoint DigitLabelPlace(int digit) { return DigitOrigin(digit) + QPoint(11, 0); }
// Top-left corners of the up and down arrows; the down arrow is 22 pixels left of the up.
inline QPoint UpButtonPlace(int digit) { return DigitOrigin(digit) + QPoint(30, 85); }
inline QPoint DownButtonPlace(int digit) { return UpButtonPlace(digit) - QPoint(22, 0); }

QString DigitLabel(int digit);
// The picture of a value: "HEX_0" ... "HEX_9", "HEX_a" ... "HEX_f".
QString DigitPicture(int value);

} // namespace seg7
