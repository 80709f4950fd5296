#include "resources/Catalog.h"

#include "resources/Art.h"
#include "resources/Paint.h"
#include "resources/Resources.h"

#include <QPainter>
#include <algorithm>

namespace resources::art {
namespace {

Entry Picture(const char* name, int w, int h, PaintFn fn)
{
    return Entry{QString::fromLatin1(name), QSize(w, h), false, std::move(fn)};
}

Entry Button(const char* name, int w, int frameHeight, PaintFn fn)
{
    return Entry{QString::fromLatin1(name), QSize(w, frameHeight * 4), true, std::move(fn)};
}

std::vector<Entry> BuildCatalog()
{
    std::vector<Entry> c;
    // The shell: board picture, chrome, tabs, connect.
    c.push_back(Picture("MAIN_UI", 620, 600, PaintMainUi));
    // The board picture near the top is most of its cost.
    c.back().splitRow = 160;
    c.push_back(Button("TAB_BUTTON", 93, 38, PaintTabButton));
    c.push_back(Button("CLOSE_BTN", 37, 12,
        [](QPainter& p, const QRect& r, int f) { PaintSystemButton(p, r, f, SystemGlyph::Close); }));
    c.push_back(Button(
        "MINI_BTN", 37, 12, [](QPainter& p, const QRect& r, int f) { PaintSystemButton(p, r, f, SystemGlyph::Mini); }));
    c.push_back(Button("ABOUT_BTN", 37, 12,
        [](QPainter& p, const QRect& r, int f) { PaintSystemButton(p, r, f, SystemGlyph::About); }));
    c.push_back(
        Button("CONNECT_BTN", 79, 77, [](QPainter& p, const QRect& r, int f) { PaintConnectButton(p, r, f, false); }));
    c.push_back(Button(
        "DISCONNECT_BTN", 79, 77, [](QPainter& p, const QRect& r, int f) { PaintConnectButton(p, r, f, true); }));
    c.push_back(Picture("ABOUT_BK", 300, 300, PaintAboutBackground));

    // Captioned push buttons of the pages (the caption is drawn by the button kit).
    c.push_back(Button("NORMAL_BTN", 64, 17, PaintPushButton));
    c.push_back(Button("MIDDLE_BTN", 120, 17, PaintPushButton));
    c.push_back(Button("LONG_BTN", 176, 17, PaintPushButton));
    c.push_back(
        Button("RIGHT_BTN", 20, 18, [](QPainter& p, const QRect& r, int f) { PaintArrowButton(p, r, f, true); }));
    c.push_back(
        Button("LEFT_BTN", 20, 18, [](QPainter& p, const QRect& r, int f) { PaintArrowButton(p, r, f, false); }));

    // Page backgrounds: the page shows the top 276 rows; the last 20 lie under the
    // main window's information line.
    c.push_back(Picture(
        "TAB_DLG_BK", 387, 296, [](QPainter& p, const QRect& r, int) { PaintPageBackground(p, r, PageKind::Tab); }));
    c.push_back(Picture("MEMORY_DLG_BK", 387, 296,
        [](QPainter& p, const QRect& r, int) { PaintPageBackground(p, r, PageKind::Memory); }));
    c.push_back(Picture("BT_DLG_BK", 387, 296,
        [](QPainter& p, const QRect& r, int) { PaintPageBackground(p, r, PageKind::Switches); }));
    c.push_back(Picture("GSENSOR_DLG_BK", 387, 296,
        [](QPainter& p, const QRect& r, int) { PaintPageBackground(p, r, PageKind::Gsensor); }));
    c.push_back(Picture("SDCARD_DLG_BK", 387, 296,
        [](QPainter& p, const QRect& r, int) { PaintPageBackground(p, r, PageKind::SdCard); }));
    c.push_back(Picture(
        "HSMC_DLG_BK", 387, 296, [](QPainter& p, const QRect& r, int) { PaintPageBackground(p, r, PageKind::Hsmc); }));
    c.push_back(Picture("IR_DLG_BK", 387, 296, PaintIrBackground));
    c.push_back(Picture("COMPOSITE", 329, 169, PaintComposite));

    // LED page: toggling LED pictures.
    c.push_back(Button("LEDG_LIGHT_BTN", 24, 36,
        [](QPainter& p, const QRect& r, int f) { PaintLedButton(p, r, f, LedColour::Green, true); }));
    c.push_back(Button("LEDG_UNLIGHT_BTN", 24, 36,
        [](QPainter& p, const QRect& r, int f) { PaintLedButton(p, r, f, LedColour::Green, false); }));
    c.push_back(Button("LEDR_LIGHT_BTN", 24, 36,
        [](QPainter& p, const QRect& r, int f) { PaintLedButton(p, r, f, LedColour::Red, true); }));
    c.push_back(Button("LEDR_UNLIGHT_BTN", 24, 36,
        [](QPainter& p, const QRect& r, int f) { PaintLedButton(p, r, f, LedColour::Red, false); }));

    // Switches page: drawn with the bottom-left pixel as the transparent colour. The page
    // draws a switch whose bit is set (on) with "SW_DOWN": its handle is up, by the lit lamp.
    c.push_back(Picture("SW_UP", 20, 60, [](QPainter& p, const QRect& r, int) { PaintSlideSwitch(p, r, false); }));
    c.push_back(Picture("SW_DOWN", 20, 60, [](QPainter& p, const QRect& r, int) { PaintSlideSwitch(p, r, true); }));
    c.push_back(Picture("BUTTON_UP", 44, 44, [](QPainter& p, const QRect& r, int) { PaintPushKey(p, r, false); }));
    c.push_back(Picture("BUTTON_DOWN", 44, 44, [](QPainter& p, const QRect& r, int) { PaintPushKey(p, r, true); }));

    // Seven-segment page: one lit digit per value.
    static const char* const kHex[16] = {"HEX_0", "HEX_1", "HEX_2", "HEX_3", "HEX_4", "HEX_5", "HEX_6", "HEX_7",
        "HEX_8", "HEX_9", "HEX_a", "HEX_b", "HEX_c", "HEX_d", "HEX_e", "HEX_f"};
    for (int v = 0; v < 16; ++v)
        c.push_back(Picture(kHex[v], 40, 60, [v](QPainter& p, const QRect& r, int) { PaintHexDigit(p, r, v); }));

    // G-sensor page: spirit levels and their bubbles (blended at half strength, black
    // bubble channels are left out).
    c.push_back(Picture(
        "XY_LEVEL_BMP", 140, 141, [](QPainter& p, const QRect& r, int) { PaintLevel(p, r, LevelKind::Round); }));
    c.push_back(Picture(
        "X_LEVEL_BMP", 195, 25, [](QPainter& p, const QRect& r, int) { PaintLevel(p, r, LevelKind::Horizontal); }));
    c.push_back(Picture(
        "Y_LEVEL_BMP", 25, 194, [](QPainter& p, const QRect& r, int) { PaintLevel(p, r, LevelKind::Vertical); }));
    c.push_back(Picture("XY_BUBBLE_BMP", 20, 19, PaintBubble));
    c.push_back(Picture("X_BUBBLE_BMP", 20, 19, PaintBubble));
    c.push_back(Picture("Y_BUBBLE_BMP", 20, 19, PaintBubble));

    // Small icons: the information line's icon and the memory page's flash note.
    c.push_back(
        Picture("INFO_ICON", 15, 13, [](QPainter& p, const QRect& r, int) { PaintIcon(p, r, IconKind::Info); }));
    c.push_back(
        Picture("NOTE_ICON", 16, 16, [](QPainter& p, const QRect& r, int) { PaintIcon(p, r, IconKind::Warning); }));
    return c;
}

} // namespace

const std::vector<Entry>& Catalog()
{
    static const std::vector<Entry> catalog = BuildCatalog();
    return catalog;
}

const Entry* FindEntry(const QString& name)
{
    for (const Entry& e : Catalog())
        if (e.name == name)
            return &e;
    return nullptr;
}

namespace {

// Below this many device pixels a second band costs more than it saves.
constexpr qint64 BAND_PIXELS = 1'000'000;

} // namespace

int BandRow(const Entry& entry, qreal ratio)
{
    const QSize device = DeviceSize(entry.size, ratio);
    if (entry.splitRow <= 0 || entry.button || qint64(device.width()) * device.height() < BAND_PIXELS)
        return 0;
    return std::clamp(ToDevice(entry.splitRow, ratio), 0, device.height());
}

QImage PictureRows(QImage& picture, int first, int count)
{
    QImage rows(picture.bits() + qsizetype(first) * picture.bytesPerLine(), picture.width(), count,
        picture.bytesPerLine(), picture.format());
    rows.setDevicePixelRatio(picture.devicePixelRatio());
    return rows;
}

QImage Render(const Entry& entry, qreal ratio)
{
    if (const int split = BandRow(entry, ratio)) {
        QImage img = NewPicture(entry.size, ratio);
        QImage top = PictureRows(img, 0, split);
        QImage bottom = PictureRows(img, split, img.height() - split);
        RenderRows(entry, top, 0);
        RenderRows(entry, bottom, split);
        return img;
    }
    const int frames = entry.button ? 4 : 1;
    const QSize frame(entry.size.width(), entry.size.height() / frames);
    QImage img = NewPicture(frame, ratio, frames);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int f = 0; f < frames; ++f) {
        // Each frame is painted in its own coordinates, origin at its top-left corner.
        const QRect area(QPoint(0, 0), frame);
        p.save();
        PaintFrameAt(p, frame, f);
        p.setClipRect(area);
        entry.paint(p, area, f);
        p.restore();
    }
    return img;
}

void RenderRows(const Entry& entry, QImage& band, int firstRow)
{
    QPainter p(&band);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    PaintRowsFrom(p, entry.size, firstRow);
    const QRect area(QPoint(0, 0), entry.size);
    p.setClipRect(area);
    entry.paint(p, area, 0);
}

} // namespace resources::art
