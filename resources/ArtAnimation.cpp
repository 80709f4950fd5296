// "WELCOME_AVI": the page area's welcome animation while no page is shown.
//
// A line drawing of the board whose signal traces carry pulses from the FPGA to every
// peripheral, the FPGA breathing in cyan, the LED row chasing and a JTAG activity bar.
// The still parts are drawn once; each frame copies them and adds the moving parts, so
// the whole loop takes a few hundred milliseconds. Every motion completes a whole number
// of cycles in the loop's 161 frames, so frame 160 runs seamlessly into frame 0.
#include "resources/Animation.h"

#include "resources/Paint.h"
#include "resources/Resources.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <vector>

namespace resources::art {
namespace {

constexpr qreal kPi = 3.14159265358979323846;

const QRectF kBoard(64, 100, 259, 132);
const QRectF kFpga(169, 138, 48, 48);

struct Trace {
    QPolygonF points;
    std::vector<qreal> lengths; // cumulative length at each point
    int cycles;                 // pulses per loop
    qreal phase;
};

Trace MakeTrace(std::initializer_list<QPointF> pts, int cycles, qreal phase)
{
    Trace t{QPolygonF(pts), {}, cycles, phase};
    qreal sum = 0;
    t.lengths.push_back(0);
    for (int i = 1; i < t.points.size(); ++i) {
        const QPointF d = t.points[i] - t.points[i - 1];
        sum += std::hypot(d.x(), d.y());
        t.lengths.push_back(sum);
    }
    return t;
}

QPointF PointAt(const Trace& t, qreal fraction)
{
    const qreal target = fraction * t.lengths.back();
    for (size_t i = 1; i < t.lengths.size(); ++i)
        if (t.lengths[i] >= target) {
            const qreal seg = t.lengths[i] - t.lengths[i - 1];
            const qreal f = seg > 0 ? (target - t.lengths[i - 1]) / seg : 0;
            return t.points[int(i) - 1] + (t.points[int(i)] - t.points[int(i) - 1]) * f;
        }
    return t.points.back();
}

// The peripherals, drawn as outlines, and the traces from the FPGA to them.
struct Scene {
    std::vector<QRectF> parts;
    std::vector<const char*> names;
    std::vector<Trace> traces;
};

Scene MakeScene()
{
    Scene s;
    // Connectors on the top edge, memories right, display and LEDs at the bottom.
    s.parts = {
        QRectF(90, 94, 26, 14),   // USB-Blaster
        QRectF(214, 92, 30, 16),  // RS232
        QRectF(254, 92, 28, 16),  // VGA
        QRectF(238, 144, 22, 30), // SDRAM
        QRectF(268, 150, 18, 22), // SSRAM
        QRectF(296, 116, 9, 70),  // HSMC
        QRectF(270, 184, 34, 20), // SD card
        QRectF(236, 184, 28, 12), // LCD
        QRectF(84, 150, 40, 14),  // seven-segment
        QRectF(72, 123, 28, 14),  // flash
    };
    s.names = {"USB", "RS232", "VGA", "SDRAM", "SRAM", nullptr, "SD", "LCD", "7-SEG", "FLASH"};
    s.traces = {
        MakeTrace({{169, 150}, {140, 150}, {128, 138}, {104, 138}, {104, 108}}, 2, 0.00),
        MakeTrace({{205, 138}, {205, 124}, {220, 116}, {229, 108}}, 3, 0.10),
        MakeTrace({{212, 138}, {212, 128}, {246, 120}, {268, 120}, {268, 108}}, 2, 0.35),
        MakeTrace({{217, 152}, {238, 152}}, 3, 0.50),
        MakeTrace({{217, 160}, {230, 160}, {236, 166}, {268, 166}}, 2, 0.20),
        MakeTrace({{217, 146}, {228, 134}, {286, 134}, {296, 134}}, 2, 0.65),
        MakeTrace({{217, 176}, {226, 186}, {236, 190}}, 3, 0.80),
        MakeTrace({{212, 186}, {212, 210}, {260, 210}, {270, 200}}, 2, 0.45),
        MakeTrace({{169, 176}, {140, 176}, {128, 164}, {124, 160}}, 3, 0.15),
        MakeTrace({{169, 160}, {150, 160}, {140, 130}, {98, 130}}, 2, 0.55),
        MakeTrace({{190, 186}, {190, 214}, {120, 214}, {100, 214}}, 2, 0.70),
        MakeTrace({{180, 186}, {180, 206}, {150, 206}, {150, 214}}, 1, 0.90),
    };
    return s;
}

void DrawTitle(QPainter& p, const QRectF& area)
{
    ShadowText(p, QRectF(0, 12, area.width(), 16), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("W E L C O M E"),
        Font("Arial", 11, true), QColor(150, 160, 174));
    QPainterPath name;
    QFont big = Font("Arial", 34, true);
    name.addText(0, 0, big, QStringLiteral("VX5h-260"));
    const QRectF b = name.boundingRect();
    name.translate(area.width() / 2 - b.center().x(), 62);
    QLinearGradient metal(0, 34, 0, 64);
    metal.setColorAt(0, QColor(252, 253, 255));
    metal.setColorAt(0.6, QColor(190, 198, 210));
    metal.setColorAt(1, QColor(130, 140, 156));
    p.save();
    p.fillPath(name.translated(1.5, 2), QColor(0, 0, 0, 170));
    p.fillPath(name, metal);
    p.restore();
    GlowText(p, QRectF(0, 66, area.width(), 18), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Control Panel"),
        Font("Arial", 14, true), palette::kAccent, 60);
}

void DrawBoardLines(QPainter& p, const Scene& scene)
{
    p.save();
    // Board outline with soft fill.
    QLinearGradient fill(kBoard.topLeft(), kBoard.bottomLeft());
    fill.setColorAt(0, QColor(16, 60, 96, 120));
    fill.setColorAt(1, QColor(8, 30, 54, 120));
    p.setBrush(fill);
    p.setPen(QPen(WithAlpha(palette::kAccent, 130), 1.4));
    p.drawRoundedRect(kBoard, 8, 8);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(WithAlpha(palette::kAccent, 30), 5));
    p.drawRoundedRect(kBoard, 8, 8);
    // Mounting holes.
    p.setPen(QPen(WithAlpha(palette::kAccent, 110), 1));
    for (QPointF c : {kBoard.topLeft() + QPointF(8, 8), kBoard.topRight() + QPointF(-8, 8),
             kBoard.bottomLeft() + QPointF(8, -8), kBoard.bottomRight() + QPointF(-8, -8)})
        p.drawEllipse(c, 3, 3);
    // Traces.
    p.setPen(QPen(WithAlpha(palette::kAccent, 60), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const Trace& t : scene.traces)
        p.drawPolyline(t.points);
    // Parts, with their names where they have room.
    p.setPen(QPen(WithAlpha(palette::kAccent, 150), 1));
    p.setBrush(QColor(0, 234, 255, 18));
    for (const QRectF& r : scene.parts)
        p.drawRoundedRect(r, 2, 2);
    p.setFont(Font("Arial", 6, true));
    p.setPen(QColor(170, 230, 245, 200));
    for (size_t i = 0; i < scene.parts.size() && i < scene.names.size(); ++i)
        if (scene.names[i])
            p.drawText(scene.parts[i], Qt::AlignCenter, QString::fromLatin1(scene.names[i]));
    // FPGA with its pin ring.
    p.setBrush(QColor(10, 26, 36));
    p.setPen(QPen(WithAlpha(palette::kAccent, 200), 1.4));
    p.drawRoundedRect(kFpga, 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(WithAlpha(palette::kAccent, 110));
    for (int i = 0; i < 9; ++i) {
        const qreal o = 6 + i * 4.5;
        p.drawRect(QRectF(kFpga.left() + o, kFpga.top() - 4, 1.6, 3));
        p.drawRect(QRectF(kFpga.left() + o, kFpga.bottom() + 1, 1.6, 3));
        p.drawRect(QRectF(kFpga.left() - 4, kFpga.top() + o, 3, 1.6));
        p.drawRect(QRectF(kFpga.right() + 1, kFpga.top() + o, 3, 1.6));
    }
    p.setFont(Font("Arial", 10, true));
    p.setPen(QColor(210, 246, 255));
    p.drawText(kFpga, Qt::AlignCenter, QStringLiteral("FPGA"));
    p.restore();
}

void DrawFooter(QPainter& p, const QRectF& area)
{
    ShadowText(p, QRectF(0, 244, area.width(), 14), Qt::AlignHCenter | Qt::AlignVCenter,
        QStringLiteral("USB-Blaster  \u00b7  JTAG link"), Font("Arial", 10), QColor(130, 140, 154));
    // The strip under the page area matches the main window's information line.
    QLinearGradient strip(0, area.height() - 24, 0, area.height());
    strip.setColorAt(0, QColor(20, 24, 30));
    strip.setColorAt(1, QColor(10, 12, 16));
    p.fillRect(QRectF(0, area.height() - 24, area.width(), 24), strip);
}

const QSize kWelcomeSize(kWelcomeWidth, kWelcomeHeight);

QImage StillLayer(const Scene& scene, qreal ratio)
{
    QImage img = NewPicture(kWelcomeSize, ratio);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    PaintFrameAt(p, kWelcomeSize, 0);
    const QRect area(QPoint(0, 0), kWelcomeSize);
    p.fillRect(area, palette::kPanel);
    Grain(p, area, 387296, 14);
    // Dot grid and a soft light behind the board.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 10));
    for (int y = 6; y < area.height() - 24; y += 12)
        for (int x = 6; x < area.width(); x += 12)
            p.drawRect(QRectF(x, y, 1, 1));
    Glow(p, kBoard.center(), 190, QColor(0, 160, 220, 40));
    DrawTitle(p, QRectF(area));
    DrawBoardLines(p, scene);
    DrawFooter(p, QRectF(area));
    return img;
}

void DrawPulses(QPainter& p, const Scene& scene, qreal t)
{
    p.setPen(Qt::NoPen);
    for (const Trace& tr : scene.traces) {
        const qreal head = std::fmod(t * tr.cycles + tr.phase, 1.0);
        for (int k = 5; k >= 0; --k) {
            const qreal f = head - k * 0.025;
            if (f < 0)
                continue;
            const QPointF pt = PointAt(tr, f);
            const int alpha = 230 - k * 38;
            if (k == 0)
                Glow(p, pt, 7, QColor(0, 234, 255, 120));
            p.setBrush(k == 0 ? QColor(230, 255, 255) : QColor(0, 234, 255, alpha));
            p.drawEllipse(pt, 1.8 - k * 0.2, 1.8 - k * 0.2);
        }
    }
}

void DrawFpgaBreath(QPainter& p, qreal t)
{
    const qreal breath = 0.5 - 0.5 * std::cos(2 * kPi * 2 * t);
    Glow(p, kFpga.center(), 34 + 8 * breath, QColor(0, 234, 255, static_cast<int>(30 + 60 * breath)));
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 234, 255, static_cast<int>(90 + 140 * breath)), 1.6));
    p.drawRoundedRect(kFpga, 4, 4);
    p.setFont(Font("Arial", 10, true));
    p.setPen(Mix(QColor(160, 220, 235), QColor(255, 255, 255), breath));
    p.drawText(kFpga, Qt::AlignCenter, QStringLiteral("FPGA"));
    p.restore();
}

void DrawLedChase(QPainter& p, int frame)
{
    // 27 LEDs along the board's bottom edge: red and green like the board's, one lit
    // wave running across them.
    const int pos = frame % 23 * 27 / 23; // 7 waves per loop (161 = 7 x 23)
    for (int i = 0; i < 27; ++i) {
        const QPointF c(kBoard.left() + 24 + i * 7.9, kBoard.bottom() - 10);
        const int d = std::abs(i - pos);
        const QColor hue = i < 18 ? QColor(255, 50, 40) : QColor(40, 255, 70);
        if (d <= 2) {
            const qreal level = 1.0 - d * 0.35;
            Glow(p, c, 6, WithAlpha(hue, static_cast<int>(140 * level)));
            p.setPen(Qt::NoPen);
            p.setBrush(Mix(hue.darker(300), Mix(hue, Qt::white, 0.35), level));
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(hue.darker(330));
        }
        p.drawEllipse(c, 2, 2);
    }
}

void DrawActivity(QPainter& p, qreal t)
{
    // A bar of twelve cells with a light sweeping back and forth, as on a link in use.
    const int cells = 12;
    const qreal w = 9, gap = 3;
    const qreal left = kWelcomeWidth / 2.0 - (cells * (w + gap) - gap) / 2;
    const qreal pos = (0.5 - 0.5 * std::cos(2 * kPi * 3 * t)) * (cells - 1);
    for (int i = 0; i < cells; ++i) {
        const qreal level = qMax<qreal>(0, 1 - std::abs(i - pos) / 2.2);
        const QRectF cell(left + i * (w + gap), 262, w, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(Mix(QColor(30, 40, 50), palette::kAccent, level));
        p.drawRoundedRect(cell, 1.5, 1.5);
    }
}

const Scene& TheScene()
{
    static const Scene scene = MakeScene();
    return scene;
}

} // namespace

QImage RenderWelcomeStill(qreal ratio) { return StillLayer(TheScene(), NormalRatio(ratio)); }

QImage RenderWelcomeFrame(int index, const QImage& still)
{
    const int i = ((index % kWelcomeFrames) + kWelcomeFrames) % kWelcomeFrames;
    const qreal t = static_cast<qreal>(i) / kWelcomeFrames;
    QImage img = still.copy();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    PaintFrameAt(p, kWelcomeSize, 0);
    DrawFpgaBreath(p, t);
    DrawPulses(p, TheScene(), t);
    DrawLedChase(p, i);
    DrawActivity(p, t);
    p.end();
    return img;
}

} // namespace resources::art
