#include "pages/Seg7Layout.h"

namespace seg7 {

namespace {

// HEX4-HEX7 in the upper row, HEX0-HEX3 in the lower; the upper row leaves a gap
// between HEX5 and HEX6, as on the board.
constexpr QPoint DIGIT_ORIGINS[DIGIT_COUNT] = {
    {244, 145},
    {194, 145},
    {144, 145},
    {94, 145},
    {270, 20},
    {220, 20},
    {120, 20},
    {70, 20},
};

} // namespace

QPoint DigitOrigin(int digit) { return DIGIT_ORIGINS[digit]; }

QString DigitLabel(int digit) { return QString::fromStdString(DigitName(digit)); }

QString DigitPicture(int value) { return QStringLiteral("HEX_%1").arg(value & 0xF, 0, 16); }

} // namespace seg7
