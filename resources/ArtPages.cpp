// Page backgrounds, the about box, the composite-video preview and the small icons.
//
// Every page is one dark panel style: the flat page colour with a fine grain and a soft
// light from the top, and quiet cards that group the controls a page places on it. Only
// the top 276 rows show (the page's client area); the rest lies under the main window's
// information line. Labels on these pages are white, lime and cyan, so nothing here gets
// brighter than a dim grey.
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

void PanelBase(QPainter& p, const QRect& area, unsigned seed)
{
    p.fillRect(area, palette::kPanel);
    Grain(p, area, seed, 14);
    QRadialGradient light(QPointF(area.width() * 0.3, -40), area.width() * 0.9);
    light.setColorAt(0, QColor(255, 255, 255, 16));
    light.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(area, light);
    // A hairline at the top edge, where the page meets the bezel.
    QLinearGradient rule(0, 0, area.width(), 0);
    rule.setColorAt(0, WithAlpha(palette::kAccent, 0));
    rule.setColorAt(0.5, WithAlpha(palette::kAccent, 90));
    rule.setColorAt(1, WithAlpha(palette::kAccent, 0));
    p.fillRect(QRectF(0, 0, area.width(), 1), rule);
}

// A quiet card that groups a page's controls.
void Card(QPainter& p, const QRectF& r)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(r.translated(0, 1), 6, 6);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(38, 44, 54));
    g.setColorAt(1, QColor(31, 36, 44));
    p.setBrush(g);
    p.drawRoundedRect(r, 6, 6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    // A short accent mark at the left of the heading line.
    p.setPen(Qt::NoPen);
    p.setBrush(WithAlpha(palette::kAccent, 150));
    p.drawRoundedRect(QRectF(r.left() + 3, r.top() + 7, 2, 12), 1, 1);
    p.restore();
}

// A dark recess where a value or a list is shown.
void Readout(QPainter& p, const QRectF& r) { SunkenWell(p, r, 4, QColor(14, 17, 21)); }

// A faint picture in the background (a watermark), drawn in the page's light.
void Watermark(QPainter& p, const QRectF& r, const QString& text, int pixelSize, int alpha)
{
    p.save();
    p.setFont(Font("Arial", pixelSize, true));
    p.setPen(QColor(255, 255, 255, alpha));
    p.drawText(r, Qt::AlignLeft | Qt::AlignBottom, text);
    p.restore();
}

void TabPage(QPainter& p, const QRect& area)
{
    // Shared by the LED, 7-SEG, LCD, RS232 and Video pages, which all place their controls
    // differently: only the frame is decorated, never the middle.
    PanelBase(p, area, 38700);
    p.save();
    p.setPen(QPen(QColor(255, 255, 255, 14), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(4.5, 4.5, area.width() - 9, 267), 8, 8);
    p.restore();
    // The product name, faint, in the bottom-left corner that no page uses.
    Watermark(p, QRectF(12, 0, 100, 272), QStringLiteral("VX5h-260"), 11, 18);
}

void MemoryPage(QPainter& p, const QRect& area)
{
    PanelBase(p, area, 38701);
    // Memory Type (list at y 12), Random Access, Sequential Write, Sequential Read, and
    // the flash note on the last line.
    Card(p, QRectF(6, 5, 375, 31));
    Card(p, QRectF(6, 38, 375, 72));
    Card(p, QRectF(6, 112, 375, 69));
    Card(p, QRectF(6, 183, 375, 73));
}

void SwitchesPage(QPainter& p, const QRect& area)
{
    PanelBase(p, area, 38702);
    Card(p, QRectF(6, 8, 375, 78));
    Card(p, QRectF(6, 92, 375, 176));
    // Rails under the switch rows and the keys, from x 74 on, clear of the headings
    // "Switches" and "Keys" at x 16.
    for (int row : {0, 1})
        SunkenWell(p, SWITCH_RAIL.translated(0, row * SWITCH_ROW_STEP), 5, QColor(21, 24, 30));
    SunkenWell(p, KEY_RAIL, 6, QColor(21, 24, 30));
}

void GsensorPage(QPainter& p, const QRect& area)
{
    PanelBase(p, area, 38703);
    // Readouts of X, Y and Z (labels at y 99, 151, 203, 16 px text from x 14).
    for (int y : {95, 147, 199})
        Readout(p, QRectF(8, y, 104, 26));
    // A frame around the three levels (which are opaque pictures on the page colour),
    // with the axes marked.
    p.save();
    p.setPen(QPen(QColor(255, 255, 255, 20), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(110.5, 57.5, 259, 210), 10, 10);
    p.setPen(QPen(QColor(255, 255, 255, 26), 1, Qt::DashLine));
    p.drawLine(QPointF(263, 108), QPointF(263, 262));
    p.drawLine(QPointF(150, 187.5), QPointF(360, 187.5));
    p.setFont(Font("Arial", 9, true));
    p.setPen(QColor(150, 160, 174, 120));
    p.drawText(QRectF(346, 190, 16, 12), Qt::AlignCenter, QStringLiteral("X"));
    p.drawText(QRectF(266, 248, 14, 12), Qt::AlignCenter, QStringLiteral("Y"));
    p.restore();
}

void SdCardGlyph(QPainter& p, const QRectF& r, int alpha)
{
    QPainterPath card;
    const qreal cut = r.width() * 0.28;
    card.moveTo(r.left() + cut, r.top());
    card.lineTo(r.right(), r.top());
    card.lineTo(r.right(), r.bottom());
    card.lineTo(r.left(), r.bottom());
    card.lineTo(r.left(), r.top() + cut);
    card.closeSubpath();
    p.save();
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(60, 110, 190, alpha));
    g.setColorAt(1, QColor(24, 50, 110, alpha));
    p.setPen(QPen(QColor(140, 180, 240, alpha), 1));
    p.setBrush(g);
    p.drawPath(card);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 190, 110, alpha));
    for (int i = 0; i < 7; ++i)
        p.drawRect(QRectF(r.left() + cut * 0.6 + i * (r.width() - cut) / 7.5, r.top() + 4, 3, 9));
    p.setPen(QColor(230, 240, 255, alpha));
    p.setFont(Font("Arial", 14, true));
    p.drawText(r.adjusted(0, 10, 0, 0), Qt::AlignCenter, QStringLiteral("SD"));
    p.restore();
}

void SdCardPage(QPainter& p, const QRect& area)
{
    PanelBase(p, area, 38704);
    Card(p, QRectF(6, 4, 375, 108));
    Card(p, QRectF(6, 114, 375, 104));
    Card(p, QRectF(6, 220, 375, 51));
    SdCardGlyph(p, QRectF(326, 22, 44, 58), 120);
}

void HsmcAdapterGlyph(QPainter& p, const QRectF& r)
{
    // The loopback adapter: a small board with the connector, and loops from pin to pin.
    p.save();
    FillVertical(p, r, 5, QColor(24, 70, 110, 170), QColor(12, 40, 70, 170));
    p.setPen(QPen(QColor(120, 180, 230, 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    const QRectF conn(r.center().x() - 6, r.top() + 10, 12, r.height() - 20);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(16, 16, 18, 220));
    p.drawRect(conn);
    p.setBrush(QColor(210, 175, 90, 200));
    for (qreal y = conn.top() + 3; y < conn.bottom() - 2; y += 4) {
        p.drawRect(QRectF(conn.left() + 2, y, 2, 1.5));
        p.drawRect(QRectF(conn.right() - 4, y, 2, 1.5));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 234, 255, 110), 1.2));
    for (qreal y = conn.top() + 6; y < conn.bottom() - 10; y += 16) {
        // Each loop joins a pin to its neighbour, as the adapter's pairs do.
        p.drawArc(QRectF(conn.right() - 6, y, 14, 7), -90 * 16, 180 * 16);
        p.drawArc(QRectF(conn.left() - 8, y + 8, 14, 7), 90 * 16, 180 * 16);
    }
    p.restore();
}

void HsmcPage(QPainter& p, const QRect& area)
{
    PanelBase(p, area, 38705);
    Card(p, QRectF(6, 18, 375, 30));
    Card(p, QRectF(6, 50, 278, 220));
    HsmcAdapterGlyph(p, QRectF(300, 58, 66, 148));
    ShadowText(p, QRectF(288, 209, 90, 12), Qt::AlignCenter, QStringLiteral("loopback adapter"), Font("Arial", 9),
        QColor(120, 130, 144));
    // Where PASS or NG appears, under Verify.
    Readout(p, QRectF(290, 252, 84, 20));
}

} // namespace

void PaintPageBackground(QPainter& p, const QRect& area, PageKind kind)
{
    switch (kind) {
    case PageKind::Tab:
        TabPage(p, area);
        break;
    case PageKind::Memory:
        MemoryPage(p, area);
        break;
    case PageKind::Switches:
        SwitchesPage(p, area);
        break;
    case PageKind::Gsensor:
        GsensorPage(p, area);
        break;
    case PageKind::SdCard:
        SdCardPage(p, area);
        break;
    case PageKind::Hsmc:
        HsmcPage(p, area);
        break;
    }
}

void PaintPagePanel(QPainter& p, const QRect& area, unsigned seed) { PanelBase(p, area, seed); }

void PaintReadout(QPainter& p, const QRectF& r) { Readout(p, r); }

void PaintAboutBackground(QPainter& p, const QRect& area, int)
{
    QLinearGradient g(0, 0, 0, area.height());
    g.setColorAt(0, QColor(30, 36, 46));
    g.setColorAt(1, QColor(12, 14, 19));
    p.fillRect(area, g);
    Grain(p, area, 300300, 18);
    // The board itself, taken from the main window's picture, under a soft spotlight.
    Glow(p, QPointF(150, 92), 150, QColor(0, 234, 255, 36));
    // The board picture drawn for the same ratio: a reduction, never an enlargement.
    const qreal ratio = PaintRatio(p);
    const QImage main = LoadBitmap(QStringLiteral("MAIN_UI"), ratio);
    const QRectF board(34, 22, 232, 172 * 232.0 / 320);
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(board, main, QRectF(168 * ratio, 36 * ratio, 322 * ratio, 244 * ratio));
    p.restore();
    // Reflection of the board on the dark surface.
    QLinearGradient fade(0, board.bottom(), 0, board.bottom() + 18);
    fade.setColorAt(0, QColor(0, 234, 255, 50));
    fade.setColorAt(1, QColor(0, 234, 255, 0));
    p.fillRect(QRectF(board.left() + 10, board.bottom() + 1, board.width() - 20, 1), fade);
    // Emblem left of the two text lines at (96, 196) and (96, 223).
    const QRectF badge(36, 196, 44, 44);
    FillVertical(p, badge, 10, QColor(0, 160, 190), QColor(0, 64, 96));
    Bevel(p, badge, 10, QColor(255, 255, 255, 110), QColor(0, 0, 0, 140));
    p.save();
    p.setPen(QPen(QColor(230, 252, 255), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(badge.center(), 12, 12);
    p.drawLine(badge.center() + QPointF(5, 5), badge.center() + QPointF(14, 14));
    p.restore();
    QLinearGradient rule(96, 0, 290, 0);
    rule.setColorAt(0, WithAlpha(palette::kAccent, 160));
    rule.setColorAt(1, WithAlpha(palette::kAccent, 0));
    p.fillRect(QRectF(96, 215, 190, 1), rule);
    // The maker's line, quiet, above the Close button at (118, 270), which stands about as far
    // from the bottom edge as from this line.
    ShadowText(p, QRectF(20, 246, 260, 12), Qt::AlignCenter,
        QStringLiteral("Copyright \u00a9 2026 Qelvano Technologies. All rights reserved."), Font("Arial", 9),
        QColor(130, 140, 154));
    Bevel(p, QRectF(area), 0, QColor(255, 255, 255, 40), QColor(0, 0, 0, 160));
}

void PaintComposite(QPainter& p, const QRect& area, int)
{
    // A frame from a camera on the composite input: a calm landscape at dusk, with the
    // look of analogue video (scan lines, a little colour bleed) and an OSD caption.
    const qreal w = area.width(), h = area.height();
    QLinearGradient sky(0, 0, 0, h * 0.7);
    sky.setColorAt(0, QColor(30, 40, 110));
    sky.setColorAt(0.55, QColor(220, 110, 90));
    sky.setColorAt(1, QColor(255, 200, 120));
    p.fillRect(area, sky);
    Glow(p, QPointF(w * 0.68, h * 0.56), 60, QColor(255, 240, 190, 200));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 236, 180));
    p.drawEllipse(QPointF(w * 0.68, h * 0.56), 16, 16);
    const auto ridge = [&](qreal base, qreal amp, qreal freq, qreal phase, const QColor& c) {
        QPainterPath path;
        path.moveTo(0, h);
        for (int x = 0; x <= area.width(); x += 4)
            path.lineTo(x, base + amp * std::sin(x * freq + phase) + amp * 0.4 * std::sin(x * freq * 2.7 + phase));
        path.lineTo(w, h);
        path.closeSubpath();
        p.fillPath(path, c);
    };
    ridge(h * 0.58, 14, 0.021, 0.5, QColor(90, 60, 110));
    ridge(h * 0.68, 11, 0.033, 2.0, QColor(50, 36, 80));
    ridge(h * 0.80, 8, 0.05, 4.0, QColor(22, 18, 40));
    // Water with the sun's reflection.
    p.fillRect(QRectF(0, h * 0.86, w, h * 0.14), QColor(30, 30, 60));
    static const int kGlint[6] = {30, 18, 24, 12, 16, 8};
    for (int i = 0; i < 6; ++i)
        p.fillRect(QRectF(w * 0.68 - kGlint[i] / 2.0 + (i % 2 ? 3 : -2), h * 0.875 + i * 3.2, kGlint[i], 1.5),
            QColor(255, 220, 160, 170 - i * 20));
    // Scan lines.
    for (int y = 0; y < area.height(); y += 2)
        p.fillRect(QRectF(0, y, w, 1), QColor(0, 0, 0, 36));
    // On-screen caption, as a video encoder would overlay it.
    p.setFont(Font("Arial", 11, true));
    p.setPen(QColor(0, 0, 0, 160));
    p.drawText(QRectF(9, 7, 200, 16), Qt::AlignLeft, QStringLiteral("CVBS IN  NTSC/PAL"));
    p.setPen(QColor(240, 240, 240));
    p.drawText(QRectF(8, 6, 200, 16), Qt::AlignLeft, QStringLiteral("CVBS IN  NTSC/PAL"));
    p.setBrush(QColor(255, 40, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(w - 40, 14), 4, 4);
    p.setPen(QColor(240, 240, 240));
    p.drawText(QRectF(w - 33, 6, 30, 16), Qt::AlignLeft, QStringLiteral("LIVE"));
}

void PaintIcon(QPainter& p, const QRect& area, IconKind kind)
{
    const QRectF r(area);
    // Each icon has one place: its backdrop is the picture it sits on, from there.
    const auto backdrop = [&](const char* picture, QPoint at) { Backdrop(p, area, QString::fromLatin1(picture), at); };
    if (kind == IconKind::Info) {
        // The main window's information line, at (227, 564).
        backdrop("MAIN_UI", QPoint(227, 564));
        const qreal d = qMin(r.width(), r.height()) - 1;
        const QRectF disc(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
        QRadialGradient g(disc.center() - QPointF(2, 2), d);
        g.setColorAt(0, QColor(90, 200, 255));
        g.setColorAt(1, QColor(0, 90, 170));
        p.setPen(QPen(QColor(0, 0, 0, 160), 0.8));
        p.setBrush(g);
        p.drawEllipse(disc);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(disc.center().x(), disc.top() + 3), 1.1, 1.1);
        p.drawRoundedRect(QRectF(disc.center().x() - 1, disc.top() + 5, 2, 5.5), 0.6, 0.6);
        return;
    }
    // Warning: a yellow triangle with an exclamation mark, beside the memory page's flash
    // note at (22, 256).
    backdrop("MEMORY_DLG_BK", QPoint(22, 256));
    QPainterPath tri;
    tri.moveTo(r.center().x(), r.top() + 1);
    tri.lineTo(r.right() - 0.5, r.bottom() - 1.5);
    tri.lineTo(r.left() + 0.5, r.bottom() - 1.5);
    tri.closeSubpath();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(255, 230, 90));
    g.setColorAt(1, QColor(230, 160, 0));
    p.setPen(QPen(QColor(80, 50, 0), 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(tri);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 20, 0));
    p.drawRoundedRect(QRectF(r.center().x() - 1, r.top() + 5, 2, 5.5), 0.6, 0.6);
    p.drawEllipse(QPointF(r.center().x(), r.bottom() - 4), 1.1, 1.1);
}

} // namespace resources::art
