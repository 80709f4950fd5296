#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Scan-line copies between 32-bit pictures, the only drawing the kit does besides text,
// and the mapping between window coordinates and the device pixels of a picture drawn
// for a device pixel ratio (QImage::devicePixelRatio; see resources/Resources.h).
namespace ui {

// Copies `source` rectangle of `src` to `dst` with its top-left corner at `at`, clipped
// to both pictures; all three in device pixels. With `transparent`, pixels of colour
// `key` (alpha ignored) are left undrawn. Returns the rectangle of `dst` that was
// written, in device pixels. `dst` is converted to a 32-bit RGB format first if it is
// in any other format.
QRect BlitRows(QImage& dst, QPoint at, const QImage& src, QRect source, bool transparent = false, QRgb key = 0);

// The colour that marks transparent pixels of a picture: its bottom-left pixel.
QRgb TransparentKey(const QImage& image);

// `image` in the kit's working format (32-bit RGB); a null image stays null.
QImage ToWorkingFormat(QImage image);

// The ratio a window's canvas is drawn for: its screen's device pixel ratio, within
// what the artwork draws (resources::NormalRatio).
qreal WindowRatio(const QWidget* window);
// The device pixel ratio of a picture (1 for pictures that never had one set).
qreal RatioOf(const QImage& image);
// A picture's size in window coordinates.
QSize LogicalSize(const QImage& image);
// Window coordinates to the device pixels of a picture drawn at `ratio`, and back (the
// smallest rectangle of window coordinates that covers the device rectangle).
QPoint DevicePoint(QPoint logical, qreal ratio);
QRect DeviceRect(const QRect& logical, qreal ratio);
QRect LogicalRect(const QRect& device, qreal ratio);

} // namespace ui
