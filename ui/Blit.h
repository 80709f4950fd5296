#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

// Scan-line copies between 32-bit pictures, the only drawing the kit does besides text.
namespace ui {

// Copies `source` rectangle of `src` to `dst` with its top-left corner at `at`, clipped
// to both pictures. With `transparent`, pixels of colour `key` (alpha ignored) are left
// undrawn. Returns the rectangle of `dst` that was written. `dst` is converted to a
// 32-bit RGB format first if it is in any other format.
QRect BlitRows(QImage& dst, QPoint at, const QImage& src, QRect source, bool transparent = false, QRgb key = 0);

// The colour that marks transparent pixels of a picture: its bottom-left pixel.
QRgb TransparentKey(const QImage& image);

// `image` in the kit's working format (32-bit RGB); a null image stays null.
QImage ToWorkingFormat(QImage image);

} // namespace ui
