// The seven-segment page: the digit steps with their wrap-around, the word on the board,
// the closed-link rule and what survives deactivation.

#include "IoPageFixture.h"
#include "pages/Seg7Layout.h"
#include "pages/UnitSeg7.h"

using namespace iopages;

namespace {

TEST(Seg7Layout, ArrowsSitUnderTheirDigitsAndPicturesAreNamedByValue)
{
    EXPECT_EQ(seg7::DigitPicture(10), "HEX_a");
    EXPECT_EQ(seg7::DigitPicture(9), "HEX_9");
    EXPECT_EQ(seg7::DigitLabel(7), "HEX7");
    EXPECT_EQ(seg7::UpButtonPlace(0), QPoint(274, 230));
    EXPECT_EQ(seg7::DownButtonPlace(0), QPoint(252, 230));
    EXPECT_EQ(seg7::UpButtonPlace(6), QPoint(150, 105));
    EXPECT_EQ(seg7::DownButtonPlace(7), QPoint(78, 105));
    EXPECT_EQ(seg7::DigitPicturePlace(4), QPoint(278, 40));
    EXPECT_EQ(seg7::DigitLabelPlace(3), QPoint(105, 145));
}

class Seg7Page : public TPageSuite<TFormSeg7> {
protected:
    void PrepareBoard() override { ASSERT_TRUE(Board().SetSeg7(0x12345678, 0x5A)); }

    void Step(int digit, bool up)
    {
        const QPoint at = (up ? seg7::UpButtonPlace(digit) : seg7::DownButtonPlace(digit)) + QPoint(10, 9);
        Click(page.get(), at.x(), at.y());
    }
    static std::uint32_t BoardWord() { return static_cast<std::uint32_t>(State()["seg7"].toInteger()); }
    static int BoardExtra() { return State()["seg7_extra"].toInt(); }
    bool ShowsValue(int digit, int value) const
    {
        return ShowsBitmap(page->Canvas(), seg7::DigitPicturePlace(digit), seg7::DigitPicture(value), true);
    }
};

TEST_F(Seg7Page, FirstStepSendsTheWholeWordWithExtraByteZero)
{
    page->Activate(&Board());
    EXPECT_EQ(BoardWord(), 0x12345678u); // activation sends nothing
    for (int d = 0; d < seg7::DIGIT_COUNT; ++d)
        EXPECT_TRUE(ShowsValue(d, 8));
    Step(0, true);
    EXPECT_EQ(BoardWord(), 0x88888889u);
    EXPECT_EQ(BoardExtra(), 0);
    EXPECT_TRUE(ShowsValue(0, 9));
    EXPECT_EQ(failures, 0);
}

TEST_F(Seg7Page, DigitsWrapAtBothEnds)
{
    page->Activate(&Board());
    for (int i = 0; i < 8; ++i)
        Step(7, true); // 8 .. F, then 0
    EXPECT_EQ(page->Digits()[7], 0);
    EXPECT_EQ(BoardWord(), 0x08888888u);
    EXPECT_TRUE(ShowsValue(7, 0));
    for (int i = 0; i < 9; ++i)
        Step(0, false); // 8 .. 0, then F
    EXPECT_EQ(page->Digits()[0], 15);
    EXPECT_EQ(BoardWord(), 0x0888888Fu);
    EXPECT_TRUE(ShowsValue(0, 15));
}

TEST_F(Seg7Page, ClosedLinkOrFailedSendRaisesLinkFailureAndKeepsTheDigit)
{
    page->Activate(&Board());
    Board().Disconnect();
    Step(2, true);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(page->Digits()[2], 9);
    EXPECT_TRUE(ShowsValue(2, 9));

    std::string error;
    ASSERT_TRUE(Board().Connect(error, 0));
    page->Activate(&Board());
    Ctl("fault checksum");
    Step(5, false);
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(page->Digits()[5], 7);
}

TEST_F(Seg7Page, DigitsSurviveDeactivationAndAreNotResent)
{
    page->Activate(&Board());
    Step(3, true);
    Step(3, true);
    page->Deactivate();
    Step(3, true); // disabled: nothing happens
    EXPECT_EQ(page->Digits()[3], 10);
    ASSERT_TRUE(Board().SetSeg7(0, 0));
    page->Activate(&Board());
    EXPECT_EQ(BoardWord(), 0u);
    EXPECT_TRUE(ShowsValue(3, 10));
    Step(4, true);
    EXPECT_EQ(BoardWord(), 0x8889A888u);
}

TEST_F(Seg7Page, ActivationWithClosedLinkLeavesButtonsDisabled)
{
    Board().Disconnect();
    page->Activate(&Board());
    Step(1, true);
    EXPECT_EQ(page->Digits()[1], 8);
    EXPECT_EQ(failures, 0);
}

TEST_F(Seg7Page, Snapshot)
{
    page->Activate(&Board());
    for (int d = 0; d < seg7::DIGIT_COUNT; ++d)
        for (int i = 0; i < d + 2; ++i)
            Step(d, true);
    EXPECT_FALSE(QImage(SaveSnapshot(page.get(), "seg7")).isNull());
}

} // namespace
