#pragma once

#include <string>
#include <string_view>

// Names the user types (memories, patterns, file extensions) match in any case, as the
// names the window lists do: "sdram" is SDRAM. Only ASCII letters fold; the names are
// ASCII. And text the user gave us (a cable's or a file's name, a character of a file)
// as messages and JSON quote it.
namespace names {

bool EqualIgnoringCase(std::string_view a, std::string_view b);

// A memory's name as it is compared: lower case, without the hyphen before its number,
// so that "SSRAM-0", "ssram-0" and "ssram0" are one name. Inline, so that the simulator's
// control commands, which link no core, take the names by the same rule.
inline std::string MemoryNameKey(std::string_view name)
{
    std::string key;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '-' && i + 2 == name.size() && name[i + 1] >= '0' && name[i + 1] <= '9')
            continue;
        key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return key;
}
inline bool SameMemoryName(std::string_view typed, std::string_view name)
{
    return MemoryNameKey(typed) == MemoryNameKey(name);
}

// One character (one byte) of a file as a message quotes it: 'G', or escaped where it
// would not show: '\n', '\r', '\t', ' ', '\x00', '\xc3' (a byte of a character beyond ASCII).
std::string QuotedCharacter(char c);

// `text` as valid UTF-8: every byte that is not part of a UTF-8 character (a name in
// Latin-1, a cut sequence, an overlong form, a surrogate) becomes the four characters
// \xHH, lower-case hex; text that is UTF-8 comes back unchanged. JSON, which must be
// UTF-8, carries names so.
std::string Utf8OrEscaped(std::string_view text);

// The length of the UTF-8 character at `at` (1 to 4), or 0 when the bytes there are none.
std::size_t Utf8Length(std::string_view text, std::size_t at);

} // namespace names
