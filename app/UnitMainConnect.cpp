// The connect sequence of the main window: connect or disconnect, configure the FPGA
// when the board does not answer, the timed gauge and the reaction to a lost link.

#include "app/ConnectSteps.h"
#include "app/Logging.h"
#include "app/MainControls.h"
#include "app/OffUiThread.h"
#include "app/ShowInfo.h"
#include "app/UnitMain.h"
#include "app/WelcomeAnimation.h"
#include "board/LinkFailure.h"
#include "config/Download.h"
#include "core/TraceText.h"
#include "pages/Page.h"
#include "platform/Paths.h"
#include "platform/Tick.h"
#include "ui/Seams.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <mutex>

using namespace mainlayout;

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The board maker's JTAG library finds the programmer tools' helpers in the current folder.
// The window is a program of its own, and this its one thread: here alone the tools' folder
// is made current for the open, and the program's folder after it, whatever the open did.
template<typename Open> bool OpenInToolsFolder(Open&& open)
{
    if (const auto tools = platform::ProgrammerToolsFolder())
        platform::SetCurrentDirectory(*tools);
    const bool ok = open();
    platform::SetCurrentDirectory(platform::ExecutableFolder());
    return ok;
}

} // namespace

void TFormMain::SetBusyCursor(bool busy)
{
    m_BusyDepth = std::max(0, m_BusyDepth + (busy ? 1 : -1));
    ui::SetWindowCursor(this, m_BusyDepth > 0 ? ui::TCursor::HourGlass : ui::TCursor::Default);
}

void TFormMain::MessageBoxError(const std::string& text)
{
    ui::ShowMessage(this, ui::TMessageKind::Error, windowTitle(), Text(text));
}

void TFormMain::SetConnectButton(bool connected)
{
    ButtonConnect->setText(connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
    SystemButtons->SetAccessibleName(BTN_CONNECT, ButtonConnect->text());
    SystemButtons->SetBitmap(BTN_CONNECT, QString::fromLatin1(connected ? DISCONNECT_BITMAP : CONNECT_BITMAP));
}

void TFormMain::EnableControls(bool enabled, int which)
{
    SystemButtons->SetEnabled(BTN_CONNECT, enabled);
    SystemButtons->SetEnabled(BTN_CLOSE, enabled);
    ButtonConnect->setEnabled(enabled);
    if (which == ALL_TABS) {
        for (int index : TAB_CREATION_ORDER)
            TabButtons->SetEnabled(index, enabled);
    } else {
        TabButtons->SetEnabled(which == CURRENT_TAB ? ActivePage : which, enabled);
    }
}

void TFormMain::ButtonConnectClick()
{
    // The controls are disabled while a sequence runs; this also keeps a late automatic
    // connect from starting a second one inside the first.
    if (m_BusyDepth > 0)
        return;
    EnableControls(false, ALL_TABS);
    SetBusyCursor(true);
    if (Board.IsOpen()) {
        if (ActivePage != PAGE_WELCOME)
            ActivatePage(ActivePage, false); // the page stays on screen
        ShowInfo(QString(), INFO_YELLOW);
        DisconnectBoard();
        SetConnectButton(false);
    } else {
        Connecting = true;
        if (ActivePage != PAGE_WELCOME)
            TabButtons->SetSelected(ActivePage, false);
        SelectPage(PAGE_WELCOME);
        const bool ok = RunConnect();
        Connecting = false;
        if (ok) {
            TabButtons->ClearSelection();
            TabButtons->SetSelected(PAGE_LED, true);
            SelectPage(PAGE_LED);
        } else {
            AnimateWelcome->SetActive(false);
        }
    }
    SetBusyCursor(false);
    EnableControls(true, ALL_TABS);
}

bool TFormMain::RunConnect()
{
    EnableControls(false, ALL_TABS);
    SetBusyCursor(true);
    SetConnectStatus(QString(), INFO_YELLOW);
    StartProgress(ScaledDuration(TimeScale, CONNECT_PHASE_MS), 0, 5);

    bool ok = TryConnect(false);
    if (!ok && !connection::ConfigurationMayHelp(Board.LinkErrorCode())) {
        // The cable is there but not ours to use, or not there at all: configuring would
        // not help, and would overwrite the design of a board another program is using.
        MessageBoxError(Board.LinkErrorText());
    } else if (!ok) {
        Board.FlushInput();
        ok = ConfigureFpga();
        if (ok) {
            Board.FlushInput();
            ok = TryConnect(true);
            Board.FlushInput();
            if (ok) {
                // A fresh link after the identification, as the firmware expects.
                Board.Disconnect();
                ok = OpenInToolsFolder([this] {
                    return RunOffUiThread([this] {
                        std::string ignored;
                        return Board.Connect(ignored, 0);
                    });
                });
            }
        }
    }
    ok = ok && SendShownStates();
    if (!ok)
        SetConnectStatus(QStringLiteral("Disconnected"), INFO_RED);
    StopProgress();
    if (ok)
        ShowInfo(QString(), INFO_YELLOW);
    SetConnectButton(ok);
    SetBusyCursor(false);
    EnableControls(true, ALL_TABS);
    return ok;
}

bool TFormMain::SendShownStates()
{
    bool sent = true;
    {
        std::lock_guard<TBoard> guard(Board);
        for (TPage* page : Pages)
            sent = sent && page->SendShownState(Board);
    }
    if (!sent) {
        qCInfo(lcConnect) << "sending the pages' state failed:" << LinkFailureText(Board.LastFailure());
        Board.Disconnect();
        ShowInfo(QString::fromLatin1(LINK_LOST_TEXT), INFO_RED);
    }
    return sent;
}

bool TFormMain::TryConnect(bool showMessages)
{
    ShowInfo(QStringLiteral("Connecting Board..."), INFO_YELLOW);
    std::string errorText;
    bool ok = true;
    if (!Board.IsOpen()) {
        ShowInfo(QStringLiteral("Detect board type..."), INFO_YELLOW);
        ok = OpenInToolsFolder([&] { return RunOffUiThread([&] { return Board.Connect(errorText, 0); }); });
        qCInfo(lcConnect) << "open link:" << (ok ? "open," : "failed:")
                          << (ok ? Board.LinkDescription() : errorText).c_str();
        if (ok) {
            ShowInfo(QStringLiteral("Check board ID..."), INFO_YELLOW);
            errorText = RunOffUiThread([&] { return connection::IdentifyBoard(Board, BOARD_NAME_BUDGET_MS); });
            ok = errorText.empty();
            qCInfo(lcConnect) << "board name:" << (ok ? BOARD_NAME : errorText.c_str());
        }
    }
    if (ok) {
        // Whichever board was chosen, the user can tell which one this is; a remote server's
        // name for its cable may hold escape sequences meant for the terminal.
        std::fprintf(
            stderr, "VX5h_260_ControlPanel: connected to %s\n", trace::PrintableText(Board.LinkDescription()).c_str());
        SetConnectStatus(QStringLiteral("Connected"), INFO_GREEN);
        SetConnectButton(true);
        return true;
    }
    if (!Board.LinkErrorText().empty())
        errorText = Board.LinkErrorText();
    if (errorText.empty())
        errorText = "Connect NG!";
    ShowInfo(Text(errorText), INFO_RED);
    if (showMessages)
        MessageBoxError(errorText);
    return false;
}

bool TFormMain::ConfigureFpga()
{
    // Made here, on this thread: loading the library may show its own error dialogs.
    auto download = std::make_unique<TDownload>();
    const std::string folder = platform::ExecutableFolder();
    const std::string imagePath = folder + IMAGE_FILE_NAME;
    std::string errorText = connection::ConfigureObstacle(*download, imagePath);
    bool ok = errorText.empty();
    qCInfo(lcConfiguration) << "configure" << imagePath.c_str() << "with programmer version"
                            << download->GetQuartusVersion() << (ok ? "" : errorText.c_str());
    const QString configuring = QStringLiteral("%1%2").arg(QStringLiteral("Configure FPGA"), QStringLiteral("..."));
    ShowInfo(configuring, INFO_YELLOW);
    platform::SetCurrentDirectory(folder);
    if (ok) {
        if (Board.IsOpen())
            Board.Disconnect();
        SetConnectStatus(QStringLiteral("Disconnected"), INFO_RED);
        StartProgress(ScaledDuration(TimeScale, CONFIGURE_PHASE_MS), 5, 95);
        ShowInfo(configuring, INFO_YELLOW);
        const TDownload& loader = *download;
        std::string said;
        ok = RunOffUiThread([&] {
            const bool configured = connection::DownloadImage(loader, imagePath, Board.Trace());
            said = loader.ProgrammerOutput();
            return configured;
        });
        qCInfo(lcConfiguration).noquote() << (ok ? "configured;" : "failed:") << (ok ? "" : loader.LastError().c_str())
                                          << "the programmer said:" << said.c_str();
        if (!ok)
            errorText = connection::DownloadFailedText(imagePath, loader.LastError());
    }
    if (!ok) {
        TimerProgress.stop(); // the gauge keeps its value under the message box
        MessageBoxError(errorText);
    }
    ShowInfo(QStringLiteral("%1 %2").arg(
                 QStringLiteral("Configure FPGA"), ok ? QStringLiteral("success") : QStringLiteral("fail")),
        ok ? INFO_GREEN : INFO_RED);
    download.reset();
    return ok;
}

void TFormMain::DisconnectBoard()
{
    Board.Disconnect();
    SetConnectButton(false);
    ShowInfo(QString(), INFO_YELLOW);
    SetConnectStatus(QStringLiteral("Disconnected"), INFO_RED);
    EnableControls(false, ALL_TABS);
    SystemButtons->SetEnabled(BTN_CLOSE, true);
    SystemButtons->SetEnabled(BTN_CONNECT, true);
    ButtonConnect->setEnabled(true);
}

void TFormMain::HandleLinkFailure()
{
    // Disconnecting clears the information line; the page's red reason for the failure
    // is what the user needs to read, and without one the line says what happened.
    const QString reason = m_InfoText;
    const bool red = LabelInfo->palette().color(QPalette::WindowText) == INFO_RED;
    DisconnectBoard();
    SelectPage(ActivePage);
    SetConnectStatus(QStringLiteral("Disconnected"), INFO_RED);
    ShowInfoLine(red && !reason.isEmpty() ? reason : QString::fromLatin1(LINK_LOST_TEXT), INFO_RED);
}

// --- the gauge -----------------------------------------------------------------------

void TFormMain::StartProgress(std::uint32_t durationMs, std::int32_t from, std::int32_t to)
{
    m_ProgressFrom = from;
    m_ProgressTo = to;
    m_ProgressStart = platform::TickCount();
    m_ProgressDuration = durationMs;
    m_ProgressRunning = true;
    // The bar's percentage would be printed over the status text.
    LabelConnectStatus->hide();
    ShowInfo(QString(), INFO_YELLOW);
    CGaugeConfig->SetProgress(0);
    CGaugeConfig->show();
    TimerProgress.stop();
    TimerProgress.start(static_cast<int>(std::max<std::uint32_t>(1, durationMs / 100)));
}

void TFormMain::StopProgress()
{
    TimerProgress.stop();
    m_ProgressRunning = false;
    CGaugeConfig->hide();
    LabelConnectStatus->show();
}

void TFormMain::TimerProgressTimer()
{
    TimerProgress.stop();
    CGaugeConfig->SetProgress(
        GaugeValue(m_ProgressFrom, m_ProgressTo, m_ProgressStart, m_ProgressDuration, platform::TickCount()));
    TimerProgress.start();
}
