#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

// Where the kit gets its named bitmaps from. By default from the program's own
// artwork (resources::LoadBitmap); tests install a loader of their own so that they
// can check frames and transparency against pictures with known pixels.
namespace ui {

// Returns the named picture drawn for the device pixel ratio `ratio` (its device
// pixels, with the ratio set) in a 32-bit RGB format, or a null image when the name is
// unknown.
QImage LoadNamedBitmap(const QString& name, qreal ratio = 1.0);
// The named picture's size in window coordinates, without drawing it; (0, 0) for an
// unknown name.
QSize NamedBitmapSize(const QString& name);

// A loader returns the picture of `name` drawn for `ratio`, with that ratio set.
using BitmapLoader = std::function<QImage(const QString& name, qreal ratio)>;
// Installs `loader` (empty = the program's artwork) and returns the previous one.
BitmapLoader SetBitmapLoader(BitmapLoader loader);

} // namespace ui
