#include "resources/Art.h"
#include "resources/Paint.h"

#include <QPainter>

namespace resources::art {

void PaintTabButton(QPainter& p, const QRect& area, int frame) { Placeholder(p, area, frame, QString()); }
void PaintSystemButton(QPainter& p, const QRect& area, int frame, SystemGlyph) { Placeholder(p, area, frame, QString()); }
void PaintConnectButton(QPainter& p, const QRect& area, int frame, bool connected)
{
    Placeholder(p, area, frame, connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
}
void PaintPushButton(QPainter& p, const QRect& area, int frame) { Placeholder(p, area, frame, QString()); }
void PaintArrowButton(QPainter& p, const QRect& area, int frame, bool right)
{
    Placeholder(p, area, frame, right ? QStringLiteral(">") : QStringLiteral("<"));
}
void PaintLedButton(QPainter& p, const QRect& area, int frame, LedColour colour, bool lit)
{
    Placeholder(p, area, frame, QString());
    p.setBrush(lit ? (colour == LedColour::Green ? QColor(0, 255, 48) : QColor(255, 0, 0)) : QColor(40, 40, 40));
    p.drawEllipse(area.center(), 8, 8);
}

} // namespace resources::art
