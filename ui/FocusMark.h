#pragma once

#include <QImage>
#include <QRect>

namespace ui {

// The shape of the mark: following a skinned button's face (round where the face is
// square, gently rounded elsewhere), or a rounded rectangle around a standard control.
enum class TMarkShape {
    Face,
    Control
};

// Draws the keyboard focus mark of a skinned button over its frame rectangle `rect`
// (window coordinates) on `canvas`, and returns the rectangle it covered. The mark lies
// inside the rectangle, so drawing the button's frame again removes it.
QRect DrawFocusMark(QImage* canvas, const QRect& rect, TMarkShape shape = TMarkShape::Face);

// Where the mark of a focused standard control (edit box, check box, list) stands: a
// ring just outside the control's rectangle `control`, drawn on its window's canvas.
QRect ControlMarkRect(const QRect& control);

} // namespace ui
