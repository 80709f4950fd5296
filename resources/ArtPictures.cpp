#include "resources/Art.h"
#include "resources/Paint.h"

#include <QPainter>

namespace resources::art {

void PaintIrBackground(QPainter& p, const QRect& area, int)
{
    Placeholder(p, area, 3, QString());
    for (int i = 0; i < 24; ++i)
        p.drawRect(235 + 23 * (i % 4), 67 + 24 * (i / 4), 18, 18);
}
void PaintSlideSwitch(QPainter& p, const QRect& area, bool on) { Placeholder(p, area, on ? 2 : 0, QString()); }
void PaintPushKey(QPainter& p, const QRect& area, bool pressed) { Placeholder(p, area, pressed ? 3 : 0, QString()); }
void PaintHexDigit(QPainter& p, const QRect& area, int value)
{
    Placeholder(p, area, 1, QString::number(value, 16).toUpper());
}
void PaintLevel(QPainter& p, const QRect& area, LevelKind) { Placeholder(p, area, 1, QString()); }
void PaintBubble(QPainter& p, const QRect& area, int)
{
    p.fillRect(area, Qt::black);
    p.setBrush(QColor(200, 255, 200));
    p.drawEllipse(area.adjusted(2, 2, -2, -2));
}

} // namespace resources::art
