#pragma once

class QWidget;
class TPage;

// The page set: index = tab id. The windows are created in index order.
enum PageIndex : int {
    PAGE_LED = 0,
    PAGE_SEG7 = 1,
    PAGE_BUTTON = 2,
    PAGE_LCD = 3,
    PAGE_MEMORY = 4,
    PAGE_SDCARD = 5,
    PAGE_GSENSOR = 6,
    PAGE_RS232 = 7,
    PAGE_IR = 8,
    PAGE_HSMC = 9,
    PAGE_VGA = 10,
    PAGE_COUNT = 11,
    PAGE_WELCOME = 13,
};

// Creates the page window of `index` as a hidden child of `parent`; nullptr for an
// index outside the set.
TPage* CreatePage(int index, QWidget* parent);
