#include "pages/IrKeyDrawing.h"

#include <QPainter>

#include "ui/Blit.h"

namespace ir {

QRect KeyRect(int key)
{
    const int row = key / KEY_COLUMNS;
    const int column = key % KEY_COLUMNS;
    return QRect(235 + 23 * column, 67 + 24 * row, 18, 18);
}

void DrawKeys(QImage* canvas, const QImage& background, const TGlowLevels& levels)
{
    if (!canvas || canvas->isNull())
        return;
    // The background and the canvas are drawn for the same ratio: a plain pixel copy.
    const QRect area = KeyArea();
    const qreal ratio = ui::RatioOf(*canvas);
    ui::BlitRows(*canvas, ui::DevicePoint(area.topLeft(), ratio), background, ui::DeviceRect(area, ratio));
    QPainter painter(canvas);
    painter.setBrush(Qt::NoBrush);
    for (int key = 0; key < KEY_COUNT; ++key) {
        const std::uint8_t level = levels[key];
        if (level == 0)
            continue;
        QPen pen(RingColour(level));
        pen.setWidth(PenWidth(level));
        painter.setPen(pen);
        // Inscribed in the key's rectangle, whose right and bottom edges are exclusive.
        const QRect key18 = KeyRect(key);
        painter.drawEllipse(key18.adjusted(0, 0, -1, -1));
    }
}

} // namespace ir
