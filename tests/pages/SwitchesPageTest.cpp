// The switches page: the pictures it draws for the board's keys and switches, polling
// that picks up changes made on the simulated board, stops when the page is left or
// the link fails, and costs no drawing while the board is steady.

#include "IoPageFixture.h"
#include "pages/PageText.h"
#include "pages/SwitchLayout.h"
#include "resources/Art.h"
#include "pages/UnitButton.h"

#include <QFontMetrics>

#include <sys/resource.h>

using namespace iopages;

namespace {

TEST(SwitchLayout, PlacesAndLabels)
{
    EXPECT_EQ(switches::PicturePlace(0), QPoint(223, 18));
    EXPECT_EQ(switches::PicturePlace(3), QPoint(79, 18));
    EXPECT_EQ(switches::PicturePlace(4), QPoint(332, 98));   // SW0
    EXPECT_EQ(switches::PicturePlace(12), QPoint(76, 98));   // SW8
    EXPECT_EQ(switches::PicturePlace(13), QPoint(332, 183)); // SW9
    EXPECT_EQ(switches::PicturePlace(21), QPoint(76, 183));  // SW17
    EXPECT_EQ(switches::Label(21), "SW17");
    EXPECT_EQ(switches::LabelCentreX(0), 245);
    EXPECT_EQ(switches::LabelTop(0), 66);
    EXPECT_EQ(switches::LabelCentreX(21), 86);
    EXPECT_EQ(switches::LabelTop(21), 247);
}

TEST(SwitchLayout, TheHeadingsClearTheRails)
{
    // Both headings end left of their rails' frames, with room between.
    const QFontMetrics heading(pagetext::PointFont("Arial", 10));
    EXPECT_LE(switches::HEADING_LEFT + heading.horizontalAdvance("Switches") + 4, resources::art::SWITCH_RAIL.left());
    EXPECT_LE(switches::HEADING_LEFT + heading.horizontalAdvance("Keys") + 4, resources::art::KEY_RAIL.left());
    // The rails still hold every switch and key.
    for (int bit = 0; bit < switches::INPUT_COUNT; ++bit) {
        const QPoint place = switches::PicturePlace(bit);
        const QRectF rail = switches::IsKey(bit) ? resources::art::KEY_RAIL : resources::art::SWITCH_RAIL;
        EXPECT_GE(place.x(), rail.left()) << bit;
        EXPECT_LE(place.x() + (switches::IsKey(bit) ? 44 : 20), rail.right()) << bit;
    }
}

class SwitchesPage : public TPageSuite<TFormButton> {
protected:
    void PrepareBoard() override
    {
        Ctl("set keys 0");
        Ctl("set switches 0");
    }

    bool Shows(int bit, bool down) const
    {
        const char* picture
            = switches::IsKey(bit) ? (down ? "BUTTON_DOWN" : "BUTTON_UP") : (down ? "SW_DOWN" : "SW_UP");
        return ShowsBitmap(page->Canvas(), switches::PicturePlace(bit), picture, true);
    }
    bool WaitDrawn(std::uint32_t value)
    {
        return WaitFor([&] { return page->LastDrawn() == value; }, 2000);
    }
};

TEST_F(SwitchesPage, PollingDrawsKeysAndSwitchesSetOnTheBoard)
{
    TInfoRecorder info;
    page->Activate(&Board());
    EXPECT_TRUE(page->IsPolling());
    EXPECT_EQ(info.Last().text, "Monitor Switches and Pushbuttons...");
    EXPECT_EQ(info.Last().colour, INFO_YELLOW);
    for (int bit = 0; bit < switches::INPUT_COUNT; ++bit)
        EXPECT_TRUE(Shows(bit, false)) << bit;

    Ctl("set keys 1");
    ASSERT_TRUE(WaitDrawn(0x00000001));
    EXPECT_TRUE(Shows(0, true));
    for (int bit = 1; bit < switches::INPUT_COUNT; ++bit)
        EXPECT_TRUE(Shows(bit, false)) << bit;

    Ctl("set keys 0");
    Ctl("set switches 1");
    ASSERT_TRUE(WaitDrawn(0x00000010));
    EXPECT_TRUE(Shows(0, false));
    EXPECT_TRUE(Shows(4, true));

    Ctl("set switches 0x20000");
    ASSERT_TRUE(WaitDrawn(0x00200000));
    EXPECT_TRUE(Shows(21, true));
    EXPECT_TRUE(Shows(4, false));
    EXPECT_EQ(failures, 0);
}

TEST_F(SwitchesPage, SteadyBoardCausesNoRedraw)
{
    Ctl("set keys 0xA");
    Ctl("set switches 0x15555");
    page->Activate(&Board());
    ASSERT_TRUE(WaitDrawn((0x15555u << 4) | 0xA));
    const int draws = page->DrawCount();
    QTest::qWait(700);
    EXPECT_TRUE(page->IsPolling());
    EXPECT_EQ(page->DrawCount(), draws);
}

TEST_F(SwitchesPage, LeavingThePageStopsPollingAndKeepsTheLastState)
{
    TInfoRecorder info;
    page->Activate(&Board());
    Ctl("set keys 4");
    ASSERT_TRUE(WaitDrawn(0x4));
    page->Deactivate();
    EXPECT_FALSE(page->IsPolling());
    EXPECT_EQ(info.Last().text, "");
    EXPECT_EQ(info.Last().colour, INFO_YELLOW);
    Ctl("set keys 8");
    QTest::qWait(300);
    EXPECT_EQ(page->LastRead(), 0x4u);
    EXPECT_TRUE(Shows(2, true));

    // Shown again: the last known state until the first poll changes it.
    page->Activate(&Board());
    EXPECT_TRUE(Shows(2, true));
    ASSERT_TRUE(WaitDrawn(0x8));
    EXPECT_TRUE(Shows(3, true));
    EXPECT_EQ(failures, 0);
}

TEST_F(SwitchesPage, ClosedLinkAtActivationStartsNoPolling)
{
    TInfoRecorder info;
    Board().Disconnect();
    page->Activate(&Board());
    EXPECT_FALSE(page->IsPolling());
    EXPECT_FALSE(info.Saw("Monitor Switches and Pushbuttons...", INFO_YELLOW));
    QTest::qWait(250);
    EXPECT_EQ(failures, 0);
}

TEST_F(SwitchesPage, FailedPollOrClosedLinkEndsPollingOnce)
{
    page->Activate(&Board());
    Ctl("set switches 2");
    ASSERT_TRUE(WaitDrawn(0x20));
    Ctl("fault checksum");
    ASSERT_TRUE(WaitFor([&] { return failures > 0; }, 2000));
    EXPECT_FALSE(page->IsPolling());
    QTest::qWait(300);
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(Shows(5, true)); // the pictures keep the last drawn state

    Ctl("fault none");
    page->Activate(&Board());
    ASSERT_TRUE(page->IsPolling());
    Board().Disconnect();
    ASSERT_TRUE(WaitFor([&] { return failures > 1; }, 2000));
    EXPECT_FALSE(page->IsPolling());
}

// How much CPU time the panel spends polling a steady board: the test process's own
// user and system time (the simulator is another process) over five seconds of polling,
// beside the same process idling in its event loop for two seconds.
double CpuMsPerSecond(int waitMs)
{
    const auto cpuMicros = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_utime.tv_sec * 1e6 + usage.ru_utime.tv_usec + usage.ru_stime.tv_sec * 1e6
            + usage.ru_stime.tv_usec;
    };
    const double before = cpuMicros();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(waitMs);
    return (cpuMicros() - before) / 1000.0 / (wall.elapsed() / 1000.0);
}

TEST_F(SwitchesPage, CpuTimeWhilePollingASteadyBoard)
{
    const double idle = CpuMsPerSecond(2000);
    page->Activate(&Board());
    QTest::qWait(300);
    const int draws = page->DrawCount();
    const double polling = CpuMsPerSecond(5000);
    std::printf("[ figure   ] switches page polling a steady board: %.1f ms CPU per second "
                "(%.2f %% of a core; the idle event loop alone: %.1f ms per second)\n",
        polling, polling / 10.0, idle);
    EXPECT_EQ(page->DrawCount(), draws);
    EXPECT_LT(polling, 100.0); // well under a tenth of a core
}

TEST_F(SwitchesPage, Snapshot)
{
    Ctl("set keys 0x5");
    Ctl("set switches 0x2A0F1");
    page->Activate(&Board());
    ASSERT_TRUE(WaitDrawn((0x2A0F1u << 4) | 0x5));
    EXPECT_FALSE(QImage(SaveSnapshot(page.get(), "switches")).isNull());
}

} // namespace
