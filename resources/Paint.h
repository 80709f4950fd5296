#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;
class QPainterPath;

// Drawing helpers shared by every theme of the artwork, so that bevels, panels, chips and
// connectors look alike wherever they appear.
namespace resources::art {

// Colours used across the artwork and by the windows' own text.
namespace palette {
inline const QColor kChassisTop(38, 43, 52);
inline const QColor kChassisBottom(18, 21, 27);
inline const QColor kPanel(27, 31, 38); // page backgrounds, flat base colour
inline const QColor kPanelEdge(64, 74, 88);
inline const QColor kAccent(0, 234, 255); // the pages' heading colour
inline const QColor kLime(0, 255, 48);
inline const QColor kPcb(16, 52, 84);
inline const QColor kPcbDark(10, 34, 58);
inline const QColor kCopper(196, 160, 84);
inline const QColor kSilk(226, 232, 236);
} // namespace palette

// A black picture of `frames` frames of `logical` size stacked top to bottom, on the
// device pixels of `ratio` (each frame DeviceSize(logical) tall), carrying the ratio.
QImage NewPicture(const QSize& logical, qreal ratio, int frames = 1);
// Sets the painter of such a picture to draw frame `frame` in its logical coordinates,
// stretched by a fraction of a pixel where the ratio is not whole so that the frame's
// logical area covers its device pixels exactly: no edge pixel is left half painted.
void PaintFrameAt(QPainter& p, const QSize& logical, int frame);
// The same for a band of a one-frame picture: the painter's device holds the picture's
// device rows from `firstRow` on.
void PaintRowsFrom(QPainter& p, const QSize& logical, int firstRow);
// The device pixel ratio the painter draws for.
qreal PaintRatio(const QPainter& p);
// Copies the pixels of the named picture that lie under `area` when `area` stands at
// `at` of that picture, pixel for pixel at the painter's ratio: a button drawn over the
// board picture shows the board around its face exactly as the window does.
void Backdrop(QPainter& p, const QRect& area, const QString& picture, QPoint at);

QColor Mix(const QColor& a, const QColor& b, qreal t);
QColor WithAlpha(QColor c, int alpha);
QFont Font(const char* family, int pixelSize, bool bold = false);

// A rounded rectangle filled with a top-to-bottom gradient.
void FillVertical(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom);
// A raised edge: light along the top and left, dark along the bottom and right.
void Bevel(QPainter& p, const QRectF& r, qreal radius, const QColor& light, const QColor& dark, qreal width = 1.0);
// A raised panel: gradient body with a bevel and a thin dark outline.
void RaisedPanel(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom);
// A well sunk into the surface around it: dark inner shadow above, light lip below.
void SunkenWell(QPainter& p, const QRectF& r, qreal radius, const QColor& fill);
void SunkenWell(QPainter& p, const QPainterPath& shape, const QColor& fill);
// Fine deterministic grain over an area (strength: 0..255 alpha of the darkest specks).
void Grain(QPainter& p, const QRect& r, unsigned seed, int strength);
// Soft radial light around a point.
void Glow(QPainter& p, const QPointF& centre, qreal radius, const QColor& colour);
// Text with a soft drop shadow.
void ShadowText(QPainter& p, const QRectF& r, int flags, const QString& text, const QFont& font, const QColor& colour,
    const QColor& shadow = QColor(0, 0, 0, 160));
// Text with a halo of its own colour, for lit lettering.
void GlowText(QPainter& p, const QRectF& r, int flags, const QString& text, const QFont& font, const QColor& colour,
    int haloAlpha = 70);

// An integrated circuit: black epoxy body, pins on the given sides, pin-1 dot and a
// marking. `pinPitch` <= 0 leaves the pins out (BGA, LGA packages).
enum ChipPins {
    PinsNone = 0,
    PinsLeft = 1,
    PinsRight = 2,
    PinsTop = 4,
    PinsBottom = 8
};
void Chip(QPainter& p, const QRectF& body, int pinSides, qreal pinPitch, const QString& marking = QString(),
    qreal markingPixelSize = 0);
// A D-sub connector seen from above: metal shell, trapezoid face and pin holes.
void DSub(QPainter& p, const QRectF& r, int rows, int pinsPerRow, const QColor& body);
// A row of header pins (gold squares on a black housing).
void PinHeader(QPainter& p, const QRectF& r, int cols, int rows);
// A plated mounting hole with a screw head.
void MountingHole(QPainter& p, const QPointF& c, qreal radius);
// A round LED (or lamp) lit or dark, with lens highlight.
void Lamp(QPainter& p, const QPointF& c, qreal radius, const QColor& colour, bool lit);
// A surface-mount passive (resistor or capacitor) of the given colour.
void Passive(QPainter& p, const QRectF& r, const QColor& body);

// Seven-segment digit: segment bits a..g in bits 0..6. The box is the digit's cell;
// `slant` shears it to the right like real displays.
unsigned SegmentsOf(int hexValue);
void SevenSegment(QPainter& p, const QRectF& box, unsigned segments, const QColor& on, const QColor& off,
    qreal slant = 0.1, bool glow = true);

// A simple stand-in: a shaded box with its name, darker per frame index.
void Placeholder(QPainter& p, const QRect& area, int frame, const QString& label);

} // namespace resources::art
