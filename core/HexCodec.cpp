#include "core/HexCodec.h"

#include <array>
#include <cstring>

namespace hexcodec {

namespace {

constexpr char DIGITS[] = "0123456789ABCDEF";
constexpr std::uint16_t INVALID = 0x100;

struct TTables {
    // Both characters of each byte value, in memory order.
    std::array<std::array<char, 2>, 256> pairs{};
    // Nibble value of each character; INVALID for characters that are not hex digits.
    std::array<std::uint16_t, 256> nibbles{};

    constexpr TTables()
    {
        for (int b = 0; b < 256; ++b)
            pairs[b] = {DIGITS[b >> 4], DIGITS[b & 15]};
        for (int c = 0; c < 256; ++c)
            nibbles[c] = INVALID;
        for (int v = 0; v < 16; ++v) {
            nibbles[static_cast<unsigned char>(DIGITS[v])] = static_cast<std::uint16_t>(v);
            if (v >= 10)
                nibbles['a' + v - 10] = static_cast<std::uint16_t>(v);
        }
    }
};

constexpr TTables TABLES;

} // namespace

void EncodeHex(const std::uint8_t* bytes, std::size_t count, char* text)
{
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(text + 2 * i, TABLES.pairs[bytes[i]].data(), 2);
}

std::size_t DecodeHexPrefix(const char* text, std::size_t count, std::uint8_t* bytes)
{
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned high = TABLES.nibbles[in[2 * i]];
        const unsigned low = TABLES.nibbles[in[2 * i + 1]];
        if ((high | low) & INVALID)
            return i;
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return count;
}

bool DecodeHex(const char* text, std::size_t count, std::uint8_t* bytes)
{
    return DecodeHexPrefix(text, count, bytes) == count;
}

int NibbleOf(char c)
{
    const unsigned nibble = TABLES.nibbles[static_cast<unsigned char>(c)];
    return nibble & INVALID ? -1 : static_cast<int>(nibble);
}

} // namespace hexcodec
