#pragma once

#include <cstddef>
#include <cstdint>

// The HEX text of the memory files: two upper-case hexadecimal characters per byte, high
// nibble first, with nothing between them. Both directions go through lookup tables,
// since a whole SDRAM is 128 MB and a formatted print per byte would take seconds.
namespace hexcodec {

// Writes 2 * count characters for `count` bytes. `text` must not overlap `bytes`.
void EncodeHex(const std::uint8_t* bytes, std::size_t count, char* text);

// Decodes `count` bytes from 2 * count characters ("0"-"9", "a"-"f", "A"-"F"). Returns
// false at the first other character; the bytes decoded until then are written.
// `bytes` may be the same memory as `text`: byte i is written only after characters 2i
// and 2i + 1 were read, so a text can be decoded in place without a second buffer.
bool DecodeHex(const char* text, std::size_t count, std::uint8_t* bytes);

// DecodeHex that tells how many bytes were decoded before the first pair holding another
// character (count when there is none).
std::size_t DecodeHexPrefix(const char* text, std::size_t count, std::uint8_t* bytes);

// The value of one hexadecimal digit ("0"-"9", "a"-"f", "A"-"F"), or -1.
int NibbleOf(char c);

} // namespace hexcodec
