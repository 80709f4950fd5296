// The main window without a board: its start-up look, the information line, dragging
// versus buttons, page switching and outlines, and the single-instance guard.
#include "AppFixture.h"
#include "app/MainControls.h"
#include "app/WelcomeAnimation.h"
#include "pages/Page.h"
#include "pages/UnitMemory.h"
#include "platform/InstanceLock.h"
#include "resources/Resources.h"
#include "tests/support/OtherUser.h"
#include "ui/BitmapLoader.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QToolTip>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include <unistd.h>

using namespace mainlayout;
using apptest::AppTest;

namespace {

const QPoint BACKGROUND(100, 150);       // the board picture left of the board
const QPoint LED_TAB(8 + 40, 289 + 15);  // inside the LED tab
const QPoint IR_TAB(106 + 40, 329 + 15); // inside the IR RX tab
const QPoint CLOSE(559 + 18, 19 + 6);

std::vector<RegionId> VisibleOutlines(const TFormMain& form)
{
    std::vector<RegionId> shown;
    for (int id = 0; id < REGION_COUNT; ++id)
        if (!form.Shapes[id]->isHidden())
            shown.push_back(static_cast<RegionId>(id));
    return shown;
}

} // namespace

TEST_F(AppTest, StartsCentredInTheWelcomeLookAndConnectsAfter300ms)
{
    Form = new TFormMain();
    EXPECT_TRUE(Form->TimerRun.isActive());
    EXPECT_TRUE(Form->TimerRun.isSingleShot());
    EXPECT_EQ(Form->TimerRun.interval(), 300);
    Form->TimerRun.stop();
    Form->show();

    EXPECT_EQ(Form->size(), QSize(620, 600));
    EXPECT_EQ(Form->pos(), Form->CentredPosition());
    EXPECT_TRUE(Form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(Form->windowTitle(), "Qelvano - VX5h-260 Control Panel V1.0.0");
    EXPECT_EQ(Form->LabelCaption->text(), Form->windowTitle());

    EXPECT_EQ(Form->ActivePage, PAGE_WELCOME);
    EXPECT_TRUE(Form->AnimateWelcome->isVisible());
    EXPECT_TRUE(Form->AnimateWelcome->Active());
    EXPECT_EQ(Form->AnimateWelcome->pos(), QPoint(204, 288));
    for (int index = 0; index < PAGE_COUNT; ++index) {
        EXPECT_TRUE(Form->Pages[index]->isHidden()) << index;
        EXPECT_EQ(Form->Pages[index]->pos(), QPoint(204, 288)) << index;
        EXPECT_EQ(Form->Pages[index]->parentWidget(), Form.data());
        EXPECT_TRUE(Form->TabButtons->FindById(index)->Enabled());
        EXPECT_FALSE(Form->TabButtons->IsSelected(index));
    }
    EXPECT_TRUE(VisibleOutlines(*Form).empty());
    EXPECT_TRUE(Form->CGaugeConfig->isHidden());
    EXPECT_TRUE(Form->LabelInfo->isHidden()) << "the line is hidden until the first ShowInfo";
    EXPECT_TRUE(Form->ImageInfo->isVisible());
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(Form->LabelConnectStatus->palette().color(QPalette::WindowText), INFO_RED);
    EXPECT_EQ(Form->ButtonConnect->text(), "Connect");
    EXPECT_TRUE(Form->ButtonConnect->isHidden());
}

TEST_F(AppTest, InformationLineShowsTextInItsColourAndAnEmptyTextHidesOnlyTheIcon)
{
    MakeForm();
    ShowInfo("Check board ID...", INFO_YELLOW);
    EXPECT_TRUE(Form->LabelInfo->isVisible());
    EXPECT_TRUE(Form->ImageInfo->isVisible());
    EXPECT_EQ(InfoText(), "Check board ID...");
    EXPECT_EQ(Form->LabelInfo->palette().color(QPalette::WindowText), INFO_YELLOW);
    EXPECT_EQ(Form->LabelInfo->font().family(), "Arial");

    ShowInfo("", INFO_GREEN);
    EXPECT_TRUE(Form->LabelInfo->isVisible());
    EXPECT_FALSE(Form->ImageInfo->isVisible());
    EXPECT_EQ(InfoText(), "");
}

// Reports as long as the program gives them: a FLASH word written over one that was not
// erased fits two lines whole; a cable that is not there needs more than the window has.
struct TLongReport {
    QString text;
    bool whole; // shown whole, or cut at the end of the second line
};
const TLongReport LONG_REPORTS[] = {
    {QStringLiteral("FLASH Random Write Fail: the word reads 0E0F, not 0F0F. Erase first."), true},
    {QStringLiteral("Cable \"USB-Blaster on labhost [1-1]\" needs the vendor's JTAG libraries, which do not load: "
                    "QUARTUS_ROOTDIR is not set to the vendor's programmer tools"),
        false},
};

TEST_F(AppTest, ALongReportWrapsBelowThePageAndIsWholeInItsToolTip)
{
    MakeForm();
    const QFontMetrics metrics(Form->LabelInfo->font());
    for (const TLongReport& report : LONG_REPORTS) {
        SCOPED_TRACE(report.text.toStdString());
        ShowInfo(report.text, INFO_RED);
        const QStringList lines = Form->LabelInfo->text().split('\n');
        EXPECT_EQ(lines.size(), 2);
        const QString shown = lines.join(' ');
        if (report.whole) {
            EXPECT_EQ(shown, report.text) << "nothing cut";
        } else {
            ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << "a cut shows";
            EXPECT_TRUE(report.text.startsWith(shown.chopped(1)));
            EXPECT_TRUE(shown.contains("which do not load")) << "the second line carries on the first";
        }
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), INFO_LINE_RECT.width()) << line.toStdString();
        // The first line stays where a short report stands; the second has the room below.
        EXPECT_EQ(Form->LabelInfo->geometry().topLeft(), INFO_LINE_RECT.topLeft());
        EXPECT_GE(Form->LabelInfo->height(), INFO_LINE_RECT.height() + metrics.lineSpacing());
        EXPECT_LE(Form->LabelInfo->geometry().bottom(), Form->height() - 8);
        // The whole text for the pointer and for a screen reader.
        EXPECT_EQ(Form->LabelInfo->accessibleDescription(), report.text);
        EXPECT_EQ(InfoText(), report.text);
        const QPoint over = INFO_LINE_RECT.center();
        QHelpEvent help(QEvent::ToolTip, over, Form->mapToGlobal(over));
        QCoreApplication::sendEvent(Form.data(), &help);
        EXPECT_EQ(QToolTip::text(), report.text);
        QToolTip::hideText();
    }
    // A short one has its one line again.
    ShowInfo("Check board ID...", INFO_YELLOW);
    EXPECT_EQ(Form->LabelInfo->geometry(), INFO_LINE_RECT);
    EXPECT_EQ(Form->LabelInfo->text(), "Check board ID...");
}

TEST_F(AppTest, TheInformationLineIsSeenOverAPageAndOverTheWelcomeView)
{
    MakeForm();
    auto redPixels = [this] {
        const QImage shot = Form->grab(INFO_LINE_RECT).toImage();
        int count = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                count += c.red() > 160 && c.green() < 80 && c.blue() < 80 ? 1 : 0;
            }
        return count;
    };
    ShowInfo("Configure FPGA fail", INFO_RED);
    EXPECT_GT(redPixels(), 20) << "over the welcome animation";
    Form->SelectPage(PAGE_LED);
    ShowInfo("Configure FPGA fail", INFO_RED);
    EXPECT_GT(redPixels(), 20) << "over the LED page";
}

TEST_F(AppTest, DraggingTheBackgroundMovesTheWindowButAButtonDoesNot)
{
    MakeForm();
    const QPoint start = Form->pos();
    const QPoint grab = Form->mapToGlobal(BACKGROUND);
    MouseAt(QEvent::MouseButtonPress, BACKGROUND, grab, Qt::LeftButton);
    EXPECT_TRUE(Form->Dragging());
    MouseAt(QEvent::MouseMove, BACKGROUND, grab + QPoint(30, 20), Qt::LeftButton);
    MouseAt(QEvent::MouseButtonRelease, BACKGROUND, grab + QPoint(40, -10), Qt::NoButton);
    EXPECT_FALSE(Form->Dragging());
    EXPECT_EQ(Form->pos(), start + QPoint(30, 20));

    // A press on a tab is the tab's: the window stays, the release selects the page.
    const QPoint before = Form->pos();
    Press(LED_TAB);
    EXPECT_FALSE(Form->Dragging());
    MouseAt(QEvent::MouseMove, LED_TAB, Form->mapToGlobal(LED_TAB) + QPoint(2, 2), Qt::LeftButton);
    Release(LED_TAB + QPoint(2, 2));
    EXPECT_EQ(Form->pos(), before);
    EXPECT_EQ(Form->ActivePage, PAGE_LED);
    EXPECT_TRUE(Form->TabButtons->IsSelected(PAGE_LED));
}

TEST_F(AppTest, ADisabledButtonIsBackgroundAndCannotBePressed)
{
    MakeForm();
    Form->EnableControls(false, ALL_TABS);
    EXPECT_FALSE(Form->SystemButtons->FindById(BTN_CLOSE)->Enabled());
    EXPECT_TRUE(Form->SystemButtons->FindById(BTN_ABOUT)->Enabled()) << "About is never disabled";
    EXPECT_TRUE(Form->SystemButtons->FindById(BTN_MINI)->Enabled()) << "Mini is never disabled";

    const QPoint start = Form->pos();
    const QPoint grab = Form->mapToGlobal(CLOSE);
    MouseAt(QEvent::MouseButtonPress, CLOSE, grab, Qt::LeftButton);
    MouseAt(QEvent::MouseMove, CLOSE, grab + QPoint(-50, 5), Qt::LeftButton);
    MouseAt(QEvent::MouseButtonRelease, CLOSE, grab + QPoint(-50, 5), Qt::NoButton);
    EXPECT_EQ(Form->pos(), start + QPoint(-50, 5));
    EXPECT_TRUE(Form->isVisible());

    // A disabled tab: the press drags (nowhere), the release selects nothing.
    MouseAt(QEvent::MouseButtonPress, LED_TAB, Form->mapToGlobal(LED_TAB), Qt::LeftButton);
    MouseAt(QEvent::MouseButtonRelease, LED_TAB, Form->mapToGlobal(LED_TAB), Qt::NoButton);
    EXPECT_EQ(Form->ActivePage, PAGE_WELCOME);

    Form->EnableControls(true, PAGE_IR);
    EXPECT_TRUE(Form->TabButtons->FindById(PAGE_IR)->Enabled());
    EXPECT_FALSE(Form->TabButtons->FindById(PAGE_LED)->Enabled());
}

TEST_F(AppTest, PressOnATabAndReleaseOnCloseCloses)
{
    MakeForm();
    Press(IR_TAB);
    Release(CLOSE);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Form->ActivePage, PAGE_WELCOME);
}

TEST_F(AppTest, SwitchingPagesMovesTheOutlineAndTheMemoryPageFollowsItsMemory)
{
    MakeForm();
    Form->SelectPage(PAGE_BUTTON);
    EXPECT_EQ(VisibleOutlines(*Form), (std::vector<RegionId>{SHAPE_BUTTON_SW, SHAPE_BUTTON}));
    EXPECT_TRUE(Form->Pages[PAGE_BUTTON]->isVisible());
    EXPECT_FALSE(Form->AnimateWelcome->isVisible());

    Form->SelectPage(PAGE_MEMORY);
    EXPECT_TRUE(Form->Pages[PAGE_BUTTON]->isHidden());
    auto* memory = qobject_cast<TFormMemory*>(Form->Pages[PAGE_MEMORY]);
    ASSERT_NE(memory, nullptr);
    ASSERT_TRUE(memory->OnUpdateTestArea) << "bound before the page can act";
    const RegionId region = MemoryRegion(memory->MemoryTypePosition());
    if (region == REGION_COUNT)
        EXPECT_TRUE(VisibleOutlines(*Form).empty());
    else
        EXPECT_EQ(VisibleOutlines(*Form), std::vector<RegionId>{region});
    // A change of memory raises OnUpdateTestArea, which redraws from the page's position.
    Form->Shapes[SHAPE_EPCS]->show();
    memory->OnUpdateTestArea();
    EXPECT_EQ(VisibleOutlines(*Form).size(), region == REGION_COUNT ? 0u : 1u);

    Form->SelectPage(PAGE_IR);
    EXPECT_EQ(VisibleOutlines(*Form), std::vector<RegionId>{SHAPE_IR});
    EXPECT_TRUE(Form->Pages[PAGE_IR]->OnLinkFailure);
    // Back to the welcome view: the last page's outline stays.
    Form->SelectPage(PAGE_WELCOME);
    EXPECT_TRUE(Form->AnimateWelcome->isVisible());
    EXPECT_FALSE(Form->AnimateWelcome->Active()) << "it plays only while connecting";
    EXPECT_EQ(VisibleOutlines(*Form), std::vector<RegionId>{SHAPE_IR});
    EXPECT_TRUE(Form->Pages[PAGE_IR]->isHidden());
}

TEST_F(AppTest, SelectingAPageWhileDisconnectedStartsNoPolling)
{
    MakeForm();
    for (int index : TAB_CREATION_ORDER) {
        Form->SelectPage(index);
        EXPECT_FALSE(Form->Pages[index]->IsPolling()) << index;
    }
}

TEST(SingleInstance, ASecondStartIsToldTheApplicationIsRunning)
{
    std::vector<std::pair<ui::TMessageKind, QString>> shown;
    ui::TSeamHandlers seams;
    seams.message = [&shown](QWidget*, ui::TMessageKind kind, const QString&, const QString& text) {
        shown.emplace_back(kind, text);
    };
    ui::TScopedSeams scoped(seams);
    const std::string name = "VX5H_APP_TEST_" + std::to_string(::getpid());

    auto first = GuardSingleInstance(name);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(GuardSingleInstance(name), nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, ui::TMessageKind::Information);
    EXPECT_EQ(shown[0].second, "The application is running.");
    first.reset();
    EXPECT_NE(GuardSingleInstance(name), nullptr) << "the lock is free again once the first ends";
    std::remove(platform::InstanceLock::LockFilePath(name).c_str());

    // A lock folder of another user's is an error of its own, not "running".
    char folder[] = "/tmp/vx5h-app-lock-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string theirs = std::string(folder) + "/vx5h";
    ASSERT_EQ(::mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(::chown(theirs.c_str(), testsupport::Nobody().uid, testsupport::Nobody().gid), 0);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = runtime ? runtime : "";
    ::setenv("XDG_RUNTIME_DIR", folder, 1);
    EXPECT_EQ(GuardSingleInstance(name), nullptr);
    runtime ? ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(folder);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].first, ui::TMessageKind::Error);
    EXPECT_TRUE(shown[1].second.startsWith(
        "The single-instance lock cannot be opened: " + QString::fromStdString(theirs) + " belongs to user id 65534"))
        << shown[1].second.toStdString();
}

TEST(MainWindowResources, AMissingBoardPictureEndsTheBuildWithAnError)
{
    const ui::BitmapLoader previous = ui::SetBitmapLoader([](const QString& name, qreal ratio) {
        return name == "MAIN_UI" ? QImage() : resources::LoadBitmap(name, ratio);
    });
    EXPECT_THROW(TFormMain form, std::runtime_error);
    EXPECT_EQ(FormMain, nullptr) << "no window is left reachable";
    ui::SetBitmapLoader(previous);
}
