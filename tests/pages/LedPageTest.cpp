// The LED page: the masks it sends for clicks and the two group buttons, what it does
// with a closed link, and what survives deactivation, against the simulated board.

#include "IoPageFixture.h"
#include "pages/LedLayout.h"
#include "pages/UnitLED.h"

#include <QAccessible>
#include <QImage>
#include <map>
#include <vector>

using namespace iopages;

namespace {

TEST(LedLayout, LayoutPutsTheLowestLedOfEachRowAtTheRight)
{
    EXPECT_EQ(leds::ButtonPlace(0), QPoint(332, 40));
    EXPECT_EQ(leds::ButtonPlace(8), QPoint(28, 40));
    EXPECT_EQ(leds::ButtonPlace(9), QPoint(332, 110));
    EXPECT_EQ(leds::ButtonPlace(26), QPoint(28, 180));
    EXPECT_EQ(leds::Label(26), "RLED17");
    EXPECT_EQ(leds::LabelCentreX(18), 344);
    EXPECT_EQ(leds::LabelTop(18), 220);
    EXPECT_EQ(leds::Picture(8, true), "LEDG_LIGHT_BTN");
    EXPECT_EQ(leds::Picture(9, false), "LEDR_UNLIGHT_BTN");
}

class LedPage : public TPageSuite<TFormLED> {
protected:
    void PrepareBoard() override
    {
        // A value the page never sends, to tell "sent nothing" from "sent 0".
        ASSERT_TRUE(Board().SetLed(0x5A5A5A5A & leds::ALL_LEDS));
    }

    static std::uint32_t BoardLeds() { return static_cast<std::uint32_t>(State()["leds"].toInteger()); }
    void ClickLed(int id)
    {
        const QPoint at = leds::ButtonPlace(id) + QPoint(12, 18);
        Click(page.get(), at.x(), at.y());
    }
    void ClickLightAll() { Click(page.get(), 106 + 32, 243 + 8); }
    void ClickUnlightAll() { Click(page.get(), 218 + 32, 243 + 8); }
    bool ShowsPicture(int id, bool lit) const
    {
        const QRect area(leds::ButtonPlace(id), QSize(24, 36));
        return CanvasPart(page->Canvas(), area) == ButtonFrame(leds::Picture(id, lit), 0);
    }
};

TEST_F(LedPage, StartsAllLitAndDisabledAndActivationSendsNothing)
{
    for (int id = 0; id < leds::LED_COUNT; ++id)
        EXPECT_TRUE(page->LedLit(id));
    // Disabled: the LED picture shows its disabled frame and clicks do nothing.
    EXPECT_EQ(CanvasPart(page->Canvas(), QRect(leds::ButtonPlace(0), QSize(24, 36))), ButtonFrame("LEDG_LIGHT_BTN", 1));
    ClickLed(0);
    EXPECT_TRUE(page->LedLit(0));

    TInfoRecorder info;
    page->Activate(&Board());
    EXPECT_EQ(info.Last().text, "");
    EXPECT_EQ(info.Last().colour, INFO_GREEN);
    EXPECT_EQ(BoardLeds(), 0x5A5A5A5Au & leds::ALL_LEDS);
    EXPECT_TRUE(ShowsPicture(0, true));
}

TEST_F(LedPage, ClicksAndGroupButtonsSendTheMask)
{
    page->Activate(&Board());
    ClickLed(0);
    EXPECT_FALSE(page->LedLit(0));
    EXPECT_TRUE(ShowsPicture(0, false));
    EXPECT_EQ(BoardLeds(), 0x07FFFFFEu);

    ClickUnlightAll();
    EXPECT_EQ(BoardLeds(), 0u);
    EXPECT_TRUE(ShowsPicture(5, false));
    EXPECT_TRUE(ShowsPicture(20, false));

    ClickLed(26); // RLED17, top-left LED of the bottom row
    EXPECT_EQ(BoardLeds(), 0x04000000u);
    EXPECT_TRUE(ShowsPicture(26, true));

    ClickLightAll();
    EXPECT_EQ(BoardLeds(), 0x07FFFFFFu);
    for (int id = 0; id < leds::LED_COUNT; ++id)
        EXPECT_TRUE(ShowsPicture(id, true)) << id;
    EXPECT_EQ(failures, 0);
}

TEST_F(LedPage, ClosedLinkChangesThePictureOnly)
{
    page->Activate(&Board());
    Board().Disconnect();
    ClickLed(3);
    EXPECT_FALSE(page->LedLit(3));
    EXPECT_TRUE(ShowsPicture(3, false));
    EXPECT_EQ(failures, 0);
    std::string error;
    ASSERT_TRUE(Board().Connect(error, 0));
    EXPECT_EQ(BoardLeds(), 0x5A5A5A5Au & leds::ALL_LEDS);
}

TEST_F(LedPage, FailedSendRaisesLinkFailureAndKeepsTheChoice)
{
    page->Activate(&Board());
    Ctl("fault checksum");
    ClickLed(9);
    EXPECT_EQ(failures, 1);
    EXPECT_FALSE(page->LedLit(9));
    EXPECT_TRUE(ShowsPicture(9, false));
}

TEST_F(LedPage, ChoiceSurvivesDeactivationAndIsNotResent)
{
    page->Activate(&Board());
    ClickUnlightAll();
    ClickLed(4);
    page->Deactivate();
    // Inactive: buttons disabled, clicks ignored.
    ClickLed(5);
    EXPECT_FALSE(page->LedLit(5));
    ASSERT_TRUE(Board().SetLed(0x123));
    page->Activate(&Board());
    EXPECT_EQ(BoardLeds(), 0x123u);
    EXPECT_EQ(page->CurrentMask(), 0x10u);
    EXPECT_TRUE(ShowsPicture(4, true));
    EXPECT_TRUE(ShowsPicture(5, false));
}

TEST_F(LedPage, ActivationWithClosedLinkLeavesButtonsDisabled)
{
    Board().Disconnect();
    page->Activate(&Board());
    ClickLed(1);
    EXPECT_TRUE(page->LedLit(1));
    EXPECT_EQ(failures, 0);
}

TEST_F(LedPage, ScreenReadersSeeEveryLedWithItsNameAndStateAndCanToggleIt)
{
    page->Activate(&Board());
    ClickLed(3); // GLED3 off, every other LED on
    QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(page.get());
    ASSERT_NE(pane, nullptr);
    std::map<QString, QAccessibleInterface*> lamps;
    std::vector<QString> pushButtons;
    for (int i = 0; i < pane->childCount(); ++i) {
        QAccessibleInterface* child = pane->child(i);
        if (!child || child->role() != QAccessible::Button)
            continue;
        if (child->state().checkable)
            lamps[child->text(QAccessible::Name)] = child;
        else
            pushButtons.push_back(child->text(QAccessible::Name));
        EXPECT_EQ(pane->indexOfChild(child), i);
        EXPECT_EQ(child->parent(), pane);
    }
    ASSERT_EQ(lamps.size(), 27u);
    for (int id = 0; id < leds::LED_COUNT; ++id) {
        const QAccessibleInterface* led = lamps[leds::Label(id)];
        ASSERT_NE(led, nullptr) << leds::Label(id).toStdString();
        EXPECT_EQ(led->state().checked, id != 3) << leds::Label(id).toStdString();
        EXPECT_FALSE(led->state().disabled);
        EXPECT_EQ(led->rect().size(), QSize(24, 36));
    }
    EXPECT_EQ(pushButtons, (std::vector<QString>{"Light All", "Unlight All"}));

    // Its action toggles the LED as a click does.
    QAccessibleActionInterface* action = lamps["GLED3"]->actionInterface();
    ASSERT_NE(action, nullptr);
    ASSERT_EQ(action->actionNames(), QStringList{QAccessibleActionInterface::toggleAction()});
    action->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(page->LedLit(3));
    EXPECT_TRUE(lamps["GLED3"]->state().checked);
    EXPECT_EQ(BoardLeds(), leds::ALL_LEDS);

    page->Deactivate();
    EXPECT_TRUE(lamps["RLED17"]->state().disabled);
}

TEST_F(LedPage, Snapshot)
{
    page->Activate(&Board());
    ClickLed(2);
    ClickLed(12);
    ClickLed(22);
    page->RepaintCanvas();
    const QString path = SaveSnapshot(page.get(), "led");
    EXPECT_FALSE(QImage(path).isNull());
}

} // namespace
