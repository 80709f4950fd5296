#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What is sent to the character LCD and how the outcome is reported: plain functions.
namespace lcd {

// The edit boxes' own input limit: the LCD shows 16 characters a line.
constexpr int LINE_CHARS = 16;

// Line 0, a line feed, line 1, a line feed and the terminating NUL, one byte per
// character of the UTF-8 lines. The LCD's controller knows 8-bit characters only:
// characters beyond Latin-1 become '?', so two full lines are always 35 bytes, one chunk.
std::vector<std::uint8_t> LcdBytes(std::string_view line0, std::string_view line1);

// The LCD's character generator shows printable ASCII as itself; its other codes hold
// katakana and symbols that no typed character maps onto.
constexpr std::uint32_t FIRST_SHOWN = 0x20;
constexpr std::uint32_t LAST_SHOWN = 0x7E;

// Why the two lines cannot be shown ("Line 2, character 5: "é" is not in the LCD's
// character set."), or empty when every character can.
std::string UnshowableText(std::string_view line0, std::string_view line1);

// The outcome of one Set as the information line and a message box show it.
struct TSetOutcome {
    std::string infoText;
    bool success = false;
    std::string errorBox; // empty: no box
    bool linkFailure = false;
};

// `exchanged`: the write went through the link; `accepted`: the board's status was 0.
TSetOutcome SetOutcome(bool exchanged, bool accepted);

} // namespace lcd
