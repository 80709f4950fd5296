#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QImage;
class QLabel;
class QWidget;

// Text of the pages: fonts, text drawn on a page's canvas, and the transparent labels
// and standard controls placed over it. Font sizes are pixel sizes of a 96 dpi screen,
// so that the pages look the same on every screen and on the canvas images (which have
// no screen of their own); fonts that are not installed get a stand-in of the same
// metrics (see ui::PixelFont).
namespace pagetext {

// The font `family` at `points` points on a 96 dpi screen.
QFont PointFont(const QString& family, int points);

// Writes `text` with a clear brush so that its top-left corner is at (x, y), and
// returns the rectangle it covered.
QRect TextOut(QImage* canvas, int x, int y, const QString& text, const QFont& font, const QColor& colour);

// Same, centred horizontally on `centreX` (the left edge truncates toward zero).
QRect TextOutCentred(QImage* canvas, int centreX, int y, const QString& text, const QFont& font, const QColor& colour);

// A transparent label at (x, y), sized to its text (auto-size).
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, const QFont& font, const QColor& colour);
// A transparent, word-wrapped label of fixed size.
QLabel* MakeFixedLabel(
    QWidget* parent, const QString& text, const QRect& rect, const QFont& font, const QColor& colour);

// Changes the text colour of a label.
void SetLabelColour(QLabel* label, const QColor& colour);
// Sets the text of an auto-size label and fits the label to it.
void SetAutoText(QLabel* label, const QString& text);

// Gives a standard control the font and the text colour (of its window text, its text
// and its button text) in one go.
void StyleControl(QWidget* control, const QFont& font, const QColor& textColour);

// Colours the pages share.
inline const QColor CAPTION_CYAN(0, 234, 255);
inline const QColor TEXT_WHITE(255, 255, 255);

} // namespace pagetext
