#pragma once

#include <QImage>
#include <QRect>

namespace ui {

// Draws the keyboard focus mark of a skinned button over its frame rectangle `rect`
// (window coordinates) on `canvas`, and returns the rectangle it covered. The mark lies
// inside the rectangle, so drawing the button's frame again removes it.
QRect DrawFocusMark(QImage* canvas, const QRect& rect);

} // namespace ui
