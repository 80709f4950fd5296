// The parts on the board picture. Each part stands under the outline rectangle that the
// main window shows for its page; the numbers in the comments are those rectangles.
#include "resources/BoardParts.h"

#include "resources/Paint.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace resources::art {
namespace {

const QColor kSilk(222, 230, 236);
// Characters in each of the LCD's two lines.
constexpr int kLcdChars = 16;

void Silk(QPainter& p, const QRectF& r, const QString& text, int px = 6, int flags = Qt::AlignCenter)
{
    p.save();
    p.setFont(Font("Arial", px, true));
    p.setPen(WithAlpha(kSilk, 210));
    p.drawText(r, flags, text);
    p.restore();
}

void SilkBox(QPainter& p, const QRectF& r)
{
    p.save();
    p.setPen(QPen(WithAlpha(kSilk, 120), 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.restore();
}

// Copper traces under the solder mask: a bundle of parallel tracks from a to b with one
// 45-degree bend, as a router would lay them.
void Bus(QPainter& p, QPointF a, QPointF b, int tracks, qreal pitch, bool horizontalFirst)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(70, 140, 190, 85), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (int i = 0; i < tracks; ++i) {
        const qreal o = (i - (tracks - 1) / 2.0) * pitch;
        QPointF s = a, e = b;
        QPainterPath path;
        if (horizontalFirst) {
            s.ry() += o;
            e.rx() += o;
            const qreal dy = e.y() - s.y();
            const qreal sign = dy >= 0 ? 1 : -1;
            const QPointF bend(e.x() - std::abs(dy) * 0.5, s.y());
            path.moveTo(s);
            path.lineTo(bend);
            path.lineTo(QPointF(e.x(), s.y() + sign * std::abs(dy) * 0.5));
            path.lineTo(e);
        } else {
            s.rx() += o;
            e.ry() += o;
            const qreal dx = e.x() - s.x();
            const qreal sign = dx >= 0 ? 1 : -1;
            const QPointF bend(s.x(), e.y() - std::abs(dx) * 0.5);
            path.moveTo(s);
            path.lineTo(bend);
            path.lineTo(QPointF(s.x() + sign * std::abs(dx) * 0.5, e.y()));
            path.lineTo(e);
        }
        p.drawPath(path);
    }
    p.restore();
}

void PaintTraces(QPainter& p)
{
    const QPointF fpga(290, 135);
    Bus(p, fpga + QPointF(30, -10), QPointF(371, 69), 6, 2.2, true);   // RS232
    Bus(p, fpga + QPointF(30, -25), QPointF(430, 69), 8, 2.0, true);   // VGA
    Bus(p, fpga + QPointF(40, 20), QPointF(366, 181), 8, 2.0, true);   // SDRAM
    Bus(p, fpga + QPointF(40, 5), QPointF(470, 130), 10, 1.8, true);   // HSMC
    Bus(p, fpga + QPointF(40, 32), QPointF(411, 178), 6, 2.0, true);   // SSRAM
    Bus(p, fpga + QPointF(-10, 40), QPointF(289, 221), 8, 2.2, false); // 7-segment
    Bus(p, fpga + QPointF(-30, 40), QPointF(230, 241), 9, 2.2, false); // LEDs
    Bus(p, fpga + QPointF(-40, 10), QPointF(200, 250), 6, 2.2, false); // switches
    Bus(p, fpga + QPointF(-40, -30), QPointF(230, 62), 5, 2.0, false); // USB / audio
    Bus(p, QPointF(420, 231), QPointF(446, 252), 4, 2.0, true);        // SD card
    // Scattered vias.
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 70; ++i) {
        const qreal x = 186 + (i * 137) % 280;
        const qreal y = 72 + (i * 71) % 150;
        p.setBrush(QColor(170, 150, 90, 150));
        p.drawEllipse(QPointF(x, y), 1.1, 1.1);
        p.setBrush(QColor(12, 40, 66));
        p.drawEllipse(QPointF(x, y), 0.45, 0.45);
    }
    p.restore();
}

void PaintTopEdge(QPainter& p)
{
    // DC jack and power switch.
    RaisedPanel(p, QRectF(182, 40, 16, 18), 2, QColor(50, 52, 58), QColor(18, 19, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(8, 8, 10));
    p.drawEllipse(QPointF(190, 47), 4, 4);
    p.setBrush(QColor(200, 200, 205));
    p.drawEllipse(QPointF(190, 47), 1.2, 1.2);
    RaisedPanel(p, QRectF(203, 48, 9, 12), 1.5, QColor(230, 60, 50), QColor(140, 20, 20));
    Silk(p, QRectF(178, 60, 40, 8), QStringLiteral("PWR"), 5);
    // USB-Blaster port (type B).
    RaisedPanel(p, QRectF(218, 40, 20, 19), 1.5, QColor(220, 224, 230), QColor(140, 146, 154));
    p.setBrush(QColor(20, 22, 26));
    p.drawRoundedRect(QRectF(222, 44, 12, 10), 2, 2);
    p.setBrush(QColor(236, 236, 240));
    p.drawRect(QRectF(225, 47, 6, 5));
    Silk(p, QRectF(212, 60, 32, 8), QStringLiteral("BLASTER"), 5);
    // Audio jacks: mic, line in, line out.
    const QColor jack[3] = {QColor(230, 120, 170), QColor(60, 150, 230), QColor(110, 200, 90)};
    for (int i = 0; i < 3; ++i) {
        const QPointF c(254 + i * 15, 50);
        RaisedPanel(p, QRectF(c.x() - 7, 41, 14, 17), 2, QColor(48, 50, 56), QColor(16, 17, 20));
        p.setBrush(jack[i]);
        p.setPen(QPen(QColor(0, 0, 0, 140), 0.6));
        p.drawEllipse(c, 4.5, 4.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(10, 10, 12));
        p.drawEllipse(c, 2, 2);
    }
    Silk(p, QRectF(244, 60, 50, 8), QStringLiteral("AUDIO"), 5);
    // Ethernet jack with its two lamps.
    RaisedPanel(p, QRectF(300, 39, 30, 23), 1.5, QColor(214, 218, 224), QColor(130, 136, 144));
    p.setBrush(QColor(18, 20, 24));
    p.drawRect(QRectF(305, 44, 20, 13));
    p.setBrush(QColor(180, 150, 70));
    for (int i = 0; i < 8; ++i)
        p.drawRect(QRectF(306.5 + i * 2.3, 45, 1, 4));
    Lamp(p, QPointF(303.5, 59), 1.6, QColor(60, 255, 60), true);
    Lamp(p, QPointF(326.5, 59), 1.6, QColor(255, 200, 0), false);
    Silk(p, QRectF(298, 63, 34, 8), QStringLiteral("ETHERNET"), 5);
    // RS232 (349, 40, 44, 29) and VGA (410, 40, 40, 29).
    DSub(p, QRectF(349, 40, 44, 25), 2, 5, QColor(44, 46, 52));
    Silk(p, QRectF(349, 64, 44, 7), QStringLiteral("RS-232"), 5);
    DSub(p, QRectF(410, 40, 40, 25), 3, 5, QColor(30, 70, 160));
    Silk(p, QRectF(410, 64, 40, 7), QStringLiteral("VGA"), 5);
    // Composite video input (RCA).
    const QPointF rca(467, 53);
    RaisedPanel(p, QRectF(458, 42, 18, 20), 2, QColor(60, 62, 68), QColor(22, 23, 26));
    QRadialGradient gold(rca - QPointF(1.5, 1.5), 7);
    gold.setColorAt(0, QColor(255, 240, 170));
    gold.setColorAt(1, QColor(170, 130, 40));
    p.setBrush(gold);
    p.setPen(QPen(QColor(0, 0, 0, 120), 0.6));
    p.drawEllipse(rca, 6, 6);
    p.setBrush(QColor(240, 200, 40));
    p.drawEllipse(rca, 3.5, 3.5);
    p.setBrush(QColor(20, 20, 20));
    p.drawEllipse(rca, 1.4, 1.4);
    Silk(p, QRectF(455, 63, 24, 7), QStringLiteral("VIDEO"), 5);
}

void PaintFpga(QPainter& p)
{
    // The FPGA: a flip-chip BGA with its lid, the board's centre of gravity.
    const QRectF body(252, 92, 78, 78);
    // Decoupling capacitors around it.
    for (int i = 0; i < 9; ++i) {
        Passive(p, QRectF(252 + i * 9, 85, 5, 3), QColor(150, 110, 70));
        Passive(p, QRectF(252 + i * 9, 173, 5, 3), QColor(150, 110, 70));
        Passive(p, QRectF(245, 93 + i * 9, 3, 5), QColor(150, 110, 70));
        Passive(p, QRectF(334, 93 + i * 9, 3, 5), QColor(150, 110, 70));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 100));
    p.drawRoundedRect(body.translated(2, 2.5), 3, 3);
    QLinearGradient sub(body.topLeft(), body.bottomRight());
    sub.setColorAt(0, QColor(60, 74, 60));
    sub.setColorAt(1, QColor(28, 40, 30));
    p.setBrush(sub);
    p.drawRoundedRect(body, 3, 3);
    const QRectF lid = body.adjusted(9, 9, -9, -9);
    QLinearGradient metal(lid.topLeft(), lid.bottomRight());
    metal.setColorAt(0, QColor(236, 238, 242));
    metal.setColorAt(0.45, QColor(178, 182, 190));
    metal.setColorAt(1, QColor(120, 124, 132));
    p.setBrush(metal);
    p.drawRoundedRect(lid, 4, 4);
    Bevel(p, lid, 4, QColor(255, 255, 255, 160), QColor(0, 0, 0, 90));
    p.setPen(QColor(40, 44, 52, 200));
    p.setFont(Font("Arial", 9, true));
    p.drawText(lid.adjusted(0, 8, 0, 0), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("QELVANO"));
    p.setFont(Font("Arial", 12, true));
    p.drawText(lid, Qt::AlignCenter, QStringLiteral("VX5h"));
    p.setFont(Font("Arial", 6));
    p.drawText(lid.adjusted(0, 0, 0, -8), Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("5HF260C7N"));
    // Clock oscillators and the USB-Blaster's own chips.
    for (QPointF c : {QPointF(236, 180), QPointF(346, 100)}) {
        const QRectF can(c.x() - 6, c.y() - 4, 12, 8);
        QLinearGradient steel(can.topLeft(), can.bottomLeft());
        steel.setColorAt(0, QColor(240, 242, 246));
        steel.setColorAt(1, QColor(140, 146, 154));
        p.setPen(QPen(QColor(0, 0, 0, 120), 0.5));
        p.setBrush(steel);
        p.drawRoundedRect(can, 2, 2);
    }
    Silk(p, QRectF(226, 185, 20, 7), QStringLiteral("50MHz"), 4);
    Chip(p, QRectF(213, 72, 14, 14), PinsLeft | PinsRight | PinsTop | PinsBottom, 2.2);
    Chip(p, QRectF(190, 82, 12, 18), PinsLeft | PinsRight, 2.4);
    // Voltage regulators at the left edge.
    for (int i = 0; i < 3; ++i) {
        const QRectF reg(184, 112 + i * 22, 16, 12);
        Chip(p, reg, PinsBottom, 5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(190, 194, 200));
        p.drawRect(QRectF(reg.left(), reg.top() - 4, reg.width(), 4));
    }
    // Audio codec and Ethernet PHY.
    Chip(p, QRectF(258, 70, 10, 10), PinsLeft | PinsRight | PinsTop | PinsBottom, 1.8);
    Chip(p, QRectF(302, 72, 14, 14), PinsLeft | PinsRight | PinsTop | PinsBottom, 1.8);
    // Board name in silkscreen.
    Silk(p, QRectF(190, 194, 150, 12), QStringLiteral("QELVANO  VX5h-260"), 8, Qt::AlignLeft | Qt::AlignVCenter);
    Silk(p, QRectF(190, 205, 150, 9), QStringLiteral("FPGA DEVELOPMENT BOARD"), 5, Qt::AlignLeft | Qt::AlignVCenter);
}

void PaintMemories(QPainter& p)
{
    // EPCS (454, 102, 9, 12) and EEPROM (453, 148, 9, 14): small SOIC parts.
    Chip(p, QRectF(456, 103.5, 5, 9), PinsLeft | PinsRight, 2.3);
    Silk(p, QRectF(440, 104, 14, 7), QStringLiteral("EPCS"), 4);
    Chip(p, QRectF(455.5, 150, 4.5, 10), PinsLeft | PinsRight, 2.5);
    Silk(p, QRectF(437, 151, 16, 7), QStringLiteral("EEP"), 4);
    // HSMC (464, 91, 13, 78): the high-speed mezzanine connector along the right edge.
    const QRectF hsmc(465, 92, 11, 76);
    RaisedPanel(p, hsmc, 1.5, QColor(58, 60, 66), QColor(20, 21, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(8, 8, 10));
    p.drawRect(hsmc.adjusted(3, 3, -3, -3));
    p.setBrush(QColor(210, 175, 90));
    for (int i = 0; i < 34; ++i) {
        p.drawRect(QRectF(hsmc.left() + 3.3, hsmc.top() + 4 + i * 2.05, 1.2, 1.0));
        p.drawRect(QRectF(hsmc.right() - 4.5, hsmc.top() + 4 + i * 2.05, 1.2, 1.0));
    }
    Silk(p, QRectF(448, 82, 34, 8), QStringLiteral("HSMC"), 5);
    // SDRAM (363, 161, 34, 41) and SSRAM (408, 169, 25, 31) end where the LCD (from
    // y 186) begins: their outlines reach into it, their chips stay above it.
    Chip(p, QRectF(367, 162.5, 26, 21.5), PinsLeft | PinsRight, 1.9, QStringLiteral("SDRAM"), 6);
    // The second SSRAM sits under the first, on the back.
    Chip(p, QRectF(411, 171.5, 19, 11.5), PinsLeft | PinsRight | PinsTop | PinsBottom, 1.8, QStringLiteral("SSRAM"),
        4.5);
    // FLASH (427, 209, 22, 22): a flat TSOP in the outline's lower part, below the LCD
    // that spans the upper part.
    Chip(p, QRectF(430, 222.5, 16, 7.5), PinsLeft | PinsRight, 1.4, QStringLiteral("FLASH"), 4);
    // G-sensor (447, 187, 15, 13): a tiny LGA package with its axes in silkscreen.
    SilkBox(p, QRectF(448.5, 188.5, 12, 10));
    Chip(p, QRectF(451, 190.5, 7, 6), PinsNone, 0);
    p.setPen(QPen(WithAlpha(kSilk, 170), 0.5));
    p.drawLine(QPointF(449.5, 199.5), QPointF(452.5, 199.5));
    p.drawLine(QPointF(449.5, 199.5), QPointF(449.5, 197));
}

void PaintSupportChips(QPainter& p)
{
    // Next to the connectors: RS232 transceiver, video DAC, TV decoder and its crystal.
    Chip(p, QRectF(357, 80, 15, 8), PinsTop | PinsBottom, 2);
    Chip(p, QRectF(399, 82, 15, 15), PinsLeft | PinsRight | PinsTop | PinsBottom, 1.8);
    Chip(p, QRectF(425, 100, 15, 15), PinsLeft | PinsRight | PinsTop | PinsBottom, 1.8);
    const QRectF xtal(428, 84, 10, 5);
    QLinearGradient steel(xtal.topLeft(), xtal.bottomLeft());
    steel.setColorAt(0, QColor(240, 242, 246));
    steel.setColorAt(1, QColor(140, 146, 154));
    p.setPen(QPen(QColor(0, 0, 0, 120), 0.5));
    p.setBrush(steel);
    p.drawRoundedRect(xtal, 2.5, 2.5);
    // Resistor networks and decoupling around the memories.
    for (int i = 0; i < 4; ++i)
        Passive(p, QRectF(352 + i * 8, 128, 5, 3), QColor(30, 30, 34));
    for (int i = 0; i < 3; ++i)
        Passive(p, QRectF(402, 140 + i * 7, 3, 5), QColor(150, 110, 70));
    for (int i = 0; i < 3; ++i)
        Passive(p, QRectF(436, 150 + i * 7, 5, 3), QColor(30, 30, 34));
}

void PaintLcd(QPainter& p)
{
    // The character LCD (359, 186, 101, 35): its module fills the outline, all but the
    // right end, where the G-sensor stands above the module's pin header. The memories
    // stop above it. The glass shows two lines of sixteen characters, the firmware's
    // greeting in them.
    const QRectF module(359.5, 186.5, 87, 34);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawRect(module.translated(1, 1));
    p.setBrush(QColor(20, 90, 50));
    p.drawRect(module);
    p.setBrush(QColor(40, 120, 60));
    for (const QPointF hole : {module.topLeft() + QPointF(1.8, 1.8), module.topRight() + QPointF(-1.8, 1.8),
             module.bottomLeft() + QPointF(1.8, -1.8), module.bottomRight() + QPointF(-1.8, -1.8)})
        p.drawEllipse(hole, 1, 1);
    const QRectF glass = module.adjusted(4, 3.5, -4, -3.5);
    QLinearGradient lit(glass.topLeft(), glass.bottomLeft());
    lit.setColorAt(0, QColor(190, 230, 90));
    lit.setColorAt(1, QColor(140, 190, 50));
    p.setBrush(lit);
    p.drawRect(glass);
    const qreal pitch = (glass.width() - 2) / kLcdChars;
    const qreal line = (glass.height() - 3) / 2;
    const auto cell = [&](int row, int col) {
        return QRectF(
            glass.left() + 1.5 + col * pitch, glass.top() + 1.5 + row * (line + 0.5), pitch - 0.8, line - 0.5);
    };
    p.setBrush(QColor(60, 90, 20, 70));
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < kLcdChars; ++col)
            p.drawRect(cell(row, col));
    QFont face = Font("Courier New", 9, true);
    face.setFixedPitch(true);
    p.setFont(face);
    p.setPen(QColor(30, 45, 10));
    const QString greeting[2] = {QStringLiteral("VX5h-260"), QStringLiteral("Control Panel")};
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < greeting[row].size(); ++col)
            p.drawText(cell(row, col), Qt::AlignCenter, greeting[row].mid(col, 1));
    PinHeader(p, QRectF(449.5, 203, 9, 17), 2, 7);
    Silk(p, QRectF(340, 205, 19, 7), QStringLiteral("LCD"), 5);
}

void PaintSevenSegments(QPainter& p)
{
    // Eight digits (235, 221, 108, 19) in two blocks of four, showing 8 everywhere as
    // the seven-segment page starts.
    for (int block = 0; block < 2; ++block) {
        const QRectF r(236 + block * 54, 222, 52, 17);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 120));
        p.drawRect(r.translated(1, 1));
        p.setBrush(QColor(14, 12, 12));
        p.drawRect(r);
        for (int d = 0; d < 4; ++d) {
            const QRectF cell(r.left() + 2 + d * 12.6, r.top() + 2, 9.5, 13);
            SevenSegment(p, cell, SegmentsOf(8), QColor(255, 60, 40), QColor(50, 16, 14), 0.12, false);
        }
    }
}

void PaintLedsAndSwitches(QPainter& p)
{
    // LEDs (186, 241, 244, 9): RLED17..RLED0 above the switches, LEDG8..LEDG0 above the keys.
    for (int i = 0; i < 18; ++i) {
        const QPointF c(191 + i * 9.4, 245.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 205, 210));
        p.drawRect(QRectF(c.x() - 2.5, c.y() - 1.8, 5, 3.6));
        p.setBrush(QColor(190, 30, 30));
        p.drawRect(QRectF(c.x() - 1.6, c.y() - 1.8, 3.2, 3.6));
    }
    for (int i = 0; i < 9; ++i) {
        const QPointF c(362 + i * 7.8, 245.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 205, 210));
        p.drawRect(QRectF(c.x() - 2.3, c.y() - 1.8, 4.6, 3.6));
        p.setBrush(QColor(40, 190, 60));
        p.drawRect(QRectF(c.x() - 1.4, c.y() - 1.8, 2.8, 3.6));
    }
    // Slide switches (186, 251, 170, 15): 18 of them, all down.
    for (int i = 0; i < 18; ++i) {
        const QRectF body(187.5 + i * 9.4, 252, 7, 13);
        RaisedPanel(p, body, 1, QColor(46, 48, 54), QColor(16, 17, 20));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(6, 6, 8));
        p.drawRect(body.adjusted(2, 2, -2, -2));
        FillVertical(p, QRectF(body.left() + 1.8, body.top() + 6.5, 3.4, 4.5), 0.8, QColor(245, 246, 248),
            QColor(170, 174, 180));
    }
    // Pushbuttons (357, 251, 70, 15): KEY3..KEY0.
    for (int i = 0; i < 4; ++i) {
        const QRectF base(359 + i * 17.2, 252, 14, 13);
        RaisedPanel(p, base, 1.5, QColor(60, 62, 68), QColor(24, 25, 28));
        const QPointF c = base.center();
        QRadialGradient cap(c - QPointF(1.5, 1.5), 5.5);
        cap.setColorAt(0, QColor(120, 124, 130));
        cap.setColorAt(1, QColor(20, 21, 24));
        p.setBrush(cap);
        p.setPen(QPen(QColor(0, 0, 0, 150), 0.5));
        p.drawEllipse(c, 4.5, 4.5);
    }
}

void PaintCorner(QPainter& p)
{
    // SD card socket (429, 235, 35, 35) with a card in it.
    const QRectF socket(430, 236, 33, 33);
    QLinearGradient steel(socket.topLeft(), socket.bottomRight());
    steel.setColorAt(0, QColor(232, 234, 238));
    steel.setColorAt(1, QColor(128, 134, 142));
    p.setPen(QPen(QColor(0, 0, 0, 130), 0.6));
    p.setBrush(steel);
    p.drawRoundedRect(socket, 1.5, 1.5);
    p.setPen(QPen(QColor(100, 104, 110, 160), 0.5));
    for (int i = 0; i < 5; ++i)
        p.drawLine(QPointF(socket.left() + 3, socket.top() + 4 + i * 3),
            QPointF(socket.right() - 3, socket.top() + 4 + i * 3));
    // The card's edge shows at the open side of the slot.
    QLinearGradient card(0, 257, 0, 270);
    card.setColorAt(0, QColor(40, 80, 160));
    card.setColorAt(1, QColor(20, 40, 100));
    p.setPen(Qt::NoPen);
    p.setBrush(card);
    QPainterPath sd;
    sd.moveTo(433, 270);
    sd.lineTo(433, 259);
    sd.lineTo(436, 256);
    sd.lineTo(460, 256);
    sd.lineTo(460, 270);
    sd.closeSubpath();
    p.drawPath(sd);
    p.setPen(QColor(255, 255, 255, 200));
    p.setFont(Font("Arial", 6, true));
    p.drawText(QRectF(433, 257, 27, 12), Qt::AlignCenter, QStringLiteral("SD"));
    // IR receiver (469, 210, 10, 13): a black dome facing the room.
    const QRectF ir(470, 211, 8, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 10, 12));
    p.drawRoundedRect(ir, 1.5, 1.5);
    QRadialGradient dome(QPointF(473, 215), 4.5);
    dome.setColorAt(0, QColor(110, 90, 120));
    dome.setColorAt(1, QColor(20, 14, 24));
    p.setBrush(dome);
    p.drawEllipse(QPointF(474, 216.5), 3.2, 3.2);
    Silk(p, QRectF(466, 223, 16, 7), QStringLiteral("IR"), 5);
}

} // namespace

void PaintBoardParts(QPainter& p)
{
    PaintTraces(p);
    PaintTopEdge(p);
    PaintFpga(p);
    PaintSupportChips(p);
    PaintMemories(p);
    PaintLcd(p);
    PaintSevenSegments(p);
    PaintLedsAndSwitches(p);
    PaintCorner(p);
}

} // namespace resources::art
