// The pictures that pages draw over their backgrounds: the IR page's remote control, the
// slide switches and keys, the seven-segment digits and the spirit levels.
//
// Switches, keys and digits are drawn with their bottom-left pixel as the transparent
// colour, so each is a plate with rounded corners whose outside is that one colour: the
// page colour, so that the corner's soft edge also blends into the page.
#include "core/IrKeys.h"
#include "resources/Art.h"
#include "resources/Paint.h"
#include "resources/Resources.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace resources::art {
namespace {

void KeyedBackdrop(QPainter& p, const QRect& area) { p.fillRect(area, palette::kPanel); }

// Makes sure the transparent colour is exactly the page colour, whatever the
// anti-aliasing of the plate did near the corner.
void StampKey(QPainter& p, const QRect& area) { p.fillRect(QRect(area.left(), area.bottom(), 1, 1), palette::kPanel); }

// ---- IR remote control -------------------------------------------------------------

// The key rectangles: column c, row r at (235 + 23c, 67 + 24r), 18 x 18.
QRectF KeyRect(int i) { return QRectF(235 + 23 * (i % 4), 67 + 24 * (i / 4), 18, 18); }

enum class KeyLook {
    Digit,
    Red,
    Green,
    Yellow,
    Blue,
    Function,
    Power
};

// The look of each key position; what is printed on it comes from the remote's key table,
// which every face names the keys by.
const KeyLook kRemoteLooks[ir::KEY_COUNT] = {
    KeyLook::Red, KeyLook::Green, KeyLook::Yellow, KeyLook::Power,              //
    KeyLook::Digit, KeyLook::Digit, KeyLook::Digit, KeyLook::Function,          //
    KeyLook::Digit, KeyLook::Digit, KeyLook::Digit, KeyLook::Function,          //
    KeyLook::Digit, KeyLook::Digit, KeyLook::Digit, KeyLook::Function,          //
    KeyLook::Blue, KeyLook::Digit, KeyLook::Blue, KeyLook::Function,            //
    KeyLook::Function, KeyLook::Function, KeyLook::Function, KeyLook::Function, //
};

QColor KeyColour(KeyLook look)
{
    switch (look) {
    case KeyLook::Red:
        return QColor(200, 50, 50);
    case KeyLook::Green:
        return QColor(40, 160, 70);
    case KeyLook::Yellow:
        return QColor(210, 170, 30);
    case KeyLook::Blue:
        return QColor(40, 100, 190);
    case KeyLook::Power:
        return QColor(210, 40, 30);
    case KeyLook::Function:
        return QColor(78, 84, 94);
    case KeyLook::Digit:
        break;
    }
    return QColor(96, 102, 112);
}

void RemoteButton(QPainter& p, const QRectF& r, KeyLook look, const char* printed)
{
    // A round rubber key inscribed in its rectangle, so that the page's glow ring (an
    // ellipse inscribed in the same rectangle) hugs it.
    const QPointF c = r.center();
    const qreal rad = 7.6;
    const QColor base = KeyColour(look);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 140));
    p.drawEllipse(c + QPointF(0, 1), rad + 0.6, rad + 0.6);
    QRadialGradient g(c - QPointF(rad * 0.35, rad * 0.45), rad * 1.6);
    g.setColorAt(0, base.lighter(150));
    g.setColorAt(0.55, base);
    g.setColorAt(1, base.darker(170));
    p.setBrush(g);
    p.drawEllipse(c, rad, rad);
    p.setPen(QPen(QColor(255, 255, 255, 50), 0.7));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c - QPointF(rad - 1, rad - 1), QSizeF(2 * rad - 2, 2 * rad - 2)), 40 * 16, 100 * 16);
    if (look == KeyLook::Power) {
        p.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(c - QPointF(3.6, 3.1), QSizeF(7.2, 7.2)), 125 * 16, 290 * 16);
        p.drawLine(c + QPointF(0, -4.2), c + QPointF(0, 0));
    } else {
        const QString text = QString::fromUtf8(printed);
        const int px = text.size() >= 4 ? 5 : text.size() == 3 ? 6 : text.size() == 2 ? 7 : 9;
        p.setFont(Font("Arial", px, true));
        p.setPen(QColor(248, 250, 252));
        p.drawText(r.adjusted(-2, 0, 2, 0), Qt::AlignCenter, text);
    }
    p.restore();
}

void Remote(QPainter& p)
{
    // The body, centred on the key block (keys from x 235 to 322, y 67 to 205).
    const QRectF body(224, 14, 110, 259);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawRoundedRect(body.translated(3, 4), 26, 26);
    QLinearGradient shell(body.topLeft(), body.topRight());
    shell.setColorAt(0, QColor(34, 36, 42));
    shell.setColorAt(0.18, QColor(64, 68, 78));
    shell.setColorAt(0.5, QColor(48, 52, 60));
    shell.setColorAt(1, QColor(22, 24, 28));
    p.setBrush(shell);
    p.drawRoundedRect(body, 26, 26);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawRoundedRect(body.adjusted(1.5, 1.5, -1.5, -1.5), 24, 24);
    // The face plate where the keys sit.
    const QRectF plate(229, 58, 100, 156);
    QLinearGradient face(plate.topLeft(), plate.bottomLeft());
    face.setColorAt(0, QColor(26, 28, 33));
    face.setColorAt(1, QColor(18, 20, 24));
    p.setPen(QPen(QColor(0, 0, 0, 160), 1));
    p.setBrush(face);
    p.drawRoundedRect(plate, 10, 10);
    // IR window at the top end and the maker's name.
    QLinearGradient ir(QPointF(0, 20), QPointF(0, 34));
    ir.setColorAt(0, QColor(120, 20, 30));
    ir.setColorAt(1, QColor(40, 6, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(ir);
    p.drawRoundedRect(QRectF(259, 19, 40, 12), 6, 6);
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawRoundedRect(QRectF(263, 20.5, 24, 3), 1.5, 1.5);
    p.setFont(Font("Arial", 8, true));
    p.setPen(QColor(170, 178, 190));
    p.drawText(QRectF(229, 38, 100, 14), Qt::AlignCenter, QStringLiteral("QELVANO"));
    p.restore();
    for (int i = 0; i < ir::KEY_COUNT; ++i)
        RemoteButton(p, KeyRect(i), kRemoteLooks[i], ir::IR_KEYS[i].printed);
    // A navigation ring below the keys.
    const QPointF nav(279, 240);
    p.save();
    QRadialGradient ring(nav - QPointF(6, 8), 30);
    ring.setColorAt(0, QColor(90, 96, 108));
    ring.setColorAt(1, QColor(30, 32, 38));
    p.setPen(QPen(QColor(0, 0, 0, 160), 1));
    p.setBrush(ring);
    p.drawEllipse(nav, 22, 22);
    p.setBrush(QColor(40, 44, 52));
    p.drawEllipse(nav, 9, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(190, 198, 210));
    for (int k = 0; k < 4; ++k) {
        p.save();
        p.translate(nav);
        p.rotate(90 * k);
        QPolygonF tri;
        tri << QPointF(0, -19) << QPointF(3.2, -14.5) << QPointF(-3.2, -14.5);
        p.drawPolygon(tri);
        p.restore();
    }
    p.setFont(Font("Arial", 6, true));
    p.setPen(QColor(200, 206, 216));
    p.drawText(QRectF(nav.x() - 9, nav.y() - 9, 18, 18), Qt::AlignCenter, QStringLiteral("OK"));
    p.restore();
}

// ---- switches and keys -------------------------------------------------------------

void SlideSwitchPicture(QPainter& p, const QRect& area, bool on)
{
    KeyedBackdrop(p, area);
    const QRectF body = QRectF(area).adjusted(1, 0.5, -1, -0.5);
    RaisedPanel(p, body, 4, QColor(58, 62, 70), QColor(20, 22, 26));
    // Indicator at the top: lit green while the switch is on.
    Lamp(p, QPointF(body.center().x(), body.top() + 5.5), 2.4, palette::kLime, on);
    // The slot and the knob: pushed up towards the lamp for on, as on the board.
    const QRectF slot(body.center().x() - 4, body.top() + 12, 8, body.height() - 18);
    SunkenWell(p, slot, 2, QColor(6, 7, 9));
    const qreal knobH = 17;
    const QRectF knob(slot.left() + 0.8, on ? slot.top() + 1 : slot.bottom() - knobH - 1, slot.width() - 1.6, knobH);
    QLinearGradient g(knob.topLeft(), knob.topRight());
    g.setColorAt(0, QColor(250, 251, 252));
    g.setColorAt(0.6, QColor(205, 210, 216));
    g.setColorAt(1, QColor(150, 156, 164));
    p.save();
    p.setPen(QPen(QColor(0, 0, 0, 160), 0.7));
    p.setBrush(g);
    p.drawRoundedRect(knob, 1.8, 1.8);
    p.setPen(QPen(QColor(120, 126, 134), 0.8));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(knob.left() + 1.5, knob.center().y() - 3 + i * 3),
            QPointF(knob.right() - 1.5, knob.center().y() - 3 + i * 3));
    p.restore();
    StampKey(p, area);
}

void PushKeyPicture(QPainter& p, const QRect& area, bool pressed)
{
    KeyedBackdrop(p, area);
    const QRectF base = QRectF(area).adjusted(1, 1, -1, -1);
    // Square metal base of a tactile switch, with its four solder tabs.
    RaisedPanel(p, base, 6, QColor(92, 98, 108), QColor(40, 44, 50));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 156, 166));
    for (QPointF c : {base.topLeft() + QPointF(5, 5), base.topRight() + QPointF(-5, 5),
             base.bottomLeft() + QPointF(5, -5), base.bottomRight() + QPointF(-5, -5)})
        p.drawEllipse(c, 1.6, 1.6);
    const QPointF c = base.center() + (pressed ? QPointF(0, 1) : QPointF(0, 0));
    const qreal r = 14;
    if (pressed)
        Glow(p, c, r + 6, QColor(0, 234, 255, 130));
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawEllipse(base.center() + QPointF(0, 1.5), r + 1, r + 1);
    QRadialGradient cap(c - QPointF(r * 0.35, r * 0.45), r * 1.5);
    if (pressed) {
        cap.setColorAt(0, QColor(30, 40, 48));
        cap.setColorAt(1, QColor(60, 76, 90));
    } else {
        cap.setColorAt(0, QColor(110, 116, 126));
        cap.setColorAt(0.5, QColor(44, 47, 54));
        cap.setColorAt(1, QColor(14, 15, 18));
    }
    p.setBrush(cap);
    p.setPen(QPen(pressed ? WithAlpha(palette::kAccent, 220) : QColor(0, 0, 0, 200), pressed ? 1.4 : 1));
    p.drawEllipse(c, r - (pressed ? 1 : 0), r - (pressed ? 1 : 0));
    p.restore();
    StampKey(p, area);
}

// ---- seven-segment digit -----------------------------------------------------------

void HexDigitPicture(QPainter& p, const QRect& area, int value)
{
    KeyedBackdrop(p, area);
    const QRectF plate = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
    p.save();
    p.setPen(QPen(QColor(70, 76, 86), 1));
    QLinearGradient glass(plate.topLeft(), plate.bottomLeft());
    glass.setColorAt(0, QColor(22, 10, 12));
    glass.setColorAt(1, QColor(12, 5, 6));
    p.setBrush(glass);
    p.drawRoundedRect(plate, 4, 4);
    p.restore();
    const QColor on(255, 44, 28);
    const QColor off(48, 16, 16);
    SevenSegment(p, plate.adjusted(5, 6, -5, -7), SegmentsOf(value), on, off, 0.1, true);
    // Decimal point, dark (the page has no control for it).
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(off);
    p.drawEllipse(QPointF(plate.right() - 4.5, plate.bottom() - 6.5), 1.8, 1.8);
    // Glass reflection across the upper part.
    QLinearGradient shine(plate.topLeft(), QPointF(plate.left(), plate.center().y()));
    shine.setColorAt(0, QColor(255, 255, 255, 30));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(shine);
    p.drawRoundedRect(plate.adjusted(1, 1, -1, -plate.height() / 2), 3, 3);
    p.restore();
    StampKey(p, area);
}

// ---- spirit levels -----------------------------------------------------------------

// The levels are opaque pictures at fixed places of the G-sensor page; their corners
// show the page's own pixels from there, so that no square edge shows around them.
void LevelBackdrop(QPainter& p, const QRect& area, QPoint onPage)
{
    Backdrop(p, area, QStringLiteral("GSENSOR_DLG_BK"), onPage);
}

const QColor kFluidLight(214, 236, 90);
const QColor kFluidDark(120, 170, 30);

void LevelRound(QPainter& p, const QRect& area)
{
    LevelBackdrop(p, area, QPoint(193, 117));
    const QPointF c(area.width() / 2.0, area.height() / 2.0);
    const qreal outer = qMin(area.width(), area.height()) / 2.0 - 1;
    // Machined bezel.
    QLinearGradient bezel(c - QPointF(0, outer), c + QPointF(0, outer));
    bezel.setColorAt(0, QColor(210, 214, 222));
    bezel.setColorAt(0.5, QColor(90, 96, 106));
    bezel.setColorAt(1, QColor(180, 186, 196));
    p.setPen(QPen(QColor(0, 0, 0, 180), 1));
    p.setBrush(bezel);
    p.drawEllipse(c, outer, outer);
    p.setBrush(QColor(20, 22, 26));
    p.drawEllipse(c, outer - 5, outer - 5);
    // The fluid: a dome of light green, lighter in the middle.
    const qreal fluid = outer - 7;
    QRadialGradient g(c - QPointF(fluid * 0.2, fluid * 0.25), fluid * 1.2);
    g.setColorAt(0, kFluidLight);
    g.setColorAt(1, kFluidDark);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(c, fluid, fluid);
    // Rings and cross hair.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 60, 0, 170), 1));
    for (qreal r : {12.0, 30.0, 50.0})
        p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(30, 60, 0, 110), 1));
    p.drawLine(c - QPointF(fluid, 0), c + QPointF(fluid, 0));
    p.drawLine(c - QPointF(0, fluid), c + QPointF(0, fluid));
    // Reflection of the glass.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 45));
    p.drawEllipse(QRectF(c.x() - fluid * 0.7, c.y() - fluid * 0.92, fluid * 1.1, fluid * 0.55));
}

void LevelTube(QPainter& p, const QRect& area, bool horizontal)
{
    LevelBackdrop(p, area, horizontal ? QPoint(164, 64) : QPoint(117, 66));
    const QRectF r = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal rad = (horizontal ? r.height() : r.width()) / 2;
    // Frame.
    QLinearGradient frame
        = horizontal ? QLinearGradient(r.topLeft(), r.bottomLeft()) : QLinearGradient(r.topLeft(), r.topRight());
    frame.setColorAt(0, QColor(200, 206, 214));
    frame.setColorAt(0.5, QColor(90, 96, 106));
    frame.setColorAt(1, QColor(170, 176, 186));
    p.setPen(QPen(QColor(0, 0, 0, 180), 1));
    p.setBrush(frame);
    p.drawRoundedRect(r, rad, rad);
    // The vial.
    const QRectF vial = r.adjusted(3, 3, -3, -3);
    const qreal vr = rad - 3;
    QLinearGradient fluid = horizontal ? QLinearGradient(vial.topLeft(), vial.bottomLeft())
                                       : QLinearGradient(vial.topLeft(), vial.topRight());
    fluid.setColorAt(0, kFluidDark);
    fluid.setColorAt(0.35, kFluidLight);
    fluid.setColorAt(1, kFluidDark.darker(120));
    p.setPen(QPen(QColor(20, 30, 0, 200), 0.8));
    p.setBrush(fluid);
    p.drawRoundedRect(vial, vr, vr);
    // Centre marks: a bubble-wide window in the middle.
    p.setPen(QPen(QColor(30, 50, 0, 220), 1.2));
    const QPointF c = vial.center();
    for (qreal d : {-12.0, 12.0}) {
        if (horizontal)
            p.drawLine(QPointF(c.x() + d, vial.top() + 1), QPointF(c.x() + d, vial.bottom() - 1));
        else
            p.drawLine(QPointF(vial.left() + 1, c.y() + d), QPointF(vial.right() - 1, c.y() + d));
    }
    p.setPen(QPen(QColor(30, 50, 0, 110), 0.8));
    for (int k = -3; k <= 3; ++k) {
        if (k == 0)
            continue;
        const qreal d = k * 22.0 + (k > 0 ? 2 : -2);
        if (horizontal)
            p.drawLine(QPointF(c.x() + d, vial.top() + 2), QPointF(c.x() + d, vial.top() + 5));
        else
            p.drawLine(QPointF(vial.left() + 2, c.y() + d), QPointF(vial.left() + 5, c.y() + d));
    }
    // Glass highlight along the vial.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 60));
    if (horizontal)
        p.drawRoundedRect(QRectF(vial.left() + vr, vial.top() + 1.5, vial.width() - 2 * vr, 2.5), 1.2, 1.2);
    else
        p.drawRoundedRect(QRectF(vial.left() + 1.5, vial.top() + vr, 2.5, vial.height() - 2 * vr), 1.2, 1.2);
}

} // namespace

void PaintIrBackground(QPainter& p, const QRect& area, int)
{
    PaintPagePanel(p, area, 38706);
    // The code list (text at (97, 96), 20 x 129) in a recess.
    PaintReadout(p, QRectF(84, 88, 46, 140));
    Remote(p);
}

void PaintSlideSwitch(QPainter& p, const QRect& area, bool on) { SlideSwitchPicture(p, area, on); }

void PaintPushKey(QPainter& p, const QRect& area, bool pressed) { PushKeyPicture(p, area, pressed); }

void PaintHexDigit(QPainter& p, const QRect& area, int value) { HexDigitPicture(p, area, value); }

void PaintLevel(QPainter& p, const QRect& area, LevelKind kind)
{
    switch (kind) {
    case LevelKind::Round:
        LevelRound(p, area);
        break;
    case LevelKind::Horizontal:
        LevelTube(p, area, true);
        break;
    case LevelKind::Vertical:
        LevelTube(p, area, false);
        break;
    }
}

void PaintBubble(QPainter& p, const QRect& area, int)
{
    // Blended at half strength, channel by channel, with black left out: so the bubble is
    // bright (it lightens the fluid into a pale highlight) with a darker rim that draws
    // its outline, and pure black all round.
    p.fillRect(area, Qt::black);
    const QRectF r = QRectF(area).adjusted(1, 0.5, -1, -0.5);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QRadialGradient g(r.center() - QPointF(2.5, 3), r.width() * 0.75);
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(0.55, QColor(236, 250, 220));
    g.setColorAt(0.85, QColor(170, 200, 120));
    g.setColorAt(1, QColor(40, 60, 20));
    p.setPen(QPen(QColor(30, 50, 12), 1));
    p.setBrush(g);
    p.drawEllipse(r);
    p.restore();
}

} // namespace resources::art
