#pragma once

#include <QImage>
#include <QString>
#include <functional>

// Where the kit gets its named bitmaps from. By default from the program's own
// artwork (resources::LoadBitmap); tests install a loader of their own so that they
// can check frames and transparency against pictures with known pixels.
namespace ui {

// Returns the named picture in a 32-bit RGB format, or a null image when the name is
// unknown.
QImage LoadNamedBitmap(const QString& name);

using BitmapLoader = std::function<QImage(const QString& name)>;
// Installs `loader` (empty = the program's artwork) and returns the previous one.
BitmapLoader SetBitmapLoader(BitmapLoader loader);

} // namespace ui
