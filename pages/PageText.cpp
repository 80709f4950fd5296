#include "pages/PageText.h"

#include "ui/Fonts.h"

#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QWidget>

namespace pagetext {

QFont PointFont(const QString& family, int points)
{
    // Windows' rule for a font of `points` at 96 dpi: MulDiv(points, 96, 72) pixels.
    return ui::PixelFont(family, (points * 96 + 36) / 72);
}

QRect TextOut(QImage* canvas, int x, int y, const QString& text, const QFont& font, const QColor& colour)
{
    const QFontMetrics metrics(font);
    const QRect covered(x, y, metrics.horizontalAdvance(text), metrics.height());
    if (!canvas || canvas->isNull() || text.isEmpty())
        return covered;
    QPainter painter(canvas);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QPoint(x, y + metrics.ascent()), text);
    return covered;
}

QRect TextOutCentred(QImage* canvas, int centreX, int y, const QString& text, const QFont& font, const QColor& colour)
{
    const int width = QFontMetrics(font).horizontalAdvance(text);
    return TextOut(canvas, centreX - width / 2, y, text, font, colour);
}

void SetLabelColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, colour);
    label->setPalette(palette);
}

static QLabel* NewLabel(QWidget* parent, const QString& text, const QFont& font, const QColor& colour)
{
    auto* label = new QLabel(text, parent);
    label->setAutoFillBackground(false);
    label->setAttribute(Qt::WA_TranslucentBackground);
    // Clicks go to the page below, where the skinned buttons are.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setFont(font);
    label->setContentsMargins(0, 0, 0, 0);
    label->setMargin(0);
    SetLabelColour(label, colour);
    return label;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, const QFont& font, const QColor& colour)
{
    QLabel* label = NewLabel(parent, text, font, colour);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLabel* MakeFixedLabel(QWidget* parent, const QString& text, const QRect& rect, const QFont& font, const QColor& colour)
{
    QLabel* label = NewLabel(parent, text, font, colour);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(rect);
    return label;
}

void SetAutoText(QLabel* label, const QString& text)
{
    label->setText(text);
    label->adjustSize();
}

void StyleControl(QWidget* control, const QFont& font, const QColor& textColour)
{
    control->setFont(font);
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, textColour);
    palette.setColor(QPalette::Text, textColour);
    palette.setColor(QPalette::ButtonText, textColour);
    control->setPalette(palette);
}

} // namespace pagetext
