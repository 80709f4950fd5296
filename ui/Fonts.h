#pragma once

#include <QFont>
#include <QString>

namespace ui {

// The font `family` at `pixelSize` pixels. The windows name Windows fonts; where one is
// not installed, a font of similar metrics stands in ("MS Sans Serif" becomes "Arial",
// which fontconfig maps to the metric-compatible Liberation Sans), rather than
// whatever the system's default fallback happens to be.
QFont PixelFont(const QString& family, int pixelSize, bool bold = false);

} // namespace ui
