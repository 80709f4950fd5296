#include "resources/Paint.h"

#include "resources/Resources.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <random>

namespace resources::art {

QImage NewPicture(const QSize& logical, qreal ratio, int frames)
{
    const QSize device = DeviceSize(logical, ratio);
    QImage img(device.width(), device.height() * frames, QImage::Format_RGB32);
    img.fill(Qt::black);
    img.setDevicePixelRatio(NormalRatio(ratio));
    return img;
}

namespace {

// Makes the painter's coordinates the picture's device pixels.
void DevicePixels(QPainter& p)
{
    const qreal ratio = PaintRatio(p);
    p.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
}

} // namespace

void PaintFrameAt(QPainter& p, const QSize& logical, int frame)
{
    PaintRowsFrom(p, logical, -frame * DeviceSize(logical, PaintRatio(p)).height());
}

void PaintRowsFrom(QPainter& p, const QSize& logical, int firstRow)
{
    const QSize device = DeviceSize(logical, PaintRatio(p));
    DevicePixels(p);
    p.translate(0, -firstRow);
    p.scale(qreal(device.width()) / qMax(1, logical.width()), qreal(device.height()) / qMax(1, logical.height()));
}

qreal PaintRatio(const QPainter& p) { return p.device() ? p.device()->devicePixelRatio() : 1.0; }

void Backdrop(QPainter& p, const QRect& area, const QString& picture, QPoint at)
{
    const qreal ratio = PaintRatio(p);
    const QRectF mapped = p.deviceTransform().mapRect(QRectF(area));
    const QRect device(QPoint(qRound(mapped.left()), qRound(mapped.top())),
        QPoint(qRound(mapped.right()) - 1, qRound(mapped.bottom()) - 1));
    const QRect source(QPoint(ToDevice(at.x(), ratio), ToDevice(at.y(), ratio)), device.size());
    p.save();
    DevicePixels(p);
    p.drawImage(QRectF(device), LoadBitmap(picture, ratio), QRectF(source));
    p.restore();
}

QColor Mix(const QColor& a, const QColor& b, qreal t)
{
    const auto lerp = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(
        lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()), lerp(a.alpha(), b.alpha()));
}

QColor WithAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

QFont Font(const char* family, int pixelSize, bool bold)
{
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void FillVertical(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r, radius, radius);
    p.restore();
}

void Bevel(QPainter& p, const QRectF& r, qreal radius, const QColor& light, const QColor& dark, qreal width)
{
    // The light pen lies along the top-left half of the outline and the dark pen along
    // the bottom-right half: a diagonal gradient split hard at the middle does both.
    const QRectF inner = r.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    QLinearGradient g(inner.topLeft(), inner.bottomRight());
    g.setColorAt(0, light);
    g.setColorAt(0.5, Mix(light, dark, 0.5));
    g.setColorAt(1, dark);
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(g), width));
    p.drawRoundedRect(inner, radius, radius);
    p.restore();
}

void RaisedPanel(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom)
{
    FillVertical(p, r, radius, top, bottom);
    Bevel(p, r.adjusted(1, 1, -1, -1), qMax<qreal>(0, radius - 1), WithAlpha(Qt::white, 70), WithAlpha(Qt::black, 60));
    p.save();
    p.setPen(QPen(QColor(0, 0, 0, 170), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

void SunkenWell(QPainter& p, const QRectF& r, qreal radius, const QColor& fill)
{
    QPainterPath shape;
    shape.addRoundedRect(r, radius, radius);
    SunkenWell(p, shape, fill);
}

void SunkenWell(QPainter& p, const QPainterPath& shape, const QColor& fill)
{
    const QRectF r = shape.boundingRect();
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(shape);
    QLinearGradient shade(r.topLeft(), r.topLeft() + QPointF(0, qMin<qreal>(8, r.height() / 2)));
    shade.setColorAt(0, QColor(0, 0, 0, 120));
    shade.setColorAt(1, QColor(0, 0, 0, 0));
    p.setBrush(shade);
    p.drawPath(shape);
    // Dark lip above and left, light lip below and right.
    QLinearGradient lip(r.topLeft(), r.bottomRight());
    lip.setColorAt(0, QColor(0, 0, 0, 150));
    lip.setColorAt(0.5, QColor(0, 0, 0, 60));
    lip.setColorAt(1, QColor(255, 255, 255, 45));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(lip), 1));
    p.drawPath(shape);
    p.restore();
}

void Grain(QPainter& p, const QRect& r, unsigned seed, int strength)
{
    // A small tile of random specks, repeated: cheap, deterministic and without seams
    // that the eye would catch at this scale.
    static constexpr int kTile = 97;
    // One speck per device pixel, however finely the picture is drawn.
    QImage tile(kTile, kTile, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    tile.setDevicePixelRatio(PaintRatio(p));
    std::minstd_rand rng(seed);
    std::uniform_int_distribution<int> value(0, 255);
    for (int y = 0; y < kTile; ++y) {
        auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
        for (int x = 0; x < kTile; ++x) {
            const int v = value(rng);
            if (v < 96) {
                const int a = strength * (96 - v) / 96;
                line[x] = qPremultiply(qRgba(0, 0, 0, a));
            } else if (v > 215) {
                const int a = strength * (v - 215) / 80 / 2;
                line[x] = qPremultiply(qRgba(255, 255, 255, a));
            }
        }
    }
    p.save();
    p.setBrushOrigin(r.topLeft());
    p.fillRect(r, QBrush(tile));
    p.restore();
}

void Glow(QPainter& p, const QPointF& centre, qreal radius, const QColor& colour)
{
    QRadialGradient g(centre, radius);
    g.setColorAt(0, colour);
    g.setColorAt(0.45, WithAlpha(colour, colour.alpha() * 2 / 5));
    g.setColorAt(1, WithAlpha(colour, 0));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

void ShadowText(QPainter& p, const QRectF& r, int flags, const QString& text, const QFont& font, const QColor& colour,
    const QColor& shadow)
{
    p.save();
    p.setFont(font);
    p.setPen(shadow);
    p.drawText(r.translated(1, 1), flags, text);
    p.setPen(colour);
    p.drawText(r, flags, text);
    p.restore();
}

void GlowText(QPainter& p, const QRectF& r, int flags, const QString& text, const QFont& font, const QColor& colour,
    int haloAlpha)
{
    p.save();
    p.setFont(font);
    p.setPen(WithAlpha(colour, haloAlpha / 3));
    for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -2; dy <= 2; ++dy)
            if (dx * dx + dy * dy <= 5 && (dx || dy))
                p.drawText(r.translated(dx, dy), flags, text);
    p.setPen(colour);
    p.drawText(r, flags, text);
    p.restore();
}

void Chip(QPainter& p, const QRectF& body, int pinSides, qreal pinPitch, const QString& marking, qreal markingPixelSize)
{
    p.save();
    if (pinPitch > 0) {
        const QColor pin(200, 202, 206);
        const qreal len = qMax<qreal>(1.5, qMin(body.width(), body.height()) * 0.12);
        const qreal w = qMax<qreal>(0.8, pinPitch * 0.5);
        p.setPen(Qt::NoPen);
        p.setBrush(pin);
        const auto row = [&](QPointF from, QPointF step, int n, QSizeF size) {
            for (int i = 0; i < n; ++i)
                p.drawRect(QRectF(from + step * i, size));
        };
        const int nH = qMax(1, static_cast<int>((body.width() - pinPitch) / pinPitch));
        const int nV = qMax(1, static_cast<int>((body.height() - pinPitch) / pinPitch));
        const qreal offH = (body.width() - (nH - 1) * pinPitch - w) / 2;
        const qreal offV = (body.height() - (nV - 1) * pinPitch - w) / 2;
        if (pinSides & PinsLeft)
            row(QPointF(body.left() - len, body.top() + offV), QPointF(0, pinPitch), nV, QSizeF(len, w));
        if (pinSides & PinsRight)
            row(QPointF(body.right(), body.top() + offV), QPointF(0, pinPitch), nV, QSizeF(len, w));
        if (pinSides & PinsTop)
            row(QPointF(body.left() + offH, body.top() - len), QPointF(pinPitch, 0), nH, QSizeF(w, len));
        if (pinSides & PinsBottom)
            row(QPointF(body.left() + offH, body.bottom()), QPointF(pinPitch, 0), nH, QSizeF(w, len));
    }
    // Shadow, body, soft top light.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawRoundedRect(body.translated(1, 1.2), 1, 1);
    QLinearGradient g(body.topLeft(), body.bottomRight());
    g.setColorAt(0, QColor(58, 60, 66));
    g.setColorAt(1, QColor(22, 23, 27));
    p.setBrush(g);
    p.drawRoundedRect(body, 1, 1);
    p.setPen(QPen(QColor(255, 255, 255, 40), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(0.6, 0.6, -0.6, -0.6), 0.8, 0.8);
    // Pin-1 mark.
    const qreal dot = qMax<qreal>(0.9, qMin(body.width(), body.height()) * 0.08);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 92, 98));
    p.drawEllipse(body.topLeft() + QPointF(dot * 2.2, dot * 2.2), dot, dot);
    if (!marking.isEmpty()) {
        QFont f = Font("Arial", 8, true);
        f.setPixelSize(qMax(4, static_cast<int>(markingPixelSize > 0 ? markingPixelSize : body.height() * 0.22)));
        p.setFont(f);
        p.setPen(QColor(200, 204, 210, 170));
        p.drawText(body, Qt::AlignCenter, marking);
    }
    p.restore();
}

void DSub(QPainter& p, const QRectF& r, int rows, int pinsPerRow, const QColor& body)
{
    p.save();
    // Moulded body with its two screw posts.
    RaisedPanel(p, r, 1.5, body.lighter(125), body.darker(140));
    const qreal post = r.height() * 0.2;
    for (qreal x : {r.left() + r.width() * 0.1, r.right() - r.width() * 0.1}) {
        const QPointF c(x, r.center().y());
        p.setPen(QPen(QColor(40, 40, 40), 0.6));
        QRadialGradient g(c - QPointF(post * 0.3, post * 0.3), post * 1.2);
        g.setColorAt(0, QColor(235, 235, 240));
        g.setColorAt(1, QColor(120, 124, 130));
        p.setBrush(g);
        p.drawEllipse(c, post, post);
    }
    // Metal shell with the trapezoid mating face.
    const QRectF face(r.left() + r.width() * 0.22, r.top() + r.height() * 0.22, r.width() * 0.56, r.height() * 0.56);
    QPainterPath trap;
    const qreal inset = face.width() * 0.08;
    trap.moveTo(face.topLeft());
    trap.lineTo(face.topRight());
    trap.lineTo(face.bottomRight() - QPointF(inset, 0));
    trap.lineTo(face.bottomLeft() + QPointF(inset, 0));
    trap.closeSubpath();
    QLinearGradient shell(face.topLeft(), face.bottomLeft());
    shell.setColorAt(0, QColor(225, 228, 232));
    shell.setColorAt(1, QColor(130, 134, 140));
    p.setPen(QPen(QColor(70, 72, 78), 0.8));
    p.setBrush(shell);
    p.drawPath(trap);
    const QRectF inner
        = face.adjusted(face.width() * 0.08, face.height() * 0.16, -face.width() * 0.08, -face.height() * 0.16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(28, 30, 34));
    p.drawRoundedRect(inner, 1, 1);
    p.setBrush(QColor(190, 160, 90));
    const qreal pinR = qMax<qreal>(0.45, inner.height() / (rows * 4.0));
    for (int row = 0; row < rows; ++row) {
        const int n = pinsPerRow - (row % 2);
        const qreal y = inner.top() + inner.height() * (row + 0.5) / rows;
        for (int i = 0; i < n; ++i) {
            const qreal x = inner.left() + inner.width() * (i + 0.5 + (row % 2) * 0.5) / pinsPerRow;
            p.drawEllipse(QPointF(x, y), pinR, pinR);
        }
    }
    p.restore();
}

void PinHeader(QPainter& p, const QRectF& r, int cols, int rows)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(18, 18, 20));
    p.drawRect(r);
    const qreal cw = r.width() / cols;
    const qreal rh = r.height() / rows;
    const qreal s = qMin(cw, rh) * 0.45;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            const QPointF c(r.left() + cw * (x + 0.5), r.top() + rh * (y + 0.5));
            QLinearGradient g(c - QPointF(s, s), c + QPointF(s, s));
            g.setColorAt(0, QColor(250, 222, 140));
            g.setColorAt(1, QColor(150, 112, 40));
            p.setBrush(g);
            p.drawRect(QRectF(c - QPointF(s / 2, s / 2), QSizeF(s, s)));
        }
    p.restore();
}

void MountingHole(QPainter& p, const QPointF& c, qreal radius)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(214, 178, 96));
    p.drawEllipse(c, radius, radius);
    QRadialGradient g(c - QPointF(radius * 0.3, radius * 0.35), radius * 0.9);
    g.setColorAt(0, QColor(240, 242, 246));
    g.setColorAt(1, QColor(110, 114, 122));
    p.setBrush(g);
    p.drawEllipse(c, radius * 0.72, radius * 0.72);
    p.setPen(QPen(QColor(60, 62, 68), qMax<qreal>(0.7, radius * 0.16)));
    p.drawLine(c + QPointF(-radius * 0.42, 0), c + QPointF(radius * 0.42, 0));
    p.drawLine(c + QPointF(0, -radius * 0.42), c + QPointF(0, radius * 0.42));
    p.restore();
}

void Lamp(QPainter& p, const QPointF& c, qreal radius, const QColor& colour, bool lit)
{
    p.save();
    if (lit)
        Glow(p, c, radius * 2.6, WithAlpha(colour, 110));
    QRadialGradient g(c + QPointF(-radius * 0.25, -radius * 0.3), radius * 1.15);
    if (lit) {
        g.setColorAt(0, Mix(colour, Qt::white, 0.75));
        g.setColorAt(0.45, colour);
        g.setColorAt(1, colour.darker(150));
    } else {
        g.setColorAt(0, Mix(colour.darker(300), Qt::white, 0.15));
        g.setColorAt(1, colour.darker(600));
    }
    p.setPen(QPen(QColor(0, 0, 0, 150), qMax<qreal>(0.6, radius * 0.12)));
    p.setBrush(g);
    p.drawEllipse(c, radius, radius);
    // Lens highlight.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, lit ? 170 : 70));
    p.drawEllipse(c + QPointF(-radius * 0.32, -radius * 0.38), radius * 0.3, radius * 0.2);
    p.restore();
}

void Passive(QPainter& p, const QRectF& r, const QColor& body)
{
    p.save();
    p.setPen(Qt::NoPen);
    const bool horizontal = r.width() >= r.height();
    const qreal cap = (horizontal ? r.width() : r.height()) * 0.22;
    p.setBrush(QColor(205, 208, 212));
    p.drawRect(r);
    p.setBrush(body);
    if (horizontal)
        p.drawRect(r.adjusted(cap, 0, -cap, 0));
    else
        p.drawRect(r.adjusted(0, cap, 0, -cap));
    p.restore();
}

unsigned SegmentsOf(int hexValue)
{
    static const unsigned kSegments[16]
        = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F, 0x77, 0x7C, 0x39, 0x5E, 0x79, 0x71};
    return kSegments[hexValue & 15];
}

void SevenSegment(
    QPainter& p, const QRectF& box, unsigned segments, const QColor& on, const QColor& off, qreal slant, bool glow)
{
    // Segment geometry in a unit cell 1 wide and 2 tall, then sheared and scaled.
    const qreal t = 0.22;  // thickness
    const qreal g = 0.035; // gap between segments
    const auto hSeg = [&](qreal y) {
        QPolygonF poly;
        poly << QPointF(t / 2 + g, y) << QPointF(t + g, y - t / 2) << QPointF(1 - t - g, y - t / 2)
             << QPointF(1 - t / 2 - g, y) << QPointF(1 - t - g, y + t / 2) << QPointF(t + g, y + t / 2);
        return poly;
    };
    const auto vSeg = [&](qreal x, qreal y0, qreal y1) {
        QPolygonF poly;
        poly << QPointF(x, y0 + g) << QPointF(x + t / 2, y0 + t / 2 + g) << QPointF(x + t / 2, y1 - t / 2 - g)
             << QPointF(x, y1 - g) << QPointF(x - t / 2, y1 - t / 2 - g) << QPointF(x - t / 2, y0 + t / 2 + g);
        return poly;
    };
    const QPolygonF seg[7] = {
        hSeg(t / 2),                   // a
        vSeg(1 - t / 2, t / 2, 1),     // b
        vSeg(1 - t / 2, 1, 2 - t / 2), // c
        hSeg(2 - t / 2),               // d
        vSeg(t / 2, 1, 2 - t / 2),     // e
        vSeg(t / 2, t / 2, 1),         // f
        hSeg(1),                       // g
    };
    QTransform tr;
    const qreal sx = box.width() / (1 + slant * 2);
    const qreal sy = box.height() / 2;
    tr.translate(box.left() + slant * 2 * sx, box.top());
    tr.scale(sx, sy);
    tr.shear(-slant, 0);
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        const bool lit = segments & (1u << i);
        const QPolygonF poly = tr.map(seg[i]);
        if (lit && glow) {
            p.setBrush(WithAlpha(on, 60));
            p.setPen(QPen(WithAlpha(on, 45), qMax<qreal>(1.5, sx * 0.16), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolygon(poly);
            p.setPen(Qt::NoPen);
        }
        p.setBrush(lit ? on : off);
        p.drawPolygon(poly);
        if (lit) {
            // A brighter core down the middle of a lit segment.
            p.setBrush(WithAlpha(Mix(on, Qt::white, 0.6), 150));
            const QPointF centre = poly.boundingRect().center();
            QTransform shrink;
            shrink.translate(centre.x(), centre.y());
            const bool horizontal = i == 0 || i == 3 || i == 6;
            shrink.scale(horizontal ? 0.8 : 0.4, horizontal ? 0.4 : 0.82);
            shrink.translate(-centre.x(), -centre.y());
            p.drawPolygon(shrink.map(poly));
        }
    }
    p.restore();
}

void Placeholder(QPainter& p, const QRect& area, int frame, const QString& label)
{
    static const QColor kShade[4] = {QColor(70, 90, 120), QColor(60, 60, 60), QColor(90, 120, 160), QColor(40, 60, 90)};
    p.fillRect(area, kShade[frame & 3]);
    p.setPen(QColor(200, 200, 200));
    p.drawRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5));
    p.setFont(Font("Arial", qBound(6, area.height() / 3, 12)));
    p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, label);
}

} // namespace resources::art
