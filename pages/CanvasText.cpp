#include "pages/CanvasText.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QWidget>

namespace pagetext {

QFont PageFont(const QString& family, int points)
{
    QFont font(family);
    font.setPixelSize((points * 96 + 36) / 72);
    return font;
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

QRect TextOutCentred(QImage* canvas, int centreX, int y, const QString& text, const QFont& font,
                     const QColor& colour)
{
    const int width = QFontMetrics(font).horizontalAdvance(text);
    return TextOut(canvas, centreX - width / 2, y, text, font, colour);
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
