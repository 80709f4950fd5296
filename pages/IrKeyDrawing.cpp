#include "pages/IrKeyDrawing.h"

#include <QPainter>

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
    QPainter painter(canvas);
    const QRect area = KeyArea();
    painter.drawImage(area.topLeft(), background, area);
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
