#include "core/IrKeys.h"

#include "core/HexCodec.h"

#include <algorithm>

namespace ir {

const std::array<std::uint8_t, KEY_COUNT> IR_KEY_CODES = {
    0x0F, 0x13, 0x10, 0x12, //
    0x01, 0x02, 0x03, 0x1A, //
    0x04, 0x05, 0x06, 0x1E, //
    0x07, 0x08, 0x09, 0x1B, //
    0x11, 0x00, 0x17, 0x1F, //
    0x16, 0x14, 0x18, 0x0C, //
};

int KeyForCode(std::uint8_t code)
{
    const auto found = std::find(IR_KEY_CODES.begin(), IR_KEY_CODES.end(), code);
    return found == IR_KEY_CODES.end() ? -1 : static_cast<int>(found - IR_KEY_CODES.begin());
}

std::uint8_t FadeLevel(std::uint8_t level) { return level <= 150 ? 0 : static_cast<std::uint8_t>(level - 15); }

void TScanCodeList::Append(const std::uint8_t* codes, int count)
{
    if (!codes || count <= 0)
        return;
    m_Codes.insert(m_Codes.end(), codes, codes + count);
    if (m_Codes.size() > LIST_CAPACITY)
        m_Codes.erase(m_Codes.begin(), m_Codes.end() - LIST_CAPACITY);
}

std::string TScanCodeList::Text() const
{
    std::string text;
    for (std::uint8_t code : m_Codes) {
        char digits[2];
        hexcodec::EncodeHex(&code, 1, digits);
        text.append(digits, 2);
        text += '\n';
    }
    return text;
}

} // namespace ir
