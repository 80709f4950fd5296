// The LCD page against the simulated board: what a Set shows and sends (the bytes and
// outcomes themselves: tests/core).

#include "IoPageFixture.h"
#include "core/LcdText.h"
#include "pages/UnitLCD.h"
#include "ui/Seams.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>

using namespace iopages;

namespace {

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
    const std::vector<std::uint8_t> other = lcd::LcdBytes("x", "y");
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

// What the user types is what the LCD shows: a full line of the widest character fits its
// box, and a character the LCD cannot show is refused before anything is sent.
TEST_F(LcdPage, FullLinesFitAndUnshowableTextIsNotSent)
{
    for (QLineEdit* edit : {page->EditLine0, page->EditLine1}) {
        const QFontMetrics metrics(edit->font());
        EXPECT_LE(metrics.horizontalAdvance(QString(lcd::LINE_CHARS, 'W')), TFormLCD::TextRoom(edit->width()));
        EXPECT_GE(edit->font().pixelSize(), 14) << "still legible";
    }

    page->Activate(&Board());
    ClickSet();
    ASSERT_EQ(LcdLines(), QStringList({"VX5h-260", "Control Panel"}));
    TInfoRecorder info;
    std::vector<QString> warnings;
    ui::TSeamHandlers handlers;
    handlers.message = [&](QWidget*, ui::TMessageKind kind, const QString&, const QString& text) {
        EXPECT_EQ(kind, ui::TMessageKind::Warning);
        warnings.push_back(text);
    };
    ui::TScopedSeams warningSeam(handlers);
    page->EditLine1->setText(QString::fromUtf8("Caf\u00e9"));
    ClickSet();
    EXPECT_EQ(LcdLines(), QStringList({"VX5h-260", "Control Panel"})) << "nothing was sent";
    const QString why = QString::fromUtf8("Line 2, character 4: \"\u00e9\" is not in the LCD's character set.");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], why);
    EXPECT_EQ(info.Last().text, why);
    EXPECT_EQ(info.Last().colour, INFO_RED);
    EXPECT_TRUE(page->IsSetEnabled());
}
