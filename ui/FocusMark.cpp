#include "ui/FocusMark.h"

#include <QPainter>
#include <QPen>
#include <cstdlib>

#include "ui/CustomButton.h"

namespace ui {

QRect ControlMarkRect(const QRect& control) { return control.adjusted(-3, -3, 3, 3); }

QRect DrawFocusMark(QImage* canvas, const QRect& rect, TMarkShape shape)
{
    if (!canvas || canvas->isNull() || rect.width() < 6 || rect.height() < 6)
        return {};
    QPainter painter(canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    // The skin's faces are round where a button is square (Connect) and gently rounded
    // elsewhere; the mark follows the face.
    const bool round = shape == TMarkShape::Face && std::abs(rect.width() - rect.height()) <= 4;
    const QRectF outer = QRectF(rect).adjusted(1, 1, -1, -1);
    const qreal radius = round ? qMin(outer.width(), outer.height()) / 2 : 4;
    // A soft halo under a crisp line, readable on dark faces and on lit ones alike.
    painter.setPen(QPen(QColor(0, 0, 0, 150), 3));
    painter.drawRoundedRect(outer.adjusted(1, 1, -1, -1), radius, radius);
    // The skin's accent, the colour of pressed and selected captions and of lit rims.
    painter.setPen(QPen(QColor::fromRgb(TCustomButton::CAPTION_ACTIVE), 1.5));
    painter.drawRoundedRect(outer.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    return rect;
}

} // namespace ui
