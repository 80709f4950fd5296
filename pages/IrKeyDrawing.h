#pragma once

#include "core/IrKeys.h"

#include <QColor>
#include <QImage>
#include <QRect>

// Where the IR page draws the remote's keys and the fading rings that mark a received one.
namespace ir {

// The key's 18 x 18 rectangle on the page.
QRect KeyRect(int key);

// The part of the page the rings are drawn in; each redraw starts from the background.
inline QRect KeyArea() { return QRect(QPoint(225, 57), QPoint(354, 286)); }

// The ring's pen width at a glow level.
inline int PenWidth(std::uint8_t level) { return level / 50; }
// The ring's colour at a glow level: from yellow towards black.
inline QColor RingColour(std::uint8_t level) { return QColor(level, level, 0); }

// Draws the key area of `background` onto `canvas` at the same place, then a ring in
// each key whose level is not 0. Both pictures are drawn for the same device pixel ratio.
void DrawKeys(QImage* canvas, const QImage& background, const TGlowLevels& levels);

} // namespace ir
