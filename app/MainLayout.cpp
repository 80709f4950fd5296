#include "app/MainLayout.h"

#include "pages/PageSet.h"

namespace mainlayout {

const std::array<TRegion, REGION_COUNT> REGIONS{{
    {SHAPE_SEG_DISP, "ShapeSegDisp", {235, 221, 108, 19}, Qt::SolidLine, 2},
    {SHAPE_LED, "ShapeLed", {186, 241, 244, 9}, Qt::SolidLine, 2},
    {SHAPE_BUTTON_SW, "ShapeButtonSw", {186, 251, 170, 15}, Qt::SolidLine, 2},
    {SHAPE_BUTTON, "ShapeButton", {357, 251, 70, 15}, Qt::SolidLine, 2},
    {SHAPE_SDRAM, "ShapeSDRAM", {363, 161, 34, 41}, Qt::SolidLine, 2},
    {SHAPE_GSENSOR, "ShapeGsensor", {447, 187, 15, 13}, Qt::SolidLine, 2},
    {SHAPE_IR, "ShapeIR", {469, 210, 10, 13}, Qt::SolidLine, 2},
    {SHAPE_SDCARD, "ShapeSDCARD", {429, 235, 35, 35}, Qt::SolidLine, 2},
    {SHAPE_SSRAM_0, "ShapeSSRAM_0", {408, 169, 25, 31}, Qt::SolidLine, 2},
    {SHAPE_SSRAM_1, "ShapeSSRAM_1", {412, 174, 25, 31}, Qt::DotLine, 1},
    {SHAPE_FLASH, "ShapeFLASH", {427, 209, 22, 22}, Qt::SolidLine, 2},
    {SHAPE_EEPROM, "ShapeEEPROM", {453, 148, 9, 14}, Qt::DotLine, 2},
    {SHAPE_EPCS, "ShapeEPCS", {454, 102, 9, 12}, Qt::DotLine, 1},
    {SHAPE_LCD, "ShapeLCD", {359, 186, 101, 35}, Qt::SolidLine, 2},
    {SHAPE_RS232, "ShapeRS232", {349, 40, 44, 29}, Qt::SolidLine, 2},
    {SHAPE_VGA, "ShapeVGA", {410, 40, 40, 29}, Qt::SolidLine, 2},
    {SHAPE_HSMC, "ShapeHSMC", {464, 91, 13, 78}, Qt::SolidLine, 2},
}};

namespace {

constexpr RegionId LED_OUTLINES[] = {SHAPE_LED};
constexpr RegionId SEG7_OUTLINES[] = {SHAPE_SEG_DISP};
constexpr RegionId SWITCH_OUTLINES[] = {SHAPE_BUTTON_SW, SHAPE_BUTTON};
constexpr RegionId LCD_OUTLINES[] = {SHAPE_LCD};
constexpr RegionId SDCARD_OUTLINES[] = {SHAPE_SDCARD};
constexpr RegionId GSENSOR_OUTLINES[] = {SHAPE_GSENSOR};
constexpr RegionId RS232_OUTLINES[] = {SHAPE_RS232};
constexpr RegionId IR_OUTLINES[] = {SHAPE_IR};
constexpr RegionId HSMC_OUTLINES[] = {SHAPE_HSMC};
constexpr RegionId VGA_OUTLINES[] = {SHAPE_VGA};

// By the position of the memory in the memory page's list.
constexpr RegionId MEMORY_OUTLINES[]
    = {SHAPE_SSRAM_0, SHAPE_SSRAM_1, SHAPE_SDRAM, SHAPE_EEPROM, SHAPE_EPCS, SHAPE_FLASH};

} // namespace

// Tabs stand in two columns 98 px apart, rows 40 px apart from y = 289.
const std::array<TPageEntry, 11> PAGE_SET{{
    {PAGE_LED, "LED", {8, 289}, LED_OUTLINES},
    {PAGE_SEG7, "7-SEG", {8, 329}, SEG7_OUTLINES},
    {PAGE_BUTTON, "Switches", {8, 369}, SWITCH_OUTLINES},
    {PAGE_LCD, "LCD", {106, 289}, LCD_OUTLINES},
    {PAGE_MEMORY, "Memory", {8, 409}, {}},
    {PAGE_SDCARD, "SD Card", {8, 489}, SDCARD_OUTLINES},
    {PAGE_GSENSOR, "G-Sensor", {8, 449}, GSENSOR_OUTLINES},
    {PAGE_RS232, "RS232", {106, 369}, RS232_OUTLINES},
    {PAGE_IR, "IR RX", {106, 329}, IR_OUTLINES},
    {PAGE_HSMC, "HSMC", {106, 449}, HSMC_OUTLINES},
    {PAGE_VGA, "Video", {106, 409}, VGA_OUTLINES},
}};

const std::array<int, 11> TAB_CREATION_ORDER{
    PAGE_LED,
    PAGE_SEG7,
    PAGE_BUTTON,
    PAGE_MEMORY,
    PAGE_GSENSOR,
    PAGE_SDCARD,
    PAGE_LCD,
    PAGE_IR,
    PAGE_RS232,
    PAGE_VGA,
    PAGE_HSMC,
};

RegionId MemoryRegion(int memoryPosition)
{
    if (memoryPosition < 0 || memoryPosition >= static_cast<int>(std::size(MEMORY_OUTLINES)))
        return REGION_COUNT;
    return MEMORY_OUTLINES[memoryPosition];
}

const TPageEntry* FindPage(int index)
{
    for (const TPageEntry& entry : PAGE_SET)
        if (entry.index == index)
            return &entry;
    return nullptr;
}

} // namespace mainlayout
