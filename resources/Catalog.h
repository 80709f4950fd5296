#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

namespace resources::art {

// Paints one picture, or one frame of a button, into `area` (the painter is already
// anti-aliased and clipped to the area). `frame` is the ButtonFrame for buttons, 0 for
// plain pictures.
using PaintFn = std::function<void(QPainter&, const QRect& area, int frame)>;

struct Entry {
    QString name;
    QSize size;  // whole bitmap; a button's frame is size.height() / 4 tall
    bool button; // four frames stacked top to bottom
    PaintFn paint;
};

const std::vector<Entry>& Catalog();
const Entry* FindEntry(const QString& name);

// Draws the whole bitmap of an entry for a device pixel ratio (see Resources.h).
QImage Render(const Entry& entry, qreal ratio = 1.0);

} // namespace resources::art
