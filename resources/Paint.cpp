#include "resources/Paint.h"

#include <QPainter>

namespace resources::art {

void Placeholder(QPainter& p, const QRect& area, int frame, const QString& label)
{
    static const QColor kShade[4] = {QColor(70, 90, 120), QColor(60, 60, 60), QColor(90, 120, 160),
                                     QColor(40, 60, 90)};
    p.fillRect(area, kShade[frame & 3]);
    p.setPen(QColor(200, 200, 200));
    p.drawRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(qBound(6, area.height() / 3, 12));
    p.setFont(f);
    p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, label);
}

} // namespace resources::art
