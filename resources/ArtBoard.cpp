// The main window's picture: a dark chassis with the VX5h-260 board in its upper middle,
// and the wells where the tabs, the page area, Connect and the status lines sit.
//
// Every board part stands under the outline that the shell draws for its page, so the
// coordinates below are the outlines' rectangles (left, top, width, height).
#include "resources/Art.h"
#include "resources/BoardParts.h"
#include "resources/Paint.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace resources::art {
namespace {

// The printed circuit board; the connectors on its top edge overhang it a little.
const QRectF kPcb(172, 45, 314, 231);

void PaintChassis(QPainter& p, const QRect& area)
{
    QLinearGradient g(0, 0, 0, area.height());
    g.setColorAt(0, QColor(44, 50, 60));
    g.setColorAt(0.07, QColor(30, 35, 43));
    g.setColorAt(0.47, QColor(22, 26, 33));
    g.setColorAt(0.49, QColor(30, 35, 43));
    g.setColorAt(1, QColor(14, 16, 21));
    p.fillRect(area, g);
    Grain(p, area, 620600, 26);
    // Brushed highlight across the top and a hairline frame all round.
    QLinearGradient sheen(0, 0, area.width(), 0);
    sheen.setColorAt(0, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 18));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRect(0, 0, area.width(), 40), sheen);
    Bevel(p, QRectF(area).adjusted(0, 0, 0, 0), 0, QColor(255, 255, 255, 60), QColor(0, 0, 0, 200), 1);
    Bevel(p, QRectF(area).adjusted(3, 3, -3, -3), 6, QColor(0, 0, 0, 120), QColor(255, 255, 255, 30), 1);
    // A thin accent line under the title bar, fading out at both ends.
    QLinearGradient accent(0, 0, area.width(), 0);
    accent.setColorAt(0, WithAlpha(palette::kAccent, 0));
    accent.setColorAt(0.5, WithAlpha(palette::kAccent, 120));
    accent.setColorAt(1, WithAlpha(palette::kAccent, 0));
    p.fillRect(QRectF(20, 38, area.width() - 40, 1), accent);
}

void PaintTitleBar(QPainter& p)
{
    // Emblem and maker's name at the left.
    const QRectF badge(14, 8, 22, 22);
    FillVertical(p, badge, 5, QColor(0, 160, 190), QColor(0, 70, 100));
    Bevel(p, badge, 5, QColor(255, 255, 255, 110), QColor(0, 0, 0, 140));
    p.save();
    p.setPen(QPen(QColor(230, 252, 255), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(badge.center(), 6, 6);
    p.drawLine(badge.center() + QPointF(2.5, 2.5), badge.center() + QPointF(7, 7));
    p.restore();
    ShadowText(p, QRectF(42, 8, 120, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QELVANO"),
        Font("Arial", 12, true), QColor(225, 230, 236));
    ShadowText(p, QRectF(42, 21, 120, 11), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("FPGA DEVELOPMENT"),
        Font("Arial", 8), QColor(120, 196, 210));
    // Dark glass strip behind the lime title text.
    SunkenWell(p, QRectF(158, 5, 304, 22), 5, QColor(8, 12, 14));
    QLinearGradient glass(0, 5, 0, 27);
    glass.setColorAt(0, QColor(255, 255, 255, 22));
    glass.setColorAt(0.5, QColor(255, 255, 255, 4));
    glass.setColorAt(0.51, QColor(0, 0, 0, 0));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawRoundedRect(QRectF(159, 6, 302, 20), 4, 4);
    p.restore();
    // Tray of the About, Mini and Close buttons (37 x 12 each at y 19).
    SunkenWell(p, QRectF(477, 15, 123, 20), 4, QColor(12, 14, 18));
}

void PaintBranding(QPainter& p)
{
    // Left wing: the product name.
    const QRectF name(14, 70, 152, 34);
    QLinearGradient metal(0, name.top(), 0, name.bottom());
    metal.setColorAt(0, QColor(250, 252, 255));
    metal.setColorAt(0.55, QColor(190, 198, 210));
    metal.setColorAt(1, QColor(140, 150, 165));
    QFont big = Font("Arial", 29, true);
    big.setLetterSpacing(QFont::AbsoluteSpacing, -0.5);
    QPainterPath text;
    text.addText(name.left() + 4, name.bottom() - 6, big, QStringLiteral("VX5h-260"));
    p.save();
    p.translate(1.5, 1.5);
    p.fillPath(text, QColor(0, 0, 0, 150));
    p.translate(-1.5, -1.5);
    p.fillPath(text, metal);
    p.restore();
    QLinearGradient rule(14, 0, 166, 0);
    rule.setColorAt(0, WithAlpha(palette::kAccent, 200));
    rule.setColorAt(1, WithAlpha(palette::kAccent, 0));
    p.fillRect(QRectF(18, 108, 148, 1.5), rule);
    ShadowText(p, QRectF(18, 112, 150, 14), Qt::AlignLeft, QStringLiteral("FPGA Development Board"), Font("Arial", 11),
        QColor(200, 208, 218));
    GlowText(p, QRectF(18, 128, 150, 16), Qt::AlignLeft, QStringLiteral("Control Panel"), Font("Arial", 13, true),
        palette::kAccent, 50);

    // Feature list, small and quiet.
    static const char* const kFeatures[] = {"27 LEDs  \u00b7  8 x 7-SEG", "18 switches  \u00b7  4 keys",
        "SSRAM  \u00b7  SDRAM  \u00b7  FLASH", "EEPROM  \u00b7  EPCS  \u00b7  SD",
        "LCD  \u00b7  IR  \u00b7  RS232  \u00b7  VGA", "G-sensor  \u00b7  HSMC"};
    p.save();
    p.setFont(Font("Arial", 9));
    int y = 160;
    for (const char* line : kFeatures) {
        p.setPen(Qt::NoPen);
        p.setBrush(WithAlpha(palette::kAccent, 170));
        p.drawEllipse(QPointF(22, y + 6), 1.6, 1.6);
        p.setPen(QColor(150, 160, 174));
        p.drawText(QRectF(30, y, 140, 13), Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(line));
        y += 16;
    }
    p.restore();

    // Right wing: ventilation slots and a power lamp.
    for (int i = 0; i < 9; ++i)
        SunkenWell(p, QRectF(506, 72 + i * 16, 92, 5), 2.5, QColor(6, 7, 9));
    Lamp(p, QPointF(512, 236), 3.2, palette::kLime, true);
    ShadowText(p, QRectF(521, 229, 80, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("POWER"),
        Font("Arial", 9, true), QColor(150, 160, 174));
    ShadowText(p, QRectF(506, 248, 96, 12), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("USB-Blaster JTAG"),
        Font("Arial", 9), QColor(110, 120, 134));
}

void PaintPcb(QPainter& p)
{
    // Drop shadow of the board on the chassis.
    for (int i = 6; i >= 1; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 22));
        p.drawRoundedRect(kPcb.adjusted(-i + 2, -i + 3, i + 2, i + 3), 8 + i, 8 + i);
    }
    QLinearGradient g(kPcb.topLeft(), kPcb.bottomRight());
    g.setColorAt(0, QColor(22, 70, 110));
    g.setColorAt(1, QColor(12, 42, 72));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(kPcb, 7, 7);
    Grain(p, kPcb.toRect(), 314231, 18);
    // The board's edge catches the light.
    Bevel(p, kPcb, 7, QColor(120, 180, 230, 140), QColor(0, 10, 20, 200), 1.2);
    for (QPointF c : {QPointF(180, 53), QPointF(478, 53), QPointF(180, 268), QPointF(490 - 12, 268)})
        MountingHole(p, c, 4);
}

void PaintLowerPanel(QPainter& p)
{
    // Tray of the tab columns: tabs at x 8 and 106 from y 289, rows every 40 px; the
    // left column has six rows, the right one five, and Connect sits in the notch.
    QPainterPath tray;
    tray.addRoundedRect(QRectF(4, 284, 197, 207), 6, 6);
    tray.addRoundedRect(QRectF(4, 284, 99, 247), 6, 6);
    SunkenWell(p, tray.simplified(), QColor(16, 19, 24));
    // The page area: a lit bezel around the 387 x 296 window at (204, 288).
    const QRectF page(204, 288, 387, 296);
    SunkenWell(p, page.adjusted(-3, -3, 3, 3), 4, QColor(12, 14, 18));
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(WithAlpha(palette::kAccent, 70), 1));
    p.drawRoundedRect(page.adjusted(-5.5, -5.5, 5.5, 5.5), 6, 6);
    p.restore();
    // The information line below the page: icon at (227, 564), text from (245, 562).
    QLinearGradient strip(0, 560, 0, 584);
    strip.setColorAt(0, QColor(20, 24, 30));
    strip.setColorAt(1, QColor(10, 12, 16));
    p.fillRect(QRectF(204, 560, 387, 24), strip);
    p.fillRect(QRectF(212, 560, 371, 1), QColor(255, 255, 255, 18));

    // Connect: a machined ring around the 79 x 77 button at (124, 510).
    const QPointF cc(163.5, 548.5);
    QRadialGradient ring(cc, 44);
    ring.setColorAt(0.80, QColor(60, 68, 80));
    ring.setColorAt(0.88, QColor(24, 28, 34));
    ring.setColorAt(0.94, QColor(70, 80, 94));
    ring.setColorAt(1, QColor(20, 23, 28, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(cc, 44, 44);

    // Connection status display (label at (30, 540) 92 x 22, gauge at (32, 538)).
    SunkenWell(p, QRectF(27, 535, 98, 30), 4, QColor(6, 9, 10));
    p.fillRect(QRectF(30, 538, 92, 1), QColor(255, 255, 255, 12));
    ShadowText(p, QRectF(27, 568, 98, 12), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("LINK STATUS"),
        Font("Arial", 9, true), QColor(120, 130, 144));
    ShadowText(p, QRectF(27, 582, 98, 11), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("V1.0.0"),
        Font("Arial", 8), QColor(84, 94, 106));
}

} // namespace

void PaintMainUi(QPainter& p, const QRect& area, int)
{
    PaintChassis(p, area);
    PaintTitleBar(p);
    PaintBranding(p);
    PaintPcb(p);
    PaintBoardParts(p);
    PaintLowerPanel(p);
}

} // namespace resources::art
