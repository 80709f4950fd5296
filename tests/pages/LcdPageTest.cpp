// The LCD page: the bytes a Set sends, how its outcome is reported, and the page against
// the simulated board.

#include "IoPageFixture.h"
#include "pages/LcdText.h"
#include "pages/UnitLCD.h"
#include "ui/Seams.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>

using namespace iopages;

namespace {

TEST(LcdBytes, LinesEachEndWithALineFeedAndTheTextWithNul)
{
    const QByteArray defaults = lcd::LcdBytes("VX5h-260", "Control Panel");
    EXPECT_EQ(defaults.size(), 24);
    EXPECT_EQ(defaults, QByteArray("VX5h-260\nControl Panel\n", 23) + '\0');
    EXPECT_EQ(lcd::LcdBytes("", ""), QByteArray("\n\n\0", 3));
    const QString full(16, 'W');
    EXPECT_EQ(lcd::LcdBytes(full, full).size(), 35);
    // One byte per character whatever is typed; placeholders stay literal.
    EXPECT_EQ(lcd::LcdBytes(QString::fromUtf8("\u00e9\u4e2d"), "%1%2"), QByteArray("\xe9?\n%1%2\n", 8) + '\0');
}

TEST(LcdOutcome, RefusalIsReportedButNeverAsSuccessOrLostLink)
{
    const lcd::TSetOutcome refused = lcd::SetOutcome(true, false);
    EXPECT_EQ(refused.infoText, "Failed to set lcd.");
    EXPECT_EQ(refused.infoColour, INFO_RED);
    EXPECT_EQ(refused.errorBox, "Failed to set lcd.");
    EXPECT_FALSE(refused.linkFailure);

    const lcd::TSetOutcome failed = lcd::SetOutcome(false, false);
    EXPECT_EQ(failed.infoText, "Set LCD Fail");
    EXPECT_EQ(failed.infoColour, INFO_RED);
    EXPECT_EQ(failed.errorBox, "Set LCD Fail");
    EXPECT_TRUE(failed.linkFailure);

    const lcd::TSetOutcome done = lcd::SetOutcome(true, true);
    EXPECT_EQ(done.infoText, "Set LCD Success");
    EXPECT_EQ(done.infoColour, INFO_GREEN);
    EXPECT_TRUE(done.errorBox.isEmpty());
    EXPECT_FALSE(done.linkFailure);
}

class LcdPage : public TPageSuite<TFormLCD> {
protected:
    void SetUp() override
    {
        TPageSuite::SetUp();
        seams = std::make_unique<ui::TScopedSeams>(Recorder());
    }
    void TearDown() override
    {
        seams.reset();
        TPageSuite::TearDown();
    }

    ui::TSeamHandlers Recorder()
    {
        ui::TSeamHandlers handlers;
        handlers.message = [this](QWidget*, ui::TMessageKind kind, const QString&, const QString& text) {
            EXPECT_EQ(kind, ui::TMessageKind::Error);
            EXPECT_EQ(failures, 0) << "link failure raised before the box closed";
            boxes.push_back(text);
        };
        return handlers;
    }
    void ClickSet() { Click(page.get(), TFormLCD::SET_LEFT + 32, TFormLCD::SET_TOP + 8); }
    static QStringList LcdLines()
    {
        QStringList lines;
        for (const auto& line : State()["lcd"].toArray())
            lines << line.toString();
        return lines;
    }
    void Type(QLineEdit* edit, const QString& text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    std::unique_ptr<ui::TScopedSeams> seams;
    QStringList boxes;
};

TEST_F(LcdPage, DefaultTextsAppearOnTheBoard)
{
    EXPECT_EQ(page->EditLine0->text(), "VX5h-260");
    EXPECT_EQ(page->EditLine1->text(), "Control Panel");
    EXPECT_FALSE(page->IsSetEnabled());
    EXPECT_FALSE(page->ButtonSet->isVisible());

    // Something else on the display first, so that the click visibly changes it.
    const QByteArray other = lcd::LcdBytes("x", "y");
    bool accepted = false;
    ASSERT_TRUE(Board().ChannelWrite(accepted, 1, other.size(), reinterpret_cast<const std::uint8_t*>(other.data())));

    TInfoRecorder info;
    page->Activate(&Board());
    ASSERT_EQ(info.Lines.size(), 2u);
    EXPECT_EQ(info.Lines[0].colour, INFO_GREEN);
    EXPECT_EQ(info.Lines[1].text, "");
    EXPECT_EQ(info.Lines[1].colour, INFO_YELLOW);
    EXPECT_TRUE(page->IsSetEnabled());

    ClickSet();
    EXPECT_EQ(LcdLines(), QStringList({"VX5h-260", "Control Panel"}));
    EXPECT_TRUE(info.Saw("LCD Setting...", INFO_YELLOW));
    EXPECT_EQ(info.Last().text, "Set LCD Success");
    EXPECT_EQ(info.Last().colour, INFO_GREEN);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(page->IsSetEnabled());
    EXPECT_EQ(page->cursor().shape(), Qt::ArrowCursor);
    SaveSnapshot(page.get(), "lcd");
}

TEST_F(LcdPage, EmptyAndFullLines)
{
    page->Activate(&Board());
    Type(page->EditLine0, "");
    Type(page->EditLine1, "");
    ClickSet();
    EXPECT_EQ(LcdLines(), QStringList({"", ""}));

    // The edit boxes take 16 characters, no more.
    Type(page->EditLine0, "0123456789ABCDEFGHIJ");
    Type(page->EditLine1, "abcdefghijklmnop");
    EXPECT_EQ(page->EditLine0->text(), "0123456789ABCDEF");
    ClickSet();
    EXPECT_EQ(LcdLines(), QStringList({"0123456789ABCDEF", "abcdefghijklmnop"}));
    EXPECT_EQ(failures, 0);
}

TEST_F(LcdPage, FailedExchangeReportsThenRaisesTheLinkFailure)
{
    page->Activate(&Board());
    TInfoRecorder info;
    Ctl("fault checksum 1");
    ClickSet();
    EXPECT_EQ(info.Last().text, "Set LCD Fail");
    EXPECT_EQ(info.Last().colour, INFO_RED);
    EXPECT_EQ(boxes, QStringList({"Set LCD Fail"}));
    EXPECT_EQ(failures, 1);
    EXPECT_FALSE(info.Saw("Set LCD Success", INFO_GREEN));
}

TEST_F(LcdPage, ClosedLinkAndDeactivationKeepSetDisabledAndTheTexts)
{
    Board().Disconnect();
    TInfoRecorder info;
    page->Activate(&Board());
    EXPECT_FALSE(page->IsSetEnabled());
    ClickSet();
    EXPECT_FALSE(info.Saw("LCD Setting...", INFO_YELLOW));

    std::string error;
    ASSERT_TRUE(Board().Connect(error, 0));
    page->Activate(&Board());
    Type(page->EditLine0, "kept");
    page->Deactivate();
    EXPECT_EQ(info.Last().text, "");
    EXPECT_EQ(info.Last().colour, INFO_YELLOW);
    EXPECT_FALSE(page->IsSetEnabled());
    page->Activate(&Board());
    EXPECT_EQ(page->EditLine0->text(), "kept");
}

} // namespace
