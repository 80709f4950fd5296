#include "core/TraceText.h"

#include <cstdint>

namespace trace {
namespace {

constexpr char HEX_DIGITS[] = "0123456789abcdef";

// The length of the UTF-8 sequence at the start of `text` and its code point; 0 for a
// byte that starts none (or a sequence that is cut, overlong or a surrogate).
std::size_t Utf8Sequence(std::string_view text, char32_t& point)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        point = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        point = point << 6 | (next & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return 0;
    return length;
}

// What a terminal does something with instead of showing it, or what shows the text
// around it in another order or on another line.
bool Unprintable(char32_t point)
{
    return point < 0x20 || (point >= 0x7F && point < 0xA0) || point == 0x061C || point == 0x200E || point == 0x200F
        || (point >= 0x2028 && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069);
}

void Escape(std::string& out, std::string_view bytes)
{
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += "\\x";
        out += HEX_DIGITS[byte >> 4];
        out += HEX_DIGITS[byte & 0xF];
    }
}

std::string Printable(std::string_view text, bool* escaped, bool doubleBackslashes)
{
    std::string out;
    out.reserve(text.size());
    bool any = false;
    while (!text.empty()) {
        char32_t point = 0;
        const std::size_t length = Utf8Sequence(text, point);
        if (length == 0 || Unprintable(point)) {
            Escape(out, text.substr(0, length == 0 ? 1 : length));
            any = true;
        } else if (point == '\\' && doubleBackslashes) {
            out += "\\\\";
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length == 0 ? 1 : length);
    }
    if (escaped && any)
        *escaped = true;
    return out;
}

} // namespace

std::string PrintableText(std::string_view text, bool* escaped) { return Printable(text, escaped, true); }

std::string PrintableKeepingBackslashes(std::string_view text) { return Printable(text, nullptr, false); }

} // namespace trace
