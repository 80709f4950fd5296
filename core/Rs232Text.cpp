#include "core/Rs232Text.h"

#include "core/Latin1.h"
#include "core/TraceText.h"

#include <algorithm>

namespace rs232 {

std::string ReceivedText(const std::uint8_t* bytes, int count)
{
    if (!bytes || count <= 0)
        return {};
    const std::uint8_t* end = std::find(bytes, bytes + count, std::uint8_t{0});
    return latin1::ToUtf8(
        std::string_view(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(end - bytes)));
}

std::string UnsendableText(std::string_view text)
{
    const auto outside = latin1::FirstOutside(text, 0, 0xFF);
    if (!outside)
        return {};
    return "Character " + std::to_string(outside->index + 1) + ": \"" + trace::PrintableText(outside->character)
        + "\" cannot be sent: the port carries Latin-1 characters only.";
}

std::vector<std::uint8_t> SendBytes(std::string_view text)
{
    const std::string characters = latin1::FromUtf8(text);
    std::vector<std::uint8_t> bytes(characters.begin(), characters.end());
    bytes.push_back(0);
    return bytes;
}

} // namespace rs232
