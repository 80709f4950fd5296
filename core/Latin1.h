#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The board's character channels (LCD, RS232) carry 8-bit characters, read and written as
// Latin-1 so that every byte value is one character. Texts elsewhere in the core are UTF-8.
namespace latin1 {

// The 8-bit characters of a UTF-8 text. A character beyond Latin-1 becomes '?', one for
// each UTF-16 unit it takes (so a character beyond the Basic Multilingual Plane gives
// "??"), exactly as the window's text boxes convert what is typed; each byte of a broken
// UTF-8 sequence becomes one '?'.
std::string FromUtf8(std::string_view utf8);

// The first character of a UTF-8 text outside the code points first..last: its place
// (0 for the first character) and its UTF-8 text. A broken sequence counts as outside.
struct TOutside {
    std::size_t index = 0;
    std::string character;
};
std::optional<TOutside> FirstOutside(std::string_view utf8, std::uint32_t first, std::uint32_t last);

// The UTF-8 text of 8-bit characters.
std::string ToUtf8(std::string_view latin1);

} // namespace latin1
