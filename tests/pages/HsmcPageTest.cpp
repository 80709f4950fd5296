// The HSMC loopback test: the pin report and verdict from the masks, and the page against
// the simulated board with its adapter fitted, missing or failing.

#include "IoPageFixture.h"
#include "pages/HsmcReport.h"
#include "pages/UnitHSMC.h"
#include "ui/Seams.h"

#include <QLabel>
#include <QPushButton>
#include <set>

using namespace iopages;

namespace {

TEST(HsmcReport, IoPairsNameTheirPins)
{
    EXPECT_EQ(hsmc::Report(0, 1), "HSMC Test:NG\r\n<IO Error:>\r\nHSMC Pin 39-40    \r\n");
    EXPECT_EQ(hsmc::Report(0, std::uint64_t{1} << 40), "HSMC Test:NG\r\n<IO Error:>\r\nHSMC Pin 159-160    \r\n");
    // In bit order, not pin order: bit 11 (pin 49) comes after bit 10 (pin 89).
    EXPECT_EQ(hsmc::Report(0, (1u << 10) | (1u << 11)),
        "HSMC Test:NG\r\n<IO Error:>\r\nHSMC Pin 89-90    \r\nHSMC Pin 49-50    \r\n");
    // Bits above the 41 pairs name nothing.
    EXPECT_EQ(hsmc::Report(0, std::uint64_t{1} << 41), "HSMC Test:NG\r\n<IO Error:>\r\n");
}

TEST(HsmcReport, TransceiverGroupsComeFirst)
{
    EXPECT_EQ(hsmc::Report(0x10, 0), "HSMC Test:NG\r\n<Transceiver Error:>\r\n");
    EXPECT_EQ(hsmc::Report(0x09, 0),
        "HSMC Test:NG\r\n<Transceiver Error:>\r\nHSMC Pin 31/29-32/30    \r\n"
        "HSMC Pin 19/17-20/18    \r\n");
    EXPECT_EQ(hsmc::Report(0x06, 4),
        "HSMC Test:NG\r\n<Transceiver Error:>\r\nHSMC Pin 27/25-28/26    \r\nHSMC Pin 23/21-24/22    \r\n"
        "<IO Error:>\r\nHSMC Pin 43-44    \r\n");
}

TEST(HsmcReport, PinTableCoversEveryPairOnce)
{
    std::set<int> pins(hsmc::HSMC_IO_PIN_TABLE.begin(), hsmc::HSMC_IO_PIN_TABLE.end());
    EXPECT_EQ(pins.size(), 41u);
    EXPECT_EQ(hsmc::HSMC_IO_PIN_TABLE[11], 49);
    EXPECT_EQ(hsmc::HSMC_IO_PIN_TABLE[21], 101);
    EXPECT_EQ(hsmc::HSMC_IO_PIN_TABLE[30], 103);
    for (int pin : pins)
        EXPECT_EQ(pin % 2, 1) << pin;
}

TEST(HsmcVerdict, EachOutcome)
{
    const hsmc::TVerdict pass = hsmc::Verdict(true, true, 0, 0);
    EXPECT_EQ(pass.resultText, "PASS");
    EXPECT_EQ(pass.resultColour, INFO_GREEN);
    EXPECT_EQ(pass.infoText, "HSMC Loopback Test: PASS");
    EXPECT_TRUE(pass.reportBox.isEmpty());

    const hsmc::TVerdict ng = hsmc::Verdict(true, true, 0x10, 0);
    EXPECT_EQ(ng.resultText, "NG");
    EXPECT_EQ(ng.resultColour, INFO_RED);
    EXPECT_EQ(ng.infoText, "HSMC Loopback Test: NG");
    EXPECT_EQ(ng.infoColour, INFO_RED);
    EXPECT_EQ(ng.reportBox, hsmc::Report(0x10, 0));
    EXPECT_FALSE(ng.linkFailure);

    // A refusal: NG without a box, and the link stays up.
    const hsmc::TVerdict refused = hsmc::Verdict(true, false, 0, 0);
    EXPECT_EQ(refused.resultText, "NG");
    EXPECT_EQ(refused.infoText, "Failed to perform HSMC test");
    EXPECT_EQ(refused.infoColour, INFO_RED);
    EXPECT_TRUE(refused.reportBox.isEmpty());
    EXPECT_TRUE(refused.errorBox.isEmpty());
    EXPECT_FALSE(refused.linkFailure);

    const hsmc::TVerdict lost = hsmc::Verdict(false, false, 0, 0);
    EXPECT_TRUE(lost.resultText.isEmpty());
    EXPECT_EQ(lost.errorBox, "Failed to perform HSMC test");
    EXPECT_TRUE(lost.linkFailure);
}

struct TMessage {
    ui::TMessageKind kind;
    QString text;
};

class HsmcPage : public TPageSuite<TFormHSMC> {
protected:
    void PrepareBoard() override { Ctl("hsmc adapter"); }
    void SetUp() override
    {
        TPageSuite::SetUp();
        ui::TSeamHandlers handlers;
        handlers.message = [this](QWidget*, ui::TMessageKind kind, const QString&, const QString& text) {
            EXPECT_EQ(failures, 0) << "link failure raised before the box closed";
            messages.push_back({kind, text});
        };
        seams = std::make_unique<ui::TScopedSeams>(handlers);
    }
    void TearDown() override
    {
        seams.reset();
        TPageSuite::TearDown();
    }
    void ClickVerify() { Click(page.get(), TFormHSMC::VERIFY_LEFT + 32, TFormHSMC::VERIFY_TOP + 8); }
    QColor ResultColour() const { return page->LabelResult->palette().color(QPalette::WindowText); }

    std::unique_ptr<ui::TScopedSeams> seams;
    std::vector<TMessage> messages;
};

TEST_F(HsmcPage, AdapterFittedPasses)
{
    EXPECT_FALSE(page->VerifyEnabled());
    EXPECT_FALSE(page->ButtonVerify->isVisible());
    EXPECT_EQ(page->LabelResult->text(), "");
    EXPECT_TRUE(page->LabelInstall->text().startsWith("Please make sure the HSMC loopback adapter"));
    EXPECT_TRUE(page->LabelReinstall->text().endsWith("4. Re-launch the VX5h-260 control panel\n"));

    TInfoRecorder info;
    page->Activate(&Board());
    EXPECT_TRUE(page->VerifyEnabled());
    EXPECT_TRUE(page->ButtonVerify->isEnabled());
    ClickVerify();
    EXPECT_TRUE(info.Saw("HSMC Loopback Testing...", INFO_YELLOW));
    EXPECT_EQ(info.Last().text, "HSMC Loopback Test: PASS");
    EXPECT_EQ(page->LabelResult->text(), "PASS");
    EXPECT_EQ(ResultColour(), INFO_GREEN);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(page->VerifyEnabled());
    SaveSnapshot(page.get(), "hsmc");
}

TEST_F(HsmcPage, FailingPairsAreReported)
{
    page->Activate(&Board());
    Ctl("hsmc fail 0x10000000001 0x09");
    ClickVerify();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, ui::TMessageKind::Information);
    EXPECT_EQ(messages[0].text,
        "HSMC Test:NG\r\n<Transceiver Error:>\r\nHSMC Pin 31/29-32/30    \r\n"
        "HSMC Pin 19/17-20/18    \r\n<IO Error:>\r\nHSMC Pin 39-40    \r\n"
        "HSMC Pin 159-160    \r\n");
    EXPECT_EQ(page->LabelResult->text(), "NG");
    EXPECT_EQ(ResultColour(), INFO_RED);

    // Transceiver bit 4 alone: heading without pins, still NG.
    Ctl("hsmc fail 0 0x10");
    ClickVerify();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "HSMC Test:NG\r\n<Transceiver Error:>\r\n");
    EXPECT_EQ(page->LabelResult->text(), "NG");

    // Back to a good adapter: PASS in green again.
    Ctl("hsmc adapter");
    ClickVerify();
    EXPECT_EQ(page->LabelResult->text(), "PASS");
    EXPECT_EQ(ResultColour(), INFO_GREEN);
    EXPECT_EQ(failures, 0);
}

TEST_F(HsmcPage, NoAdapterFailsEveryPair)
{
    page->Activate(&Board());
    Ctl("hsmc none");
    ClickVerify();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.count("\r\n"), 1 + 1 + 4 + 1 + 41);
    EXPECT_EQ(page->LabelResult->text(), "NG");
}

TEST_F(HsmcPage, FailedExchangeLeavesTheResultEmptyAndRaisesTheLinkFailure)
{
    page->Activate(&Board());
    ClickVerify();
    ASSERT_EQ(page->LabelResult->text(), "PASS");
    TInfoRecorder info;
    Ctl("fault checksum 1");
    ClickVerify();
    EXPECT_EQ(page->LabelResult->text(), "");
    EXPECT_EQ(info.Last().text, "Failed to perform HSMC test");
    EXPECT_EQ(info.Last().colour, INFO_RED);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, ui::TMessageKind::Error);
    EXPECT_EQ(messages[0].text, "Failed to perform HSMC test");
    EXPECT_EQ(failures, 1);
}

TEST_F(HsmcPage, ClosedLinkDisablesVerifyAndTheResultPersists)
{
    page->Activate(&Board());
    ClickVerify();
    page->Deactivate();
    EXPECT_FALSE(page->VerifyEnabled());
    EXPECT_EQ(page->LabelResult->text(), "PASS");
    Board().Disconnect();
    page->Activate(&Board());
    EXPECT_FALSE(page->VerifyEnabled());
    ClickVerify();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(page->LabelResult->text(), "PASS");
}

} // namespace
