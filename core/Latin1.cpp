#include "core/Latin1.h"

#include <cstdint>

namespace latin1 {

namespace {

// Length of the UTF-8 sequence that starts with `lead` and the payload bits of the lead
// byte; 0 for a byte that cannot start one.
int SequenceLength(unsigned char lead, std::uint32_t& bits)
{
    if (lead < 0x80) {
        bits = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        bits = lead & 0x1Fu;
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        bits = lead & 0x0Fu;
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        bits = lead & 0x07u;
        return 4;
    }
    return 0;
}

// Decodes the sequence at `at`; returns its length, or 0 when it is broken (cut short,
// overlong, a surrogate or beyond U+10FFFF).
std::size_t Decode(std::string_view text, std::size_t at, std::uint32_t& codePoint)
{
    const int length = SequenceLength(static_cast<unsigned char>(text[at]), codePoint);
    if (length == 0 || at + static_cast<std::size_t>(length) > text.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = codePoint << 6 | (next & 0x3Fu);
    }
    constexpr std::uint32_t SMALLEST[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < SMALLEST[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return static_cast<std::size_t>(length);
}

} // namespace

std::string FromUtf8(std::string_view utf8)
{
    std::string result;
    result.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        std::uint32_t codePoint = 0;
        const std::size_t length = Decode(utf8, at, codePoint);
        if (length == 0) {
            result += '?';
            ++at;
            continue;
        }
        if (codePoint <= 0xFF)
            result += static_cast<char>(codePoint);
        else
            result.append(codePoint > 0xFFFF ? 2 : 1, '?');
        at += length;
    }
    return result;
}

std::optional<TOutside> FirstOutside(std::string_view utf8, std::uint32_t first, std::uint32_t last)
{
    std::size_t index = 0;
    for (std::size_t at = 0; at < utf8.size(); ++index) {
        std::uint32_t codePoint = 0;
        const std::size_t length = Decode(utf8, at, codePoint);
        if (length == 0)
            return TOutside{index, std::string(utf8.substr(at, 1))};
        if (codePoint < first || codePoint > last)
            return TOutside{index, std::string(utf8.substr(at, length))};
        at += length;
    }
    return std::nullopt;
}

std::string ToUtf8(std::string_view latin1)
{
    std::string result;
    result.reserve(latin1.size());
    for (char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            result += c;
        } else {
            result += static_cast<char>(0xC0 | byte >> 6);
            result += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return result;
}

} // namespace latin1
