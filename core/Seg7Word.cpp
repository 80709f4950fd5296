#include "core/Seg7Word.h"

#include "core/HexCodec.h"
#include "core/TraceText.h"

namespace seg7 {

int StepDigit(int value, bool up) { return (value + (up ? 1 : 15)) & 0xF; }

std::uint32_t Seg7Word(const TDigits& digits)
{
    std::uint32_t word = 0;
    for (int i = DIGIT_COUNT - 1; i >= 0; --i)
        word = (word << 4) | (static_cast<std::uint32_t>(digits[i]) & 0xF);
    return word;
}

std::string DigitsOfText(const std::string& typed, TDigits& digits)
{
    // With or without 0x, as the numbers of vx5h and Python are taken.
    const bool prefixed = typed.size() > 2 && typed[0] == '0' && (typed[1] == 'x' || typed[1] == 'X');
    const std::string text = prefixed ? typed.substr(2) : typed;
    if (text.empty() || text.size() > DIGIT_COUNT)
        return "'" + trace::PrintableText(text) + "' must have one to eight hexadecimal digits";
    digits = {};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int digit = hexcodec::NibbleOf(text[text.size() - 1 - i]);
        if (digit < 0)
            return "'" + trace::PrintableText(text) + "' must hold hexadecimal digits only (0-9, A-F)";
        digits[i] = digit;
    }
    return {};
}

std::string DigitName(int digit) { return "HEX" + std::to_string(digit); }

} // namespace seg7
