#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

// Small helpers for the standard controls that the peripheral pages place over their
// skinned canvas: fonts given in points at the 96 pixels per inch the layouts were drawn
// for, and transparent labels that size themselves to their text.
namespace periph {

// `points` at 96 dpi, as a pixel size so that the layout does not move with the screen.
QFont PointFont(const QString& family, int points);
// A font `pixels` high.
QFont PixelFont(const QString& family, int pixels);

// A transparent label at (x, y), sized to its text (auto-size).
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, const QFont& font, const QColor& colour);
// A transparent, word-wrapped label of fixed size.
QLabel* MakeFixedLabel(QWidget* parent, const QString& text, const QRect& rect, const QFont& font,
                       const QColor& colour);

// Changes the text colour of a label.
void SetLabelColour(QLabel* label, const QColor& colour);
// Sets the text of an auto-size label and fits the label to it.
void SetAutoText(QLabel* label, const QString& text);

} // namespace periph
