// The connect sequence against the simulated board through our driver libraries.
#include "AppFixture.h"
#include "app/MainControls.h"
#include "app/WelcomeAnimation.h"
#include "core/Seg7Word.h"
#include "pages/LedLayout.h"
#include "pages/Page.h"
#include "pages/UnitLCD.h"
#include "pages/UnitLED.h"
#include "pages/UnitSeg7.h"
#include "platform/Hooks.h"

#include <QCursor>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace mainlayout;
using apptest::AppTest;
using apptest::WaitFor;

namespace {

const QPoint CONNECT(124 + 40, 510 + 38);
const QPoint SWITCHES_TAB(8 + 40, 369 + 15);

// What a user sees once a connect ended: the status word, the button and the tabs.
struct TLook {
    QString status;
    QString button;
    bool tabsEnabled;
    int selectedTabs;
};

TLook LookOf(const TFormMain& form)
{
    TLook look{form.LabelConnectStatus->text(), form.ButtonConnect->text(), true, 0};
    for (int index = 0; index < PAGE_COUNT; ++index) {
        look.tabsEnabled = look.tabsEnabled && form.TabButtons->FindById(index)->Enabled();
        look.selectedTabs += form.TabButtons->IsSelected(index) ? 1 : 0;
    }
    return look;
}

bool ContainsInOrder(
    const std::vector<std::pair<QString, QColor>>& lines, const std::vector<std::pair<QString, QColor>>& wanted)
{
    std::size_t next = 0;
    for (const auto& line : lines)
        if (next < wanted.size() && line == wanted[next])
            ++next;
    return next == wanted.size();
}

// A program folder holding the named files of the build's program folder only.
class TProgramFolder {
public:
    explicit TProgramFolder(std::initializer_list<const char*> files)
        : m_Previous(platform::CurrentDirectory())
    {
        char pattern[] = "/tmp/vx5h-app-folder-XXXXXX";
        m_Path = ::mkdtemp(pattern) ? pattern : "/tmp";
        for (const char* file : files)
            std::filesystem::copy_file(testsupport::SimulatedBoard::BinFolder() + file, m_Path + "/" + file);
        platform::OverrideExecutableFolder(m_Path + "/");
    }
    ~TProgramFolder()
    {
        platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
        platform::SetCurrentDirectory(m_Previous); // configuring moves into the program folder
        std::error_code ec;
        std::filesystem::remove_all(m_Path, ec);
    }
    const std::string& Path() const { return m_Path; }

private:
    std::string m_Previous;
    std::string m_Path;
};

} // namespace

// Time from the start of the automatic connect (its first information line) to the end
// of the sequence, for the record.
#define REPORT_CONNECT_TIME(what)                                                                                      \
    do {                                                                                                               \
        std::printf("automatic connect to Connected (%s): %d ms\n", what,                                              \
            static_cast<int>(platform::TickCount() - m_SequenceStart));                                                \
    } while (false)

TEST_F(AppTest, AConfiguredBoardConnectsAtOnceAndOpensTheLedPage)
{
    SetUpBoard(true);
    MakeForm();
    const std::string before = platform::CurrentDirectory();
    ASSERT_TRUE(platform::SetCurrentDirectory("/tmp"));
    ASSERT_TRUE(StartAutoConnect());
    REPORT_CONNECT_TIME("configured board");
    // The window, a program of its own, keeps the program's folder current after its open.
    EXPECT_TRUE(std::filesystem::equivalent(platform::CurrentDirectory(), testsupport::SimulatedBoard::BinFolder()))
        << platform::CurrentDirectory();
    platform::SetCurrentDirectory(before);

    const TLook look = LookOf(*Form);
    EXPECT_EQ(look.status, "Connected");
    EXPECT_EQ(look.button, "Disconnect");
    EXPECT_TRUE(look.tabsEnabled);
    EXPECT_EQ(look.selectedTabs, 1);
    EXPECT_TRUE(Form->TabButtons->IsSelected(PAGE_LED));
    EXPECT_EQ(Form->ActivePage, PAGE_LED);
    EXPECT_TRUE(Form->Pages[PAGE_LED]->isVisible());
    EXPECT_EQ(Form->Pages[PAGE_LED]->Board(), &Form->Board);
    EXPECT_FALSE(Form->AnimateWelcome->isVisible());
    EXPECT_TRUE(Form->CGaugeConfig->isHidden());
    EXPECT_TRUE(Form->Board.IsOpen());
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(InfoText(), "");
    for (const auto& line : InfoLines)
        EXPECT_FALSE(line.first.startsWith("Configure FPGA")) << "no configuration on a configured board";
    EXPECT_TRUE(SimSays("\"jtag_client\":true"));
}

TEST_F(AppTest, ABareFpgaIsConfiguredAtOnce)
{
    SetUpBoard(false);
    MakeForm();
    const std::uint32_t start = platform::TickCount();
    ASSERT_TRUE(StartAutoConnect(30000));
    EXPECT_LT(platform::TicksSince(start), 3000u) << "no unanswered name query to wait for";
    EXPECT_EQ(Status(), "Connected");
    EXPECT_TRUE(Messages.empty());
    EXPECT_TRUE(ContainsInOrder(InfoLines,
        {
            {"Detect board type...", INFO_YELLOW},
            {"The simulated board's FPGA is not configured: no JTAG UART", INFO_RED},
            {"Configure FPGA success", INFO_GREEN},
            {"Check board ID...", INFO_YELLOW},
        }));
}

// The firmware cannot tell the host what its LEDs and digits show, so after every connect
// the pages send theirs: the board shows what the window shows whether it was freshly
// configured, power-cycled under a window that kept its choice, or left set by an earlier
// window; and the first click afterwards changes one LED on the board.
TEST_F(AppTest, AfterEveryConnectTheBoardShowsWhatTheWindowShows)
{
    SetUpBoard(false);
    MakeForm();
    const auto state = [this] { return QJsonDocument::fromJson(QByteArray::fromStdString(SimState())).object(); };
    const auto click = [this](int page, QPoint at) {
        QTest::mouseMove(Form->Pages[page], at);
        QTest::mouseClick(Form->Pages[page], Qt::LeftButton, {}, at);
    };
    const QPoint gled0 = leds::ButtonPlace(0) + QPoint(12, 18);
    const auto agree = [&](const char* when, std::uint32_t leds, std::uint32_t digits) {
        ASSERT_EQ(Status(), "Connected") << when;
        const QJsonObject board = state();
        const auto* led = qobject_cast<TFormLED*>(Form->Pages[PAGE_LED]);
        const auto* seg7 = qobject_cast<TFormSeg7*>(Form->Pages[PAGE_SEG7]);
        const auto* lcd = qobject_cast<TFormLCD*>(Form->Pages[PAGE_LCD]);
        ASSERT_TRUE(led && seg7 && lcd);
        EXPECT_EQ(led->CurrentMask(), leds) << when;
        EXPECT_EQ(board["leds"].toInteger(), leds) << when;
        EXPECT_EQ(seg7::Seg7Word(seg7->Digits()), digits) << when;
        EXPECT_EQ(board["seg7"].toInteger(), digits) << when;
        EXPECT_EQ(board["lcd"].toArray(), (QJsonArray{lcd->EditLine0->text(), lcd->EditLine1->text()})) << when;
    };

    ASSERT_TRUE(StartAutoConnect(30000));
    agree("a freshly configured board", 0x07FFFFFF, 0x88888888);
    click(PAGE_LED, gled0);
    EXPECT_EQ(state()["leds"].toInteger(), 0x07FFFFFE) << "GLED0 went out, the other 26 stay lit";
    Form->SelectPage(PAGE_SEG7);
    click(PAGE_SEG7, seg7::UpButtonPlace(0) + QPoint(10, 9));

    // Disconnected, the board power-cycled (its firmware starts lit again), connected.
    Click(CONNECT);
    ASSERT_TRUE(WaitForSequenceEnd());
    Sim().Ctl("power-cycle");
    Click(CONNECT);
    ASSERT_TRUE(WaitForSequenceEnd(30000));
    agree("after a power-cycle", 0x07FFFFFE, 0x88888889);

    // A second window against the board the first one left as it was.
    delete Form.data();
    ASSERT_EQ(state()["leds"].toInteger(), 0x07FFFFFE) << "the board keeps its LEDs while no window is there";
    Form = new TFormMain();
    Form->TimerRun.stop();
    Form->TimeScale = 0.05f;
    Form->show();
    ASSERT_TRUE(StartAutoConnect(30000));
    agree("a second window", 0x07FFFFFF, 0x88888888);
    click(PAGE_LED, gled0);
    EXPECT_EQ(state()["leds"].toInteger(), 0x07FFFFFE) << "GLED0 went out, the other 26 stay lit";
}

TEST_F(AppTest, AnUnconfiguredBoardIsConfiguredThenConnectedWhileTheWindowStaysAlive)
{
    SetUpBoard(false);
    Sim().Ctl("unconfigured silent"); // another design's JTAG UART, which does not answer
    MakeForm();
    // During the silent attempt (3 s of unanswered name queries) the window must keep
    // handling events: the gauge climbs and the controls stay disabled.
    std::vector<int> gauge;
    bool controlsLocked = true;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!Form->Connecting)
            return;
        gauge.push_back(Form->CGaugeConfig->Progress());
        controlsLocked = controlsLocked && !Form->SystemButtons->FindById(BTN_CONNECT)->Enabled()
            && !Form->SystemButtons->FindById(BTN_CLOSE)->Enabled() && !Form->TabButtons->FindById(PAGE_LED)->Enabled()
            && Form->SystemButtons->FindById(BTN_ABOUT)->Enabled()
            && Form->SystemButtons->FindById(BTN_MINI)->Enabled();
    });
    sampler.start(20);
    ASSERT_TRUE(StartAutoConnect(30000));
    REPORT_CONNECT_TIME("unconfigured board");
    sampler.stop();

    EXPECT_EQ(Status(), "Connected");
    EXPECT_EQ(Form->ActivePage, PAGE_LED);
    EXPECT_TRUE(Messages.empty()) << Messages.front().text.toStdString();
    EXPECT_TRUE(SimSays("\"configured\":true"));
    EXPECT_TRUE(ContainsInOrder(InfoLines,
        {
            {"Connecting Board...", INFO_YELLOW},
            {"Detect board type...", INFO_YELLOW},
            {"Check board ID...", INFO_YELLOW},
            {"Failed to query board name.", INFO_RED},
            {"Configure FPGA...", INFO_YELLOW},
            {"", INFO_YELLOW},
            {"Configure FPGA...", INFO_YELLOW},
            {"Configure FPGA success", INFO_GREEN},
            {"Connecting Board...", INFO_YELLOW},
            {"Check board ID...", INFO_YELLOW},
            {"", INFO_YELLOW},
        }));
    EXPECT_TRUE(controlsLocked);
    ASSERT_GE(gauge.size(), 20u) << "events were handled during the sequence";
    EXPECT_TRUE(std::is_sorted(gauge.begin(), gauge.begin() + 20)) << "the gauge climbs";
    EXPECT_GT(*std::max_element(gauge.begin(), gauge.end()), 0);
}

TEST_F(AppTest, AMissingImageEndsInTheDisconnectedLookWithItsMessage)
{
    SetUpBoard(false);
    TProgramFolder folder({"QELVANO_JTAG.DLL", "QELVANO_DOWNLOAD.DLL", "vx5h-board-sim"});
    MakeForm();
    ASSERT_TRUE(StartAutoConnect());

    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].kind, ui::TMessageKind::Error);
    EXPECT_EQ(Messages[0].text, "Can not find the file: VX5h_260_ControlPanel.sof");
    const TLook look = LookOf(*Form);
    EXPECT_EQ(look.status, "Disconnected");
    EXPECT_EQ(Form->LabelConnectStatus->palette().color(QPalette::WindowText), INFO_RED);
    EXPECT_EQ(look.button, "Connect");
    EXPECT_TRUE(look.tabsEnabled);
    EXPECT_EQ(look.selectedTabs, 0);
    EXPECT_EQ(InfoText(), "Configure FPGA fail");
    EXPECT_EQ(Form->LabelInfo->palette().color(QPalette::WindowText), INFO_RED);
    EXPECT_TRUE(Form->AnimateWelcome->isVisible());
    EXPECT_FALSE(Form->AnimateWelcome->Active()) << "the animation stops after a failed connect";
    EXPECT_TRUE(Form->CGaugeConfig->isHidden());
    EXPECT_FALSE(Form->Board.IsOpen());
    EXPECT_TRUE(SimSays("\"jtag_client\":false"));
    EXPECT_EQ(Form->ActivePage, PAGE_WELCOME);
}

TEST_F(AppTest, ABoardImageOfTheWrongKindFailsWithTheLibrarysReason)
{
    SetUpBoard(false);
    TProgramFolder folder({"QELVANO_JTAG.DLL", "QELVANO_DOWNLOAD.DLL", "vx5h-board-sim"});
    std::ofstream(folder.Path() + "/VX5h_260_ControlPanel.sof") << "a real board's design";
    MakeForm();
    ASSERT_TRUE(StartAutoConnect());
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_TRUE(Messages[0].text.startsWith("download SOPC file (VX5h_260_ControlPanel.sof) fail!\n"));
    EXPECT_TRUE(Messages[0].text.contains("for a real board's FPGA")) << Messages[0].text.toStdString();
    EXPECT_EQ(Status(), "Disconnected");
    EXPECT_TRUE(SimSays("\"configured\":false"));
}

TEST_F(AppTest, AMissingDownloadLibraryIsReportedTwice)
{
    SetUpBoard(false);
    TProgramFolder folder({"QELVANO_JTAG.DLL", "vx5h-board-sim", "VX5h_260_ControlPanel.sof"});
    MakeForm();
    ASSERT_TRUE(StartAutoConnect());
    ASSERT_EQ(Messages.size(), 2u);
    EXPECT_EQ(Messages[0].text.toStdString(), "fail to load dll - " + folder.Path() + "/QELVANO_DOWNLOAD.DLL");
    EXPECT_EQ(Messages[1].text, "Download tool not found.");
    EXPECT_EQ(Status(), "Disconnected");
    EXPECT_EQ(InfoText(), "Configure FPGA fail");
}

TEST_F(AppTest, AnUnpluggedCableFailsAndNothingRetries)
{
    SetUpBoard(true);
    Sim().Ctl("unplug");
    MakeForm();
    ASSERT_TRUE(StartAutoConnect());
    EXPECT_EQ(Status(), "Disconnected");
    EXPECT_FALSE(Messages.empty());
    EXPECT_EQ(Form->LabelInfo->palette().color(QPalette::WindowText), INFO_RED);
    EXPECT_FALSE(Form->Board.IsOpen());
    // Nothing retries by itself.
    const std::size_t lines = InfoLines.size();
    WaitFor([] { return false; }, 500);
    EXPECT_EQ(InfoLines.size(), lines);

    // The cable back and Connect pressed: the same window connects.
    Sim().Ctl("plug");
    Messages.clear();
    Click(CONNECT);
    ASSERT_TRUE(WaitForSequenceEnd());
    EXPECT_EQ(Status(), "Connected");
    EXPECT_TRUE(Messages.empty());
}

TEST_F(AppTest, DisconnectLeavesTheLastPageShownAndDeactivated)
{
    SetUpBoard(true);
    MakeForm();
    ASSERT_TRUE(StartAutoConnect());
    Click(SWITCHES_TAB);
    ASSERT_EQ(Form->ActivePage, PAGE_BUTTON);
    EXPECT_EQ(Form->Pages[PAGE_BUTTON]->Board(), &Form->Board);

    Click(CONNECT); // it reads Disconnect now
    ASSERT_TRUE(WaitForSequenceEnd());
    const TLook look = LookOf(*Form);
    EXPECT_EQ(look.status, "Disconnected");
    EXPECT_EQ(look.button, "Connect");
    EXPECT_TRUE(look.tabsEnabled);
    EXPECT_TRUE(Form->TabButtons->IsSelected(PAGE_BUTTON)) << "the last tab stays selected";
    EXPECT_EQ(Form->ActivePage, PAGE_BUTTON);
    EXPECT_TRUE(Form->Pages[PAGE_BUTTON]->isVisible());
    EXPECT_EQ(Form->Pages[PAGE_BUTTON]->Board(), nullptr);
    EXPECT_FALSE(Form->Pages[PAGE_BUTTON]->IsPolling());
    EXPECT_FALSE(Form->Board.IsOpen());
    EXPECT_TRUE(SimSays("\"jtag_client\":false"));

    // Connecting again from a page: the page goes, the welcome view plays, then the LED page.
    bool welcomePlayed = false;
    OnInfo = [&](const QString& text) {
        if (text == "Check board ID...")
            welcomePlayed = Form->AnimateWelcome->isVisible() && Form->AnimateWelcome->Active()
                && Form->Pages[PAGE_BUTTON]->isHidden();
    };
    Click(CONNECT);
    ASSERT_TRUE(WaitForSequenceEnd());
    EXPECT_TRUE(welcomePlayed);
    EXPECT_EQ(Status(), "Connected");
    EXPECT_EQ(Form->ActivePage, PAGE_LED);
    EXPECT_EQ(LookOf(*Form).selectedTabs, 1);
    EXPECT_TRUE(Form->TabButtons->IsSelected(PAGE_LED));
}

TEST_F(AppTest, APageLinkFailureDisconnectsAndLocksTheTabsUntilTheNextConnect)
{
    SetUpBoard(true);
    MakeForm();
    ASSERT_TRUE(StartAutoConnect());
    TPage* led = Form->Pages[PAGE_LED];
    ASSERT_TRUE(led->OnLinkFailure);
    led->OnLinkFailure(); // what a page does when an exchange fails

    const TLook look = LookOf(*Form);
    EXPECT_EQ(look.status, "Disconnected");
    EXPECT_EQ(look.button, "Connect");
    EXPECT_FALSE(look.tabsEnabled);
    EXPECT_TRUE(Form->SystemButtons->FindById(BTN_CONNECT)->Enabled());
    EXPECT_TRUE(Form->SystemButtons->FindById(BTN_CLOSE)->Enabled());
    EXPECT_TRUE(led->isVisible()) << "the failing page stays on screen";
    EXPECT_EQ(Form->ActivePage, PAGE_LED);
    EXPECT_FALSE(Form->Board.IsOpen());

    Click(CONNECT);
    ASSERT_TRUE(WaitForSequenceEnd());
    EXPECT_EQ(Status(), "Connected");
    EXPECT_TRUE(LookOf(*Form).tabsEnabled);
}

// The window stays honest while it waits: the gauge takes the status text's place, an
// exchange that keeps the window waiting shows the busy cursor, and after a lost link the
// page's red reason stays (or the line says what happened).
TEST_F(AppTest, TheWindowSaysWhatItIsWaitingFor)
{
    SetUpBoard(false);
    MakeForm();
    EXPECT_FALSE(Form->windowIcon().isNull());
    bool statusBesideGauge = false;
    OnInfo = [&](const QString&) {
        statusBesideGauge |= Form->ProgressRunning() && Form->LabelConnectStatus->isVisible();
    };
    ASSERT_TRUE(StartAutoConnect(40000));
    OnInfo = nullptr;
    ASSERT_EQ(Status(), "Connected");
    EXPECT_FALSE(statusBesideGauge);
    EXPECT_TRUE(Form->LabelConnectStatus->isVisible());

    platform::WaitBegins();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    platform::WaitEnds();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    const struct {
        QString pageText;
        QColor colour;
        QString shown;
    } losses[] = {{"Set LCD Fail", INFO_RED, "Set LCD Fail"}, {"", INFO_GREEN, "Board link lost"},
        {"IR Monitor...", INFO_YELLOW, "Board link lost"}};
    for (const auto& loss : losses) {
        if (!Form->Board.IsOpen()) {
            Click(CONNECT);
            ASSERT_TRUE(WaitForSequenceEnd());
        }
        ShowInfo(loss.pageText, loss.colour);
        Form->Pages[Form->ActivePage]->OnLinkFailure();
        EXPECT_EQ(Status(), "Disconnected");
        EXPECT_EQ(InfoText(), loss.shown);
        EXPECT_EQ(Form->LabelInfo->palette().color(QPalette::WindowText), INFO_RED);
    }
}

TEST_F(AppTest, ClosingWhileConnectedClosesTheLink)
{
    SetUpBoard(true);
    MakeForm();
    ASSERT_TRUE(StartAutoConnect());
    ASSERT_TRUE(SimSays("\"jtag_client\":true"));
    delete Form.data();
    EXPECT_TRUE(WaitFor([this] { return SimSays("\"jtag_client\":false"); }, 3000));
}

TEST_F(AppTest, ALateAutomaticConnectLeavesAConnectionMadeByHandAlone)
{
    SetUpBoard(true);
    MakeForm();
    Click(CONNECT); // pressed before the start-up timer has fired
    ASSERT_EQ(Status(), "Connected");
    Form->TimerRun.start(TFormMain::AUTO_CONNECT_DELAY_MS);
    EXPECT_TRUE(WaitFor([this] { return !Form->TimerRun.isActive(); }, 2000));
    WaitFor([] { return false; }, 200); // the posted message is handled
    EXPECT_EQ(Status(), "Connected");
    EXPECT_TRUE(Form->Board.IsOpen());
    EXPECT_EQ(Form->ActivePage, PAGE_LED);
}
