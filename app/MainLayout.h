#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <Qt>
#include <array>
#include <span>

// The main window's fixed layout and the page set, as data. Everything here is a fact
// about the board picture "MAIN_UI" and the tab column; the window only reads it.
namespace mainlayout {

inline constexpr const char* WINDOW_CAPTION = "Qelvano - VX5h-260 Control Panel V1.0.0";
inline constexpr const char* INSTANCE_NAME = "QELVANO_VXh_260_CONTROL_PANEL";
inline constexpr const char* ALREADY_RUNNING_TEXT = "The application is running.";

// Ids of the system buttons; the tab buttons use the page indexes 0..10.
enum SystemButtonId : int {
    BTN_CLOSE = 14,
    BTN_ABOUT = 15,
    BTN_MINI = 16,
    BTN_CONNECT = 17,
};
// Selectors of EnableControls besides a single tab id.
enum TabSelector : int {
    ALL_TABS = 19,
    CURRENT_TAB = 20,
};

struct TSystemButton {
    int id;
    const char* bitmap;
    QPoint pos;
};
// In the order they are added (and hit-tested).
inline constexpr std::array<TSystemButton, 4> SYSTEM_BUTTONS{{
    {BTN_CLOSE, "CLOSE_BTN", {559, 19}},
    {BTN_MINI, "MINI_BTN", {520, 19}},
    {BTN_ABOUT, "ABOUT_BTN", {481, 19}},
    {BTN_CONNECT, "CONNECT_BTN", {124, 510}},
}};
inline constexpr const char* CONNECT_BITMAP = "CONNECT_BTN";
inline constexpr const char* DISCONNECT_BITMAP = "DISCONNECT_BTN";
inline constexpr const char* TAB_BITMAP = "TAB_BUTTON";
inline constexpr const char* BACKGROUND_BITMAP = "MAIN_UI";
inline constexpr const char* WELCOME_ANIMATION = "WELCOME_AVI";
inline constexpr const char* INFO_ICON_BITMAP = "INFO_ICON";
// The program's icon is the board itself, as the main picture draws it.
inline constexpr QRect ICON_SOURCE_RECT{186, 40, 292, 231};

// Child controls of the main window.
inline constexpr QRect CAPTION_RECT{164, 8, 292, 16};
inline constexpr QRect CONNECT_STATUS_RECT{30, 540, 92, 22};
inline constexpr QRect GAUGE_RECT{32, 538, 92, 21};
inline constexpr QRect INFO_ICON_RECT{227, 564, 15, 13};
inline constexpr QRect INFO_LINE_RECT{245, 562, 329, 16};
// The lines a long report wraps to: the band below the page holds two. A little room is
// left at the line's end, since text drawn for another scale may come out a pixel wider.
inline constexpr int INFO_LINE_COUNT = 2;
inline constexpr int INFO_WRAP_SLACK = 3;
inline constexpr QPoint PAGE_AREA{204, 288};
inline constexpr QPoint WELCOME_POS{204, 288};

inline const QColor CAPTION_COLOUR(0, 255, 0);       // lime
inline const QColor STATUS_LABEL_COLOUR(0, 255, 48); // before the first SetConnectStatus
inline const QColor GAUGE_COLOUR(0, 255, 48);
inline const QColor OUTLINE_COLOUR(255, 255, 0);

// The seventeen board-part outlines on the picture.
enum RegionId : int {
    SHAPE_SEG_DISP,
    SHAPE_LED,
    SHAPE_BUTTON_SW,
    SHAPE_BUTTON,
    SHAPE_SDRAM,
    SHAPE_GSENSOR,
    SHAPE_IR,
    SHAPE_SDCARD,
    SHAPE_SSRAM_0,
    SHAPE_SSRAM_1,
    SHAPE_FLASH,
    SHAPE_EEPROM,
    SHAPE_EPCS,
    SHAPE_LCD,
    SHAPE_RS232,
    SHAPE_VGA,
    SHAPE_HSMC,
    REGION_COUNT,
};

struct TRegion {
    RegionId id;
    const char* name; // the control's name, also its objectName
    QRect rect;
    Qt::PenStyle pen;
    int penWidth;
};
extern const std::array<TRegion, REGION_COUNT> REGIONS;

// One page of the set: index = tab id.
struct TPageEntry {
    int index;
    const char* caption;
    QPoint tabPos;
    std::span<const RegionId> outlines; // empty for the memory page (it depends on its memory)
};
extern const std::array<TPageEntry, 11> PAGE_SET;
// The tabs' creation order, which is also their drawing and hit-test order.
extern const std::array<int, 11> TAB_CREATION_ORDER;

// The outline of the memory page by the position of its selected memory; REGION_COUNT
// (no outline) for no selection or an unknown position.
RegionId MemoryRegion(int memoryPosition);

// The page-set entry of `index`, or nullptr outside the set.
const TPageEntry* FindPage(int index);

} // namespace mainlayout
