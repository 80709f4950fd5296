// Every four-frame button: tabs, the title bar's buttons, Connect, the pages' push
// buttons, the digit arrows and the LED pictures. Frames: normal, disabled, hover, pressed.
//
// A button is copied over its window pixel for pixel, so whatever lies outside its
// rounded face is painted as the surface it sits on: the board picture's own pixels for
// the main window's buttons, the page colour for the pages' buttons.
#include "resources/Art.h"
#include "resources/Paint.h"
#include "resources/Resources.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace resources::art {
namespace {

// Copies the piece of the board picture under a button at (x, y) as the frame's backdrop.
void MainUiBackdrop(QPainter& p, const QRect& area, int x, int y)
{
    Backdrop(p, area, QStringLiteral("MAIN_UI"), QPoint(x, y));
}

struct FaceStyle {
    QColor top, bottom, edge, light;
    qreal lightAlpha;
};

// The common look of a raised control in each frame.
FaceStyle StyleOf(int frame)
{
    switch (frame) {
    case FrameDisabled:
        return {QColor(40, 43, 48), QColor(32, 34, 38), QColor(58, 62, 68), QColor(255, 255, 255), 14};
    case FrameHover:
        return {QColor(66, 92, 118), QColor(30, 48, 66), WithAlpha(palette::kAccent, 210), QColor(255, 255, 255), 70};
    case FramePressed:
        return {QColor(14, 26, 36), QColor(28, 50, 66), WithAlpha(palette::kAccent, 240), QColor(0, 0, 0), 90};
    default:
        return {QColor(60, 70, 84), QColor(26, 31, 39), QColor(8, 10, 13), QColor(255, 255, 255), 50};
    }
}

// A rounded face in the look of a frame, with its outline and highlight.
void Face(QPainter& p, const QRectF& r, qreal radius, int frame)
{
    const FaceStyle s = StyleOf(frame);
    FillVertical(p, r, radius, s.top, s.bottom);
    p.save();
    p.setBrush(Qt::NoBrush);
    if (frame == FramePressed) {
        // Sunken: shadow along the top inside.
        QLinearGradient in(r.topLeft(), r.topLeft() + QPointF(0, r.height() * 0.5));
        in.setColorAt(0, QColor(0, 0, 0, 110));
        in.setColorAt(1, QColor(0, 0, 0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(in);
        p.drawRoundedRect(r, radius, radius);
        p.setBrush(Qt::NoBrush);
    } else {
        // Gloss on the upper half.
        QLinearGradient gloss(r.topLeft(), QPointF(r.left(), r.center().y()));
        gloss.setColorAt(0, WithAlpha(s.light, static_cast<int>(s.lightAlpha * 0.7)));
        gloss.setColorAt(1, WithAlpha(s.light, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(gloss);
        p.drawRoundedRect(r.adjusted(1, 1, -1, -r.height() / 2), radius - 1, radius - 1);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(WithAlpha(s.light, static_cast<int>(s.lightAlpha)), 1));
        p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
    }
    p.setPen(QPen(s.edge, 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    if (frame == FrameHover || frame == FramePressed) {
        p.setPen(QPen(WithAlpha(palette::kAccent, 50), 2));
        p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), radius - 1, radius - 1);
    }
    p.restore();
}

QColor GlyphColour(int frame)
{
    switch (frame) {
    case FrameDisabled:
        return QColor(95, 100, 108);
    case FrameHover:
        return QColor(240, 252, 255);
    case FramePressed:
        return palette::kAccent;
    default:
        return QColor(196, 206, 218);
    }
}

} // namespace

void PaintTabButton(QPainter& p, const QRect& area, int frame)
{
    MainUiBackdrop(p, area, 8, 409);
    const QRectF r = QRectF(area).adjusted(1, 1, -1, -1);
    Face(p, r, 5, frame);
    if (frame == FrameDisabled) {
        // Tabs are disabled all together while the panel connects or after a lost link:
        // sink the face so that the whole column reads as out of reach at a glance.
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(8, 10, 14, 120));
        p.drawRoundedRect(r, 5, 5);
        p.restore();
    }
    // A status lamp at the left: dark at rest, cyan when the pointer is on the tab.
    const QPointF lamp(r.left() + 9, r.center().y());
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 120));
    p.drawEllipse(lamp, 3, 3);
    p.restore();
    if (frame == FrameHover || frame == FramePressed)
        Lamp(p, lamp, 2.2, palette::kAccent, true);
    else
        Lamp(p, lamp, 2.2, frame == FrameDisabled ? QColor(70, 74, 80) : QColor(0, 120, 140), false);
    // Fine rule at the right that matches the page's bezel.
    p.save();
    p.setPen(QPen(WithAlpha(frame == FrameDisabled ? QColor(90, 90, 90) : palette::kAccent,
                      frame == FrameNormal         ? 60
                          : frame == FrameDisabled ? 25
                                                   : 150),
        1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(r.right() - 6, r.top() + 10), QPointF(r.right() - 6, r.bottom() - 10));
    p.restore();
}

void PaintSystemButton(QPainter& p, const QRect& area, int frame, SystemGlyph glyph)
{
    static const int kLeft[3] = {559, 520, 481}; // Close, Mini, About
    MainUiBackdrop(p, area, kLeft[static_cast<int>(glyph)], 19);
    const QRectF r = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
    if (glyph == SystemGlyph::Close && (frame == FrameHover || frame == FramePressed)) {
        // Close turns red under the pointer, as the user expects of a close button.
        FillVertical(p, r, 3, frame == FrameHover ? QColor(232, 72, 64) : QColor(150, 30, 26),
            frame == FrameHover ? QColor(160, 30, 26) : QColor(110, 20, 18));
        Bevel(p, r, 3, QColor(255, 255, 255, frame == FrameHover ? 90 : 20), QColor(0, 0, 0, 120));
    } else {
        Face(p, r, 3, frame);
    }
    const QColor ink = glyph == SystemGlyph::Close && (frame == FrameHover || frame == FramePressed)
        ? QColor(255, 255, 255)
        : GlyphColour(frame);
    const QPointF c = r.center() + (frame == FramePressed ? QPointF(0.5, 0.5) : QPointF(0, 0));
    p.save();
    p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap));
    switch (glyph) {
    case SystemGlyph::Close:
        p.drawLine(c + QPointF(-3, -3), c + QPointF(3, 3));
        p.drawLine(c + QPointF(-3, 3), c + QPointF(3, -3));
        break;
    case SystemGlyph::Mini:
        p.drawLine(c + QPointF(-4, 2.5), c + QPointF(4, 2.5));
        break;
    case SystemGlyph::About:
        p.setFont(Font("Arial", 10, true));
        p.setPen(ink);
        p.drawText(r.translated(frame == FramePressed ? 0.5 : 0, frame == FramePressed ? 0.5 : 0), Qt::AlignCenter,
            QStringLiteral("i"));
        break;
    }
    p.restore();
}

void PaintConnectButton(QPainter& p, const QRect& area, int frame, bool connected)
{
    MainUiBackdrop(p, area, 124, 510);
    const QPointF c(area.width() / 2.0 - 0.5, area.height() / 2.0 - 0.5);
    const qreal outer = 36;
    // The lit ring says what the button will do: cyan to connect, amber to disconnect
    // (the link is up, shown green in the middle).
    const QColor ring = connected ? QColor(255, 150, 40) : palette::kAccent;
    const bool active = frame == FrameHover || frame == FramePressed;
    p.save();
    p.setPen(Qt::NoPen);
    // Bezel.
    QLinearGradient bezel(c - QPointF(0, outer), c + QPointF(0, outer));
    bezel.setColorAt(0, QColor(120, 128, 140));
    bezel.setColorAt(0.5, QColor(40, 44, 52));
    bezel.setColorAt(1, QColor(110, 118, 130));
    p.setBrush(bezel);
    p.drawEllipse(c, outer, outer);
    p.setBrush(QColor(8, 10, 12));
    p.drawEllipse(c, outer - 3, outer - 3);
    // Light ring.
    if (frame != FrameDisabled) {
        const int alpha = frame == FrameNormal ? 130 : 230;
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(WithAlpha(ring, alpha / 3), 5));
        p.drawEllipse(c, outer - 5.5, outer - 5.5);
        p.setPen(QPen(WithAlpha(ring, alpha), 1.8));
        p.drawEllipse(c, outer - 5.5, outer - 5.5);
        p.setPen(Qt::NoPen);
    }
    // The cap: domed metal, pushed in when pressed.
    const qreal cap = outer - 9;
    const QPointF cc = c + (frame == FramePressed ? QPointF(0, 1) : QPointF(0, 0));
    QRadialGradient dome(cc - QPointF(cap * 0.3, cap * 0.45), cap * 1.5);
    if (frame == FrameDisabled) {
        dome.setColorAt(0, QColor(70, 74, 80));
        dome.setColorAt(1, QColor(30, 32, 36));
    } else if (frame == FramePressed) {
        dome.setColorAt(0, QColor(40, 48, 58));
        dome.setColorAt(1, QColor(70, 82, 96));
    } else {
        dome.setColorAt(0, active ? QColor(120, 140, 160) : QColor(96, 108, 124));
        dome.setColorAt(0.6, QColor(44, 52, 64));
        dome.setColorAt(1, QColor(22, 26, 32));
    }
    p.setBrush(dome);
    p.setPen(QPen(QColor(0, 0, 0, 200), 1));
    p.drawEllipse(cc, cap, cap);
    // The power symbol and the word.
    const QColor ink = frame == FrameDisabled ? QColor(90, 94, 100)
        : active                              ? QColor(240, 252, 255)
                                              : QColor(205, 214, 224);
    const QColor symbol = frame == FrameDisabled ? ink : connected ? QColor(255, 170, 70) : palette::kAccent;
    const QPointF sc = cc - QPointF(0, 6);
    if (frame != FrameDisabled && active)
        Glow(p, sc, 14, WithAlpha(symbol, 90));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(symbol, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(sc - QPointF(8, 8), QSizeF(16, 16)), 120 * 16, 300 * 16);
    p.drawLine(sc - QPointF(0, 10), sc - QPointF(0, 1));
    p.setPen(ink);
    QFont f = Font("Arial", connected ? 8 : 9, true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.3);
    p.setFont(f);
    p.drawText(QRectF(cc.x() - cap, cc.y() + 5, cap * 2, 12), Qt::AlignCenter,
        connected ? QStringLiteral("DISCONNECT") : QStringLiteral("CONNECT"));
    // Link lamp under the word: green while connected.
    if (connected)
        Lamp(p, cc + QPointF(0, 20), 2, QColor(60, 255, 80), frame != FrameDisabled);
    else
        Lamp(p, cc + QPointF(0, 20), 2, QColor(255, 60, 40), frame != FrameDisabled);
    p.restore();
}

void PaintPushButton(QPainter& p, const QRect& area, int frame)
{
    p.fillRect(area, palette::kPanel);
    Face(p, QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5), 4, frame);
}

void PaintArrowButton(QPainter& p, const QRect& area, int frame, bool right)
{
    p.fillRect(area, palette::kPanel);
    const QRectF r = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
    Face(p, r, 3.5, frame);
    const QPointF c = r.center() + (frame == FramePressed ? QPointF(0.5, 0.5) : QPointF(0, 0));
    QPolygonF tri;
    const qreal d = right ? 1 : -1;
    tri << c + QPointF(-2.5 * d, -4.5) << c + QPointF(3.5 * d, 0) << c + QPointF(-2.5 * d, 4.5);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(GlyphColour(frame));
    p.drawPolygon(tri);
    p.restore();
}

void PaintLedButton(QPainter& p, const QRect& area, int frame, LedColour colour, bool lit)
{
    p.fillRect(area, palette::kPanel);
    const QRectF r = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor hue = colour == LedColour::Green ? QColor(40, 255, 70) : QColor(255, 40, 30);
    // The LED's socket: a dark well that lights up at its rim under the pointer.
    p.save();
    if (frame == FrameHover || frame == FramePressed) {
        p.setPen(QPen(WithAlpha(palette::kAccent, frame == FrameHover ? 150 : 220), 1));
        p.setBrush(frame == FramePressed ? QColor(10, 14, 18) : QColor(34, 42, 52));
        p.drawRoundedRect(r, 5, 5);
    } else {
        p.setPen(QPen(frame == FrameDisabled ? QColor(44, 46, 50) : QColor(58, 66, 78), 1));
        p.setBrush(QColor(20, 23, 28));
        p.drawRoundedRect(r, 5, 5);
    }
    p.restore();
    const QPointF c(r.center().x(), r.top() + 13 + (frame == FramePressed ? 1 : 0));
    const qreal radius = 7.5;
    const bool dim = frame == FrameDisabled;
    if (lit && !dim) {
        Lamp(p, c, radius, hue, true);
    } else if (lit && dim) {
        // Lit but not available: the colour shows, without the glow.
        Lamp(p, c, radius, hue.darker(170), false);
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(WithAlpha(hue.darker(160), 120));
        p.drawEllipse(c, radius - 1.5, radius - 1.5);
        p.restore();
    } else {
        Lamp(p, c, radius, dim ? QColor(90, 90, 90) : hue, false);
    }
    // The two leads below the lens.
    p.save();
    p.setPen(QPen(dim ? QColor(80, 82, 86) : QColor(170, 176, 184), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() - 3, c.y() + radius + 2), QPointF(c.x() - 3, r.bottom() - 4));
    p.drawLine(QPointF(c.x() + 3, c.y() + radius + 2), QPointF(c.x() + 3, r.bottom() - 6));
    p.restore();
}

} // namespace resources::art
