#pragma once

#include <QRect>
#include <QRectF>

class QPainter;

// The painters of the named pictures, one theme per source file. Each paints into
// `area` of the painter; buttons get one call per frame (ButtonFrame in Resources.h).
namespace resources::art {

enum class SystemGlyph {
    Close,
    Mini,
    About
};
enum class PageKind {
    Tab,
    Memory,
    Switches,
    Gsensor,
    SdCard,
    Hsmc
};
enum class LedColour {
    Green,
    Red
};
enum class LevelKind {
    Round,
    Horizontal,
    Vertical
};
enum class IconKind {
    Info,
    Warning
};

// ArtBoard.cpp: the main window's board picture.
void PaintMainUi(QPainter& p, const QRect& area, int frame);

// ArtButtons.cpp: every four-frame button.
void PaintTabButton(QPainter& p, const QRect& area, int frame);
void PaintSystemButton(QPainter& p, const QRect& area, int frame, SystemGlyph glyph);
void PaintConnectButton(QPainter& p, const QRect& area, int frame, bool connected);
void PaintPushButton(QPainter& p, const QRect& area, int frame);
void PaintArrowButton(QPainter& p, const QRect& area, int frame, bool right);
void PaintLedButton(QPainter& p, const QRect& area, int frame, LedColour colour, bool lit);

// The switches page's rails: under the upper row of switches (the lower row's lies 85
// pixels further down) and under the keys. Their frames start right of the headings.
inline constexpr QRectF SWITCH_RAIL{74, 96, 280, 64};
inline constexpr int SWITCH_ROW_STEP = 85;
inline constexpr QRectF KEY_RAIL{74, 14, 198, 50};

// ArtPages.cpp: page backgrounds, the about box, the composite preview, icons.
void PaintPageBackground(QPainter& p, const QRect& area, PageKind kind);
void PaintAboutBackground(QPainter& p, const QRect& area, int frame);
void PaintComposite(QPainter& p, const QRect& area, int frame);
void PaintIcon(QPainter& p, const QRect& area, IconKind kind);
// The pages' common panel and value recess, for pages drawn in other files.
void PaintPagePanel(QPainter& p, const QRect& area, unsigned seed);
void PaintReadout(QPainter& p, const QRectF& r);

// ArtPictures.cpp: the remote control, switches and keys, digits, spirit levels.
void PaintIrBackground(QPainter& p, const QRect& area, int frame);
void PaintSlideSwitch(QPainter& p, const QRect& area, bool on);
void PaintPushKey(QPainter& p, const QRect& area, bool pressed);
void PaintHexDigit(QPainter& p, const QRect& area, int value);
void PaintLevel(QPainter& p, const QRect& area, LevelKind kind);
void PaintBubble(QPainter& p, const QRect& area, int frame);

} // namespace resources::art
