#include "core/Seg7Word.h"

namespace seg7 {

int StepDigit(int value, bool up) { return (value + (up ? 1 : 15)) & 0xF; }

std::uint32_t Seg7Word(const TDigits& digits)
{
    std::uint32_t word = 0;
    for (int i = DIGIT_COUNT - 1; i >= 0; --i)
        word = (word << 4) | (static_cast<std::uint32_t>(digits[i]) & 0xF);
    return word;
}

std::string DigitName(int digit) { return "HEX" + std::to_string(digit); }

} // namespace seg7
