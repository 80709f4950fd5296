// The decoder of the memory page's HEX files on any file content. Input: the file's
// bytes. The file loader decodes a whole file in place, in the buffer it read the text
// into, with an odd last character taken as followed by "0"; this target does the same.
//
// Properties: decoding succeeds exactly when every character is a hexadecimal digit; in
// place it gives the same bytes as into a second buffer, also when it stops at a bad
// character; the bytes encode back to the text (in upper case).
#include "fuzz/FuzzSupport.h"
#include "pages/HexCodec.h"

#include <algorithm>
#include <cctype>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using fuzz::Require;
    const std::size_t count = (size + 1) / 2;
    std::vector<std::uint8_t> buffer(2 * count, '0');
    std::copy(data, data + size, buffer.begin());
    const std::vector<std::uint8_t> text = buffer;
    const char* chars = reinterpret_cast<const char*>(text.data());

    std::vector<std::uint8_t> separate(count, 0);
    const bool decoded = hexcodec::DecodeHex(chars, count, separate.data());
    const bool inPlace = hexcodec::DecodeHex(reinterpret_cast<const char*>(buffer.data()), count, buffer.data());
    Require(decoded == inPlace, "in place or not, the same verdict");
    const bool allDigits = std::all_of(text.begin(), text.end(), [](std::uint8_t c) { return std::isxdigit(c); });
    Require(decoded == allDigits, "a text decodes exactly when it holds only hexadecimal digits");

    // The pairs before the first bad one are decoded either way.
    std::size_t good = 0;
    while (good < count && std::isxdigit(text[2 * good]) && std::isxdigit(text[2 * good + 1]))
        ++good;
    Require(std::equal(separate.begin(), separate.begin() + static_cast<std::ptrdiff_t>(good), buffer.begin()),
        "in place the same bytes as into a second buffer");
    if (!decoded)
        return 0;

    std::vector<char> encoded(2 * count);
    hexcodec::EncodeHex(separate.data(), count, encoded.data());
    for (std::size_t i = 0; i < encoded.size(); ++i)
        Require(encoded[i] == std::toupper(text[i]), "the bytes encode back to the text");
    return 0;
}
