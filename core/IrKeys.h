#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The keys of the IR remote with their scan codes, the list of the most recent codes,
// and the glow that marks a received key and fades over the following polls.
namespace ir {

constexpr int KEY_COUNT = 24;
constexpr int KEY_COLUMNS = 4;
constexpr int LIST_CAPACITY = 8;
constexpr std::uint8_t GLOW_FULL = 255;

// A key of the remote: its scan code, its name as every face gives it (the label printed
// on it, in plain characters: "5", "CH+", "POWER"), and what the picture prints on it
// (its label, the transport keys' arrows; empty for the power key, which shows its symbol).
struct TIrKey {
    std::uint8_t code;
    const char* label;
    const char* printed;
};

// Every key in the order of its position on the remote, row by row: key i sits in row
// i / KEY_COLUMNS, column i % KEY_COLUMNS. The window draws, rings and the command line,
// Python and the self-test name the keys from this one table.
inline constexpr std::array<TIrKey, KEY_COUNT> IR_KEYS = {{
    {0x0F, "A", "A"},
    {0x13, "B", "B"},
    {0x10, "C", "C"},
    {0x12, "POWER", ""},
    {0x01, "1", "1"},
    {0x02, "2", "2"},
    {0x03, "3", "3"},
    {0x1A, "CH+", "CH+"},
    {0x04, "4", "4"},
    {0x05, "5", "5"},
    {0x06, "6", "6"},
    {0x1E, "CH-", "CH-"},
    {0x07, "7", "7"},
    {0x08, "8", "8"},
    {0x09, "9", "9"},
    {0x1B, "VOL+", "VOL+"},
    {0x11, "MENU", "MENU"},
    {0x00, "0", "0"},
    {0x17, "RTN", "RTN"},
    {0x1F, "VOL-", "VOL-"},
    {0x16, "REW", "\u25c0\u25c0"},
    {0x14, "PLAY", "\u25b6"},
    {0x18, "FF", "\u25b6\u25b6"},
    {0x0C, "MUTE", "MUTE"},
}};

constexpr int KeyRow(int key) { return key / KEY_COLUMNS; }
constexpr int KeyColumn(int key) { return key % KEY_COLUMNS; }

// The first key position with this scan code, or -1.
int KeyForCode(std::uint8_t code);

// One fading step: levels above 150 lose 15, the others go out.
std::uint8_t FadeLevel(std::uint8_t level);

using TGlowLevels = std::array<std::uint8_t, KEY_COUNT>;

// Up to the eight most recent scan codes, oldest first.
class TScanCodeList {
public:
    // Appends in arrival order and keeps only the eight most recent.
    void Append(const std::uint8_t* codes, int count);
    void Clear() { m_Codes.clear(); }
    const std::vector<std::uint8_t>& Codes() const { return m_Codes; }
    // Each code as two upper-case hexadecimal digits and a line feed, oldest first.
    std::string Text() const;

private:
    std::vector<std::uint8_t> m_Codes;
};

} // namespace ir
