// The IR page: the keys and fading rings it draws, and polling with its refusal and
// link-failure rules, against the simulated board (the key table and list: tests/core).

#include "IoPageFixture.h"
#include "pages/IrKeyDrawing.h"
#include "pages/UnitIR.h"

#include <QLabel>

using namespace iopages;

namespace {

TEST(IrKeyDrawing, KeysSitInAGridAndRingsNarrowAsTheyFade)
{
    EXPECT_EQ(ir::KeyRect(0), QRect(235, 67, 18, 18));
    EXPECT_EQ(ir::KeyRect(23), QRect(235 + 69, 67 + 120, 18, 18));
    std::vector<int> widths;
    for (std::uint8_t g = ir::GLOW_FULL; g != 0; g = ir::FadeLevel(g))
        widths.push_back(ir::PenWidth(g));
    EXPECT_EQ(widths, (std::vector<int>{5, 4, 4, 4, 3, 3, 3, 3}));
}

TEST(IrKeyDrawing, RingsAreDrawnOverAFreshKeyArea)
{
    QImage background(387, 296, QImage::Format_RGB32);
    background.fill(QColor(10, 20, 30));
    QImage canvas(387, 276, QImage::Format_RGB32);
    canvas.fill(Qt::magenta);
    ir::TGlowLevels levels{};
    levels[9] = 255;
    ir::DrawKeys(&canvas, background, levels);
    const QRect key = ir::KeyRect(9);
    EXPECT_EQ(canvas.pixelColor(key.left() + 1, key.center().y()), QColor(255, 255, 0));
    EXPECT_EQ(canvas.pixelColor(key.center()), QColor(10, 20, 30)); // unfilled
    EXPECT_EQ(canvas.pixelColor(225, 57), QColor(10, 20, 30));
    EXPECT_EQ(canvas.pixelColor(224, 57), QColor(Qt::magenta)); // outside the key area
    levels[9] = 0;
    ir::DrawKeys(&canvas, background, levels);
    EXPECT_EQ(canvas.pixelColor(key.left() + 1, key.center().y()), QColor(10, 20, 30));
}

class IrPage : public TPageSuite<TFormIR> {
protected:
    static bool ReceiverOn() { return State()["ir_enabled"].toBool(); }
    QString Listed() const { return page->LabelInfo->text(); }
    bool WaitListed(const QString& text)
    {
        return WaitFor([&] { return Listed() == text; }, 2000);
    }
    QColor InfoColour() const { return page->LabelInfo->palette().color(QPalette::WindowText); }
    int Lit() const
    {
        int lit = 0;
        for (int key = 0; key < ir::KEY_COUNT; ++key)
            lit += page->GlowLevel(key) != 0;
        return lit;
    }
};

TEST_F(IrPage, ActivationSwitchesReceptionOnAndLeavingSwitchesItOff)
{
    TInfoRecorder info;
    page->Activate(&Board());
    EXPECT_TRUE(ReceiverOn());
    EXPECT_TRUE(page->IsPolling());
    EXPECT_TRUE(info.Saw("IR Starting...", INFO_YELLOW));
    EXPECT_EQ(info.Last().text, "IR Monitor...");
    page->Deactivate();
    EXPECT_FALSE(ReceiverOn());
    QTest::qWait(150);
    EXPECT_FALSE(page->IsPolling());
}

TEST_F(IrPage, ReceivedKeyCodesAreListedAndLightTheirKeys)
{
    page->Activate(&Board());
    Ctl("ir 0x05");
    ASSERT_TRUE(WaitListed("05\n"));
    EXPECT_EQ(InfoColour(), QColor(255, 255, 255));
    // Read at the same moment, the ring on the canvas has the key's current level.
    const std::uint8_t g = page->GlowLevel(9);
    ASSERT_GT(g, 0);
    EXPECT_EQ(Lit(), 1);
    const QRect key = ir::KeyRect(9);
    EXPECT_EQ(page->Canvas()->pixelColor(key.left() + 1, key.center().y()), QColor(g, g, 0));

    Ctl("ir 0x00");
    ASSERT_TRUE(WaitListed("05\n00\n"));
    EXPECT_GT(page->GlowLevel(17), 0);

    ASSERT_TRUE(WaitFor([&] { return Lit() == 0; }, 2000));
    Ctl("ir 0x40");
    ASSERT_TRUE(WaitListed("05\n00\n40\n"));
    EXPECT_EQ(Lit(), 0);
    EXPECT_EQ(failures, 0);
}

// Twenty polls a second with nothing received: once the rings have faded nothing is
// drawn again.
TEST_F(IrPage, AQuietReceiverIsNotRedrawn)
{
    page->Activate(&Board());
    Ctl("ir 0x0F");
    ASSERT_TRUE(WaitListed("0F\n"));
    ASSERT_TRUE(WaitFor([&] { return Lit() == 0; }, 2000));
    QTest::qWait(100);
    EXPECT_EQ(PaintsDuring(page.get(), 500), 0);
    EXPECT_TRUE(page->IsPolling());
}

TEST_F(IrPage, RingFadesOutOverEightPolls)
{
    page->Activate(&Board());
    Ctl("ir 0x13");
    ASSERT_TRUE(WaitListed("13\n"));
    std::vector<int> seen{page->GlowLevel(1)};
    QElapsedTimer timer;
    timer.start();
    while (seen.back() != 0 && timer.elapsed() < 3000) {
        QTest::qWait(5);
        if (page->GlowLevel(1) != seen.back())
            seen.push_back(page->GlowLevel(1));
    }
    ASSERT_EQ(seen.back(), 0);
    EXPECT_EQ(seen.front(), 255);
    // Every level seen is one of the fading steps, in order (a busy machine may let the
    // sampling miss a step, never reorder them).
    const std::vector<int> steps{255, 240, 225, 210, 195, 180, 165, 150, 0};
    auto next = steps.begin();
    for (int level : seen) {
        next = std::find(next, steps.end(), level);
        ASSERT_NE(next, steps.end()) << level;
    }
    EXPECT_GE(seen.size(), 5u);
}

TEST_F(IrPage, TwelveCodesInOnePollListTheLastEight)
{
    page->Activate(&Board());
    Ctl("ir 0x30 0x31 0x32 0x33 0x34 0x35 0x36 0x37 0x38 0x39 0x05 0x3B");
    ASSERT_TRUE(WaitListed("34\n35\n36\n37\n38\n39\n05\n3B\n"));
    EXPECT_GT(page->GlowLevel(9), 0);
    Ctl("ir 0x0F 0x12");
    ASSERT_TRUE(WaitListed("36\n37\n38\n39\n05\n3B\n0F\n12\n"));
}

TEST_F(IrPage, ClearEmptiesTheListButRingsKeepFading)
{
    page->Activate(&Board());
    Ctl("ir 0x1F");
    ASSERT_TRUE(WaitListed("1F\n"));
    Click(page.get(), 73 + 32, 232 + 8);
    EXPECT_EQ(Listed(), "");
    EXPECT_TRUE(page->ScanCodes().Codes().empty());
    const std::uint8_t after = page->GlowLevel(19);
    EXPECT_GT(after, 0);
    ASSERT_TRUE(WaitFor([&] { return page->GlowLevel(19) < after; }, 1000));
    ASSERT_TRUE(WaitFor([&] { return page->GlowLevel(19) == 0; }, 2000));
    Ctl("ir 0x02");
    ASSERT_TRUE(WaitListed("02\n"));
}

TEST_F(IrPage, RefusedReadShowsNotFoundAndKeepsPolling)
{
    page->Activate(&Board());
    Ctl("ir 0x06");
    ASSERT_TRUE(WaitListed("06\n"));
    // The receiver switched off behind the page's back: the firmware refuses reads.
    bool ok = false;
    ASSERT_TRUE(Board().ChannelEnable(ok, protocol::CHANNEL_IR, 0));
    ASSERT_TRUE(WaitListed("IR not found"));
    EXPECT_EQ(InfoColour(), QColor(255, 0, 0));
    EXPECT_EQ(Lit(), 0);
    SaveSnapshot(page.get(), "ir-not-found");
    QTest::qWait(200);
    EXPECT_TRUE(page->IsPolling());
    EXPECT_EQ(failures, 0);

    // The next delivery replaces the text with the list, in white.
    ASSERT_TRUE(Board().ChannelEnable(ok, protocol::CHANNEL_IR, 1));
    Ctl("ir 0x07");
    ASSERT_TRUE(WaitListed("06\n07\n"));
    EXPECT_EQ(InfoColour(), QColor(255, 255, 255));
}

TEST_F(IrPage, FailedPollClearsTheLabelAndRaisesLinkFailure)
{
    page->Activate(&Board());
    Ctl("ir 0x08");
    ASSERT_TRUE(WaitListed("08\n"));
    Ctl("fault checksum");
    ASSERT_TRUE(WaitFor([&] { return failures > 0; }, 2000));
    EXPECT_FALSE(page->IsPolling());
    EXPECT_EQ(Listed(), "");
    EXPECT_EQ(Lit(), 0);
    QTest::qWait(200);
    EXPECT_EQ(failures, 1);
    // The list itself survives and shows again with the next code.
    Ctl("fault none");
    page->Activate(&Board());
    Ctl("ir 0x09");
    ASSERT_TRUE(WaitListed("08\n09\n"));
}

TEST_F(IrPage, FailedSwitchOnStartsNothing)
{
    TInfoRecorder info;
    Ctl("fault checksum");
    page->Activate(&Board());
    EXPECT_TRUE(info.Saw("IR Starting...", INFO_YELLOW));
    EXPECT_EQ(info.Last().text, "Failed to start IR");
    EXPECT_EQ(info.Last().colour, INFO_RED);
    EXPECT_FALSE(page->IsPolling());
    EXPECT_EQ(failures, 0);
}

TEST_F(IrPage, ListSurvivesDeactivationAndHighlightsDoNot)
{
    page->Activate(&Board());
    Ctl("ir 0x0C");
    ASSERT_TRUE(WaitListed("0C\n"));
    page->Deactivate();
    EXPECT_EQ(Listed(), "0C\n");
    page->Activate(&Board());
    EXPECT_EQ(Lit(), 0);
    EXPECT_EQ(page->ScanCodes().Codes(), std::vector<std::uint8_t>{0x0C});

    Board().Disconnect();
    page->Deactivate(); // no exchange with a closed link
    page->Activate(&Board());
    EXPECT_FALSE(page->IsPolling());
    EXPECT_EQ(failures, 0);
}

TEST_F(IrPage, Snapshot)
{
    page->Activate(&Board());
    Ctl("ir 0x01 0x05 0x09 0x40 0x14");
    ASSERT_TRUE(WaitListed("01\n05\n09\n40\n14\n"));
    EXPECT_FALSE(QImage(SaveSnapshot(page.get(), "ir")).isNull());
}

} // namespace
