#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QRectF>
#include <QString>

class QPainter;

// Drawing helpers shared by every theme of the artwork.
namespace resources::art {

// A simple stand-in: a shaded box with its name, darker per frame index.
void Placeholder(QPainter& p, const QRect& area, int frame, const QString& label);

} // namespace resources::art
