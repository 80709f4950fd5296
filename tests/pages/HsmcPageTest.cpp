// The HSMC loopback test page against the simulated board with its adapter fitted,
// missing or failing (the report and verdict themselves: tests/core).

#include "IoPageFixture.h"
#include "pages/UnitHSMC.h"
#include "ui/Seams.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace iopages;

namespace {

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

    // Every pair failed: the report scrolls inside a box that, with OK, fits a 768-pixel
    // screen (title bar and task bar included).
    Ctl("hsmc fail 0x1FFFFFFFFFF 0xFF");
    ClickVerify();
    ASSERT_EQ(messages.size(), 3u);
    ASSERT_GT(messages[2].text.count('\n'), ui::MAX_BOX_LINES);
    const std::unique_ptr<QDialog> box = ui::MakeScrollingMessage(nullptr, "Information", messages[2].text);
    box->show();
    EXPECT_LE(box->frameGeometry().height(), 768 - 2 * 40);
    const auto* ok = box->findChild<QDialogButtonBox*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isVisible());
    EXPECT_TRUE(box->findChild<QPlainTextEdit*>()->toPlainText().contains("HSMC Pin 159-160"));

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
