#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// The arithmetic of the IR page: the keys of the remote pictured on the page with their
// scan codes, the list of the most recent codes, and the fading rings that mark a
// received key.
namespace ir {

constexpr int KEY_COUNT = 24;
constexpr int KEY_COLUMNS = 4;
constexpr int LIST_CAPACITY = 8;
constexpr std::uint8_t GLOW_FULL = 255;

// The scan code of each key position, row by row (row = i / 4, column = i % 4).
extern const std::array<std::uint8_t, KEY_COUNT> IR_KEY_CODES;

// The key's 18 x 18 rectangle on the page.
QRect KeyRect(int key);
// The first key position with this scan code, or -1.
int KeyForCode(std::uint8_t code);

// The part of the page the rings are drawn in; each redraw starts from the background.
inline QRect KeyArea() { return QRect(QPoint(225, 57), QPoint(354, 286)); }

// One fading step: levels above 150 lose 15, the others go out.
std::uint8_t FadeLevel(std::uint8_t level);
// The ring's pen width at a level.
inline int PenWidth(std::uint8_t level) { return level / 50; }
// The ring's colour at a level: from yellow towards black.
inline QColor RingColour(std::uint8_t level) { return QColor(level, level, 0); }

using TGlowLevels = std::array<std::uint8_t, KEY_COUNT>;

// Draws the key area of `background` onto `canvas` at the same place, then a ring in
// each key whose level is not 0.
void DrawKeys(QImage* canvas, const QImage& background, const TGlowLevels& levels);

// Up to the eight most recent scan codes, oldest first.
class TScanCodeList {
public:
    // Appends in arrival order and keeps only the eight most recent.
    void Append(const std::uint8_t* codes, int count);
    void Clear() { m_Codes.clear(); }
    const std::vector<std::uint8_t>& Codes() const { return m_Codes; }
    // Each code as two upper-case hexadecimal digits and a line feed, oldest first.
    QString Text() const;

private:
    std::vector<std::uint8_t> m_Codes;
};

} // namespace ir
