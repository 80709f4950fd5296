#include "pages/Seg7Word.h"

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

int StepDigit(int value, bool up) { return (value + (up ? 1 : 15)) & 0xF; }

std::uint32_t Seg7Word(const TDigits& digits)
{
    std::uint32_t word = 0;
    for (int i = DIGIT_COUNT - 1; i >= 0; --i)
        word = (word << 4) | (static_cast<std::uint32_t>(digits[i]) & 0xF);
    return word;
}

QPoint DigitOrigin(int digit) { return DIGIT_ORIGINS[digit]; }

QString DigitLabel(int digit) { return QStringLiteral("HEX%1").arg(digit); }

QString DigitPicture(int value) { return QStringLiteral("HEX_%1").arg(value & 0xF, 0, 16); }

} // namespace seg7
