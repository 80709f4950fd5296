// The layout tables against the rules they must keep.
#include "app/MainLayout.h"
#include "pages/PageSet.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace mainlayout;

TEST(MainLayout, TabsStandInTwoColumnsByCreationOrder)
{
    std::set<int> seen;
    for (std::size_t i = 0; i < TAB_CREATION_ORDER.size(); ++i) {
        const TPageEntry* entry = FindPage(TAB_CREATION_ORDER[i]);
        ASSERT_NE(entry, nullptr);
        seen.insert(entry->index);
        const int column = i < 6 ? 0 : 1;
        const int row = i < 6 ? static_cast<int>(i) : static_cast<int>(i) - 6;
        EXPECT_EQ(entry->tabPos, QPoint(8 + 98 * column, 289 + 40 * row)) << entry->caption;
    }
    EXPECT_EQ(seen.size(), 11u) << "every page has exactly one tab";
    EXPECT_EQ(FindPage(PAGE_WELCOME), nullptr);
    EXPECT_EQ(FindPage(11), nullptr);
}

TEST(MainLayout, EveryPageButMemoryHasItsOutlinesAndRegionsAreDistinct)
{
    std::set<std::string> names;
    for (std::size_t i = 0; i < REGIONS.size(); ++i) {
        EXPECT_EQ(REGIONS[i].id, static_cast<RegionId>(i)) << "the table is indexed by id";
        names.insert(REGIONS[i].name);
        EXPECT_TRUE(QRect(0, 0, 620, 600).contains(REGIONS[i].rect)) << REGIONS[i].name;
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(REGION_COUNT));
    for (const TPageEntry& entry : PAGE_SET)
        EXPECT_EQ(entry.outlines.empty(), entry.index == PAGE_MEMORY) << entry.caption;
    EXPECT_EQ(FindPage(PAGE_BUTTON)->outlines.size(), 2u);
}

TEST(MainLayout, MemoryOutlineFollowsTheListPosition)
{
    const RegionId expected[] = {SHAPE_SSRAM_0, SHAPE_SSRAM_1, SHAPE_SDRAM, SHAPE_EEPROM, SHAPE_EPCS, SHAPE_FLASH};
    for (int position = 0; position < 6; ++position)
        EXPECT_EQ(MemoryRegion(position), expected[position]);
    EXPECT_EQ(MemoryRegion(-1), REGION_COUNT);
    EXPECT_EQ(MemoryRegion(6), REGION_COUNT);
}
