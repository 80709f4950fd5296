// The SD card page against the simulated board: the card's texts, no card, a failed
// exchange, and a closed link.

#include "IoPageFixture.h"
#include "pages/UnitSDCARD.h"
#include "ui/Seams.h"

#include <QLabel>
#include <QPushButton>

using namespace iopages;

namespace {

struct TMessage {
    ui::TMessageKind kind;
    QString text;
};

// Records a label's text each time it is painted.
class TPaintWatch : public QObject {
public:
    explicit TPaintWatch(QLabel* label)
        : m_Label(label)
    {
        label->installEventFilter(this);
    }
    ~TPaintWatch() override { m_Label->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            shown.push_back(m_Label->text());
        return false;
    }
    QStringList shown;

private:
    QLabel* m_Label;
};

class SdCardPage : public TPageSuite<TFormSDCARD> {
protected:
    void PrepareBoard() override { Ctl("sdcard insert"); }

    void ClickRead() { Click(page.get(), TFormSDCARD::READ_LEFT + 32, TFormSDCARD::READ_TOP + 8); }
    QString Texts() const
    {
        return QStringList{page->LabelSDCARD_CID->text(), page->LabelSDCARD_CSD->text(), page->LabelSDCARD_FAT->text()}
            .join('|');
    }
    // Records every message box; `onMessage` runs while the box would be up.
    ui::TSeamHandlers Recorder()
    {
        ui::TSeamHandlers handlers;
        handlers.message = [this](QWidget*, ui::TMessageKind kind, const QString&, const QString& text) {
            messages.push_back({kind, text});
            if (onMessage)
                onMessage();
        };
        return handlers;
    }

    std::vector<TMessage> messages;
    std::function<void()> onMessage;
};

TEST_F(SdCardPage, ReadShowsTheCardsTexts)
{
    ui::TScopedSeams seams(Recorder());
    EXPECT_FALSE(page->ReadEnabled());
    EXPECT_FALSE(page->ButtonSDCARD->isEnabled());
    EXPECT_FALSE(page->ButtonSDCARD->isVisible());
    EXPECT_EQ(Texts(), "||");

    TInfoRecorder info;
    page->Activate(&Board());
    EXPECT_TRUE(page->ReadEnabled());
    EXPECT_TRUE(page->ButtonSDCARD->isEnabled());
    ClickRead();

    bool present = false;
    std::string csd, fileSystem, cid;
    ASSERT_TRUE(Board().GetSdCardInfo(present, csd, fileSystem, cid));
    EXPECT_EQ(page->LabelSDCARD_CID->text().toStdString(), cid);
    EXPECT_EQ(page->LabelSDCARD_CSD->text().toStdString(), csd);
    EXPECT_TRUE(page->LabelSDCARD_CID->text().startsWith(
        "-Manufacturer ID:03h\n-OEM/Application ID:4453h\n-Product Name:SU04G\n"));
    EXPECT_TRUE(page->LabelSDCARD_CSD->text().startsWith("-CSD Version 2.0\n"));
    EXPECT_EQ(page->LabelSDCARD_FAT->text(), "FAT32");
    EXPECT_EQ(info.Last().text, "Read SDCARD read successfully");
    EXPECT_EQ(info.Last().colour, INFO_GREEN);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(page->ReadEnabled());
    SaveSnapshot(page.get(), "sdcard");
}

TEST_F(SdCardPage, NoCardWarnsWithoutDisconnecting)
{
    ui::TScopedSeams seams(Recorder());
    page->Activate(&Board());
    ClickRead();
    ASSERT_EQ(page->LabelSDCARD_FAT->text(), "FAT32");

    Ctl("sdcard remove");
    TInfoRecorder info;
    onMessage = [&] { EXPECT_EQ(Texts(), "||") << "old texts shown next to the warning"; };
    ClickRead();
    EXPECT_TRUE(info.Saw("Failed to access SDCARD.", INFO_RED));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, ui::TMessageKind::Warning);
    EXPECT_EQ(messages[0].text, "Failed to access the SDCARD.\nPlease make sure a SDCARD is pluged into the VX5h-260.");
    EXPECT_EQ(Texts(), "||");
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(page->ReadEnabled());
    EXPECT_TRUE(Board().IsOpen());
}

TEST_F(SdCardPage, SecondReadClearsBeforeItReads)
{
    ui::TScopedSeams seams(Recorder());
    page->Activate(&Board());
    ClickRead();
    ASSERT_FALSE(page->LabelSDCARD_CID->text().isEmpty());
    QTest::qWait(20);

    // What the CID label shows each time it is painted: the page repaints at once after
    // clearing, before the exchange blocks the window.
    TPaintWatch watch(page->LabelSDCARD_CID);
    ClickRead();
    ASSERT_FALSE(watch.shown.isEmpty());
    EXPECT_EQ(watch.shown.front(), "");
    EXPECT_EQ(page->LabelSDCARD_FAT->text(), "FAT32");
    EXPECT_FALSE(page->LabelSDCARD_CID->text().isEmpty());
    EXPECT_EQ(failures, 0);
}

TEST_F(SdCardPage, FailedExchangeReportsAndRaisesTheLinkFailureAfterTheBox)
{
    ui::TScopedSeams seams(Recorder());
    page->Activate(&Board());
    ClickRead();
    TInfoRecorder info;
    Ctl("fault checksum 1");
    onMessage = [&] { EXPECT_EQ(failures, 0) << "link failure raised before the box closed"; };
    ClickRead();
    EXPECT_EQ(Texts(), "||");
    EXPECT_TRUE(info.Saw("Failed to access SDCARD.", INFO_RED));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, ui::TMessageKind::Error);
    EXPECT_EQ(messages[0].text, "Failed to access SDCARD.");
    EXPECT_EQ(failures, 1);
}

TEST_F(SdCardPage, ClosedLinkLeavesReadDisabled)
{
    ui::TScopedSeams seams(Recorder());
    Board().Disconnect();
    page->Activate(&Board());
    EXPECT_FALSE(page->ReadEnabled());
    ClickRead();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(failures, 0);
    page->Deactivate();
    EXPECT_FALSE(page->ButtonSDCARD->isEnabled());
}

} // namespace
