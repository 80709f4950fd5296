#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QImage;
class QWidget;

// Text on a page's canvas and fonts of a page's standard controls. Sizes are given in
// points of a 96 dpi screen and turned into pixel sizes, so that the pages look the
// same on every screen and on the canvas images (which have no screen of their own).
namespace pagetext {

// The font `family` at `points` points on a 96 dpi screen.
QFont PageFont(const QString& family, int points);

// Writes `text` with a clear brush so that its top-left corner is at (x, y), and
// returns the rectangle it covered.
QRect TextOut(QImage* canvas, int x, int y, const QString& text, const QFont& font, const QColor& colour);

// Same, centred horizontally on `centreX` (the left edge truncates toward zero).
QRect TextOutCentred(QImage* canvas, int centreX, int y, const QString& text, const QFont& font,
                     const QColor& colour);

// Gives a standard control the font and the text colour (of its window text and its
// text) in one go.
void StyleControl(QWidget* control, const QFont& font, const QColor& textColour);

// Colours the pages share.
inline const QColor CAPTION_CYAN(0, 234, 255);
inline const QColor TEXT_WHITE(255, 255, 255);

} // namespace pagetext
