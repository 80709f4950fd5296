#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

// The program's named artwork. Every window paints itself from these bitmaps; they are
// drawn by code on first use (so the artwork is reproducible from source) and kept.
//
// Each picture is drawn for the device pixel ratio of the screen it is shown on (1 on an
// ordinary screen, 2 on a 200% one): sizes and places stay in window coordinates, and a
// picture of w x h is drawn on DeviceSize(w x h) pixels that carry the ratio
// (QImage::devicePixelRatio), so nothing is ever an enlarged copy of a smaller picture.
namespace resources {

// Ratios below 1 draw at 1 (the screen shrinks them); above MAX_RATIO at MAX_RATIO, so
// that an absurd scale factor cannot ask for gigabytes of pictures.
inline constexpr qreal MAX_RATIO = 4.0;
// The ratio a picture is drawn for: clamped as above and rounded to hundredths, so that
// 1.2499999 and 1.25 share one drawing.
qreal NormalRatio(qreal ratio);
// Device pixels of a length of `logical` window pixels: enough to cover it (rounded up),
// so that the logical size follows back from the device size by rounding down.
int DeviceLength(int logical, qreal ratio);
QSize DeviceSize(const QSize& logical, qreal ratio);
// The device pixel at which window coordinate `logical` starts. Pictures that continue
// another picture (a button's backdrop cut from the board picture) and the windows that
// place them use this one rule, so that they meet without a seam.
int ToDevice(int logical, qreal ratio);

// The named bitmap drawn for `ratio`, 24-bit look (Format_RGB32, no alpha), or a null
// QImage for a name that does not exist. Safe to call from any thread; each bitmap is
// drawn once per ratio.
QImage LoadBitmap(const QString& name, qreal ratio = 1.0);
// Starts drawing the named bitmaps for `ratio` on the thread pool and returns at once;
// a LoadBitmap of one of them then waits for its drawing instead of drawing it again.
// A window that is about to show calls it, so that its pictures are drawn side by side
// while it builds its controls. The pictures drawn over a piece of another (a button
// over the board picture) go in `over`: they start once `names` are drawn.
void PrepareBitmaps(const QStringList& names, qreal ratio, const QStringList& over = {});

// Every bitmap name, in catalogue order.
QStringList BitmapNames();

// The frames of a named animation ("WELCOME_AVI"), or an empty list for an unknown
// name. Drawn once and kept, like the bitmaps (all frames: tens of MB, so a player
// should draw frame by frame with LoadAnimationFrame instead).
QList<QImage> LoadAnimationFrames(const QString& name);

// Number of frames of a named animation; 0 for an unknown name.
int AnimationFrameCount(const QString& name);
// Frame size of a named animation in window coordinates; an invalid QSize for an
// unknown name.
QSize AnimationSize(const QString& name);
// One frame of a named animation drawn for `ratio`, on demand and not kept (the still
// parts are); a null QImage for an unknown name or an index outside 0 .. count - 1.
QImage LoadAnimationFrame(const QString& name, int index, qreal ratio = 1.0);
// Starts drawing the still parts of a named animation for `ratio` on the thread pool,
// like PrepareBitmaps, and tells whether they are drawn (a frame then costs little).
void PrepareAnimation(const QString& name, qreal ratio);
bool AnimationReady(const QString& name, qreal ratio);

// Held by a window that has pictures drawn ahead: its end waits for every drawing on the
// thread pool, so that none goes on after the window, and perhaps the application
// whose fonts it draws with, is gone.
class TDrawingAhead {
public:
    TDrawingAhead() = default;
    ~TDrawingAhead();
    TDrawingAhead(const TDrawingAhead&) = delete;
    TDrawingAhead& operator=(const TDrawingAhead&) = delete;
};

// Every animation name.
QStringList AnimationNames();

// Size of a named bitmap (window coordinates) without drawing it; an invalid QSize for an
// unknown name.
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
