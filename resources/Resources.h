#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

// The program's named artwork. Every window paints itself from these bitmaps; they are
// drawn by code on first use (so the artwork is reproducible from source) and kept.
namespace resources {

// The named bitmap, 24-bit look (Format_RGB32, no alpha), or a null QImage for a name
// that does not exist. Safe to call from any thread; each bitmap is drawn once.
QImage LoadBitmap(const QString& name);

// Every bitmap name, in catalogue order.
QStringList BitmapNames();

// The frames of a named animation ("WELCOME_AVI"), or an empty list for an unknown
// name. Drawn once and kept, like the bitmaps.
QList<QImage> LoadAnimationFrames(const QString& name);

// Every animation name.
QStringList AnimationNames();

// Size of a named bitmap without drawing it; an invalid QSize for an unknown name.
QSize BitmapSize(const QString& name);

// Button bitmaps hold four equal frames stacked top to bottom.
enum ButtonFrame { FrameNormal = 0, FrameDisabled = 1, FrameHover = 2, FramePressed = 3 };

// True for the four-frame button bitmaps.
bool IsButtonBitmap(const QString& name);

} // namespace resources
