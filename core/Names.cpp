#include "core/Names.h"

#include <cstdio>

namespace names {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Escaped(unsigned char c)
{
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02x", c);
    return text;
}

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

} // namespace

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::string QuotedCharacter(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
    case '\n':
        return "'\\n'";
    case '\r':
        return "'\\r'";
    case '\t':
        return "'\\t'";
    default:
        break;
    }
    return "'" + (byte >= 0x20 && byte < 0x7F ? std::string(1, c) : Escaped(byte)) + "'";
}

// As RFC 3629 has it: no overlong forms, no surrogates, nothing beyond U+10FFFF.
std::size_t Utf8Length(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char first = byte(0);
    if (first < 0x80)
        return 1;
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (first >= 0xC2 && first <= 0xDF)
        n = 2;
    else if (first >= 0xE0 && first <= 0xEF) {
        n = 3;
        low = first == 0xE0 ? 0xA0 : 0x80;
        high = first == 0xED ? 0x9F : 0xBF;
    } else if (first >= 0xF0 && first <= 0xF4) {
        n = 4;
        low = first == 0xF0 ? 0x90 : 0x80;
        high = first == 0xF4 ? 0x8F : 0xBF;
    }
    if (n == 0 || at + n > text.size() || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < n; ++i)
        if (!Continuation(byte(i)))
            return 0;
    return n;
}

std::string Utf8OrEscaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8Length(text, i);
        if (n == 0) {
            out += Escaped(static_cast<unsigned char>(text[i++]));
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

} // namespace names
