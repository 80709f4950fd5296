#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QtGlobal>

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
    // A picture large enough to be worth drawing in two bands side by side is split at
    // this row (window coordinates), where the two cost about the same; 0: drawn whole.
    int splitRow = 0;
};

const std::vector<Entry>& Catalog();
const Entry* FindEntry(const QString& name);

// Draws the whole bitmap of an entry for a device pixel ratio (see Resources.h).
QImage Render(const Entry& entry, qreal ratio = 1.0);
// A large picture with a split row is drawn as two bands, its device rows above this
// one and the rest, so that the two can be drawn at once (Resources.cpp); 0 for a picture
// drawn whole. Render draws the same bands one after the other: the picture comes out the
// same whoever draws it.
int BandRow(const Entry& entry, qreal ratio);
// `count` device rows of `picture` from `first` on, as an image that shares their pixels.
// Made while `picture` is not shared (or the rows would be a copy's).
QImage PictureRows(QImage& picture, int first, int count);
// Draws the device rows of a plain picture's entry that `band` holds, from `firstRow` on.
void RenderRows(const Entry& entry, QImage& band, int firstRow);

} // namespace resources::art
