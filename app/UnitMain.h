#pragma once

#include "app/MainLayout.h"
#include "board/Board.h"
#include "core/Connection.h"
#include "pages/PageSet.h"
#include "resources/Resources.h"
#include "ui/BitmapManager.h"
#include "ui/ButtonManager.h"
#include "ui/SkinnedWindow.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QIcon>
#include <QKeySequence>
#include <QPoint>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

class QLabel;
class QPushButton;
class TAnimate;
class TGauge;
class TPage;
class TShape;

// The program's icon, in the sizes window managers ask for, drawn from the board picture
// of a screen of device pixel ratio `ratio`.
QIcon ProgramIcon(qreal ratio = 1.0);

// The main window: the board picture with its outlines, the tabs and the page area, the
// connection controls and the two status lines. It owns the one board object for the
// whole run; the pages only borrow it while they are active.
class TFormMain : public ui::TSkinnedWindow {
    Q_OBJECT

public:
    // Throws std::runtime_error when its picture or animation resource is missing.
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // The private message that runs the Connect action once after start-up.
    static constexpr QEvent::Type WM_AUTO_CONNECT = static_cast<QEvent::Type>(QEvent::User + 1);
    static constexpr int AUTO_CONNECT_DELAY_MS = 300;
    static constexpr const char* BOARD_NAME = protocol::BOARD_NAME;
    static constexpr const char* IMAGE_FILE_NAME = connection::IMAGE_FILE_NAME;
    static constexpr std::uint32_t BOARD_NAME_BUDGET_MS = connection::BOARD_NAME_BUDGET_MS;
    // The information line after a lost link that no page explained.
    static constexpr const char* LINK_LOST_TEXT = "Board link lost";
    static constexpr std::uint32_t CONNECT_PHASE_MS = 5000;
    static constexpr std::uint32_t CONFIGURE_PHASE_MS = 10000;

    // --- state (declared first: the board is destroyed last) ---
    TBoard Board;
    // Pictures drawn ahead while the window is built: no drawing outlives the window.
    resources::TDrawingAhead DrawingAhead;
    std::int8_t ActivePage = PAGE_WELCOME;
    bool Connecting = false;
    float TimeScale = 1.0f; // factor on the gauge's planned durations

    std::unique_ptr<ui::TBitmapManager> Skin;
    std::unique_ptr<ui::TButtonManager> TabButtons;
    std::unique_ptr<ui::TButtonManager> SystemButtons;
    std::array<TPage*, PAGE_COUNT> Pages{};
    std::array<TShape*, mainlayout::REGION_COUNT> Shapes{};

    QLabel* LabelCaption = nullptr;
    QLabel* LabelConnectStatus = nullptr;
    QLabel* ImageInfo = nullptr;
    QLabel* LabelInfo = nullptr;
    TGauge* CGaugeConfig = nullptr;
    TAnimate* AnimateWelcome = nullptr;
    // Keeps the text "Connect"/"Disconnect" in step with the skinned button; never shown.
    QPushButton* ButtonConnect = nullptr;
    QTimer TimerRun;
    QTimer TimerProgress;

    // --- start-up and chrome ---
    void FormCreate();
    void TimerRunTimer();
    void ButtonAboutClick();
    void ButtonMiniClick();
    void SetConnectStatus(const QString& text, const QColor& colour);
    // The information line behind the global ShowInfo.
    void ShowInfoLine(const QString& text, const QColor& colour);
    // Its whole text, however many lines it was wrapped to.
    const QString& InfoLineText() const { return m_InfoText; }

    // --- connect sequence ---
    void ButtonConnectClick();
    bool RunConnect();
    bool TryConnect(bool showMessages);
    // Once the board answers, every page sends what it shows of the board's outputs, so
    // that the board shows what the window shows; a failed exchange closes the link.
    bool SendShownStates();
    bool ConfigureFpga();
    void DisconnectBoard();
    void HandleLinkFailure();
    void EnableControls(bool enabled, int which);
    void StartProgress(std::uint32_t durationMs, std::int32_t from, std::int32_t to);
    void StopProgress();
    void TimerProgressTimer();
    bool ProgressRunning() const { return m_ProgressRunning; }

    // --- pages ---
    void SelectPage(int index);
    void ActivatePage(int index, bool on);
    void HighlightRegion(int index);
    void ShowWelcome(bool visible);

    TPage* Page(int index) const;
    TShape* Shape(mainlayout::RegionId id) const { return Shapes[id]; }

    // --- keyboard ---
    // The next (step 1) or previous (-1) page in the tabs' order, as a click on its tab
    // would select it; nothing while the tabs are disabled.
    void StepPage(int step);
    // The keys of the window's actions (besides Tab, Space and Enter on the focused button).
    static QKeySequence ConnectKey() { return QKeySequence(Qt::ALT | Qt::Key_C); }
    static QKeySequence CloseKey() { return QKeySequence(Qt::CTRL | Qt::Key_Q); }
    static QKeySequence AboutKey() { return QKeySequence(Qt::Key_F1); }

    // Milliseconds from the start of the window's construction to the end of its first
    // paint; -1 before it painted.
    qint64 FirstPaintMs() const { return m_FirstPaintMs; }

    // The top-left corner at which the window stands centred on its screen.
    QPoint CentredPosition() const;
    // True while the window is being moved by a drag from its background.
    bool Dragging() const { return m_Dragging; }

protected:
    void FormPaint() override;
    void FormMouseDown(int x, int y) override;
    void FormMouseMove(int x, int y) override;
    void FormMouseUp(int x, int y) override;
    // The window procedure: the private auto-connect message.
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // The information icon is a picture beside the canvas: drawn again for the new ratio.
    void RatioChanged() override;

private:
    void BuildSkin();
    void BuildControls();
    void BuildOutlines();
    void BuildKeys();
    void NameButtons();
    void PressConnect();
    void PressClose();
    void PressAbout();
    void NextPage();
    void PreviousPage();
    bool OverEnabledButton(int x, int y) const;
    void SetConnectButton(bool connected);
    void MessageBoxError(const std::string& text);
    void SetBusyCursor(bool busy);

    std::int32_t m_ProgressFrom = 0;
    std::int32_t m_ProgressTo = 0;
    std::uint32_t m_ProgressStart = 0;
    std::uint32_t m_ProgressDuration = 0;
    bool m_ProgressRunning = false;

    bool m_Dragging = false;
    QPoint m_DragPressGlobal;
    QPoint m_DragStartPos;
    int m_BusyDepth = 0;
    QElapsedTimer m_Created;
    QString m_InfoText;
    qint64 m_FirstPaintMs = -1;
};

// The one main window, for the information line; null before it exists and after.
extern TFormMain* FormMain;
