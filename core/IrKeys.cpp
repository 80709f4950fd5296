#include "core/IrKeys.h"

#include "core/HexCodec.h"

#include <algorithm>

namespace ir {

int KeyForCode(std::uint8_t code)
{
    const auto found
        = std::find_if(IR_KEYS.begin(), IR_KEYS.end(), [code](const TIrKey& key) { return key.code == code; });
    return found == IR_KEYS.end() ? -1 : static_cast<int>(found - IR_KEYS.begin());
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
