#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The text of the RS232 terminal. The port carries 8-bit characters; the page reads and
// writes them as Latin-1 so that every byte value maps to one character and back.
namespace rs232 {

// The received bytes as text, up to the first NUL byte (the firmware pads with NULs,
// and a NUL ends a string on the board's side too).
QString ReceivedText(const std::uint8_t* bytes, int count);

// The bytes sent for a typed text: its characters followed by the terminating NUL, so
// that even an empty text sends one byte. Characters outside Latin-1 become '?'.
QByteArray SendBytes(const QString& text);

} // namespace rs232
