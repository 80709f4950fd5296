#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The text of the RS232 terminal. The port carries 8-bit characters, read and written as
// Latin-1 so that every byte value maps to one character and back; texts are UTF-8.
namespace rs232 {

// The received bytes as text, up to the first NUL byte (the firmware pads with NULs,
// and a NUL ends a string on the board's side too).
std::string ReceivedText(const std::uint8_t* bytes, int count);

// Why a typed text cannot be sent ("Character 3: "€" cannot be sent: the port carries
// Latin-1 characters only."), or empty when it can.
std::string UnsendableText(std::string_view text);

// The bytes sent for a typed text: its characters followed by the terminating NUL, so
// that even an empty text sends one byte. Check UnsendableText first: characters outside
// Latin-1 would become '?'.
std::vector<std::uint8_t> SendBytes(std::string_view text);

} // namespace rs232
