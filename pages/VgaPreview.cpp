#include "pages/VgaPreview.h"

#include <QPainter>

namespace vga {

namespace {

enum Channel {
    RED,
    GREEN,
    BLUE,
    GREY
};

QColor Level(Channel channel, int v)
{
    switch (channel) {
    case RED:
        return QColor(v, 0, 0);
    case GREEN:
        return QColor(0, v, 0);
    case BLUE:
        return QColor(0, 0, v);
    case GREY:
        return QColor(v, v, v);
    }
    return QColor(0, 0, 0);
}

} // namespace

bool IsGrid(int index) { return index == 0 || (index >= 6 && index <= 8); }

bool ShowsComposite(int index) { return !IsGrid(index) && !(index >= 1 && index <= 5); }

QRect CellRect(int row, int column)
{
    const int left = PREVIEW_WIDTH * column / GRID_COLUMNS;
    const int right = PREVIEW_WIDTH * (column + 1) / GRID_COLUMNS;
    const int top = PREVIEW_HEIGHT * row / GRID_ROWS;
    const int bottom = PREVIEW_HEIGHT * (row + 1) / GRID_ROWS;
    return QRect(left, top, right - left, bottom - top);
}

QColor CellColour(int index, int row, int column)
{
    const int v = (16 * column) % 256;
    switch (index) {
    case 0:
        return Level(static_cast<Channel>(row % 4), v);
    case 6:
        return Level(RED, v);
    case 7:
        return Level(GREEN, v);
    case 8:
        return Level(BLUE, v);
    default:
        return QColor(0, 0, 0);
    }
}

QColor SolidColour(int index)
{
    switch (index) {
    case 1:
        return QColor(255, 0, 0);
    case 2:
        return QColor(0, 128, 0);
    case 3:
        return QColor(0, 0, 255);
    case 4:
        return QColor(255, 255, 255);
    default:
        return QColor(0, 0, 0);
    }
}

void DrawPreview(QImage& preview, int index, const QImage& composite)
{
    // In window coordinates: a preview drawn for a screen's scale holds more pixels.
    const QRect whole(0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT);
    QPainter painter(&preview);
    if (IsGrid(index)) {
        for (int row = 0; row < GRID_ROWS; ++row)
            for (int column = 0; column < GRID_COLUMNS; ++column)
                painter.fillRect(CellRect(row, column), CellColour(index, row, column));
    } else if (index >= 1 && index <= 5) {
        painter.fillRect(whole, SolidColour(index));
    } else {
        painter.fillRect(whole, Qt::black);
        painter.drawImage(0, 0, composite);
    }
}

} // namespace vga
