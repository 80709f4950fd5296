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
// name. Drawn once and kept, like the bitmaps (all frames: tens of MB, so a player
// should draw frame by frame with LoadAnimationFrame instead).
QList<QImage> LoadAnimationFrames(const QString& name);

// Number of frames of a named animation; 0 for an unknown name.
int AnimationFrameCount(const QString& name);
// One frame of a named animation, drawn on demand and not kept (the still parts are);
// a null QImage for an unknown name or an index outside 0 .. count - 1.
QImage LoadAnimationFrame(const QString& name, int index);

// Every animation name.
QStringList AnimationNames();

// Size of a named bitmap without drawing it; an invalid QSize for an unknown name.
QSize BitmapSize(const QString& name);

// Button bitmaps hold four equal frames stacked top to bottom.
enum ButtonFrame {
    FrameNormal = 0,
    FrameDisabled = 1,
    FrameHover = 2,
    FramePressed = 3
};

// True for the four-frame button bitmaps.
bool IsButtonBitmap(const QString& name);

} // namespace resources
