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

// The scan code of each key position, row by row (row = i / 4, column = i % 4).
extern const std::array<std::uint8_t, KEY_COUNT> IR_KEY_CODES;

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
