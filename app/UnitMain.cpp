#include "app/UnitMain.h"
#include "app/Logging.h"

#include "app/MainControls.h"
#include "app/ShowInfo.h"
#include "app/UnitAbout.h"
#include "app/WelcomeAnimation.h"
#include "core/TraceSetup.h"
#include "pages/Page.h"
#include "pages/UnitMemory.h"
#include "resources/Resources.h"
#include "ui/Assert.h"
#include "ui/Blit.h"
#include "ui/TextLines.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

using namespace mainlayout;

TFormMain* FormMain = nullptr;

namespace {

constexpr const char* UNIT = "UnitMain";

QLabel* MakeLabel(QWidget* parent, const QRect& rect, Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    label->setGeometry(rect);
    label->setAlignment(alignment);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setAutoFillBackground(false);
    return label;
}

void SetLabelColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

// Every picture the window draws over its board picture.
QStringList ButtonBitmaps()
{
    QStringList names{
        QString::fromLatin1(TAB_BITMAP), QString::fromLatin1(INFO_ICON_BITMAP), QString::fromLatin1(DISCONNECT_BITMAP)};
    for (const TSystemButton& button : SYSTEM_BUTTONS)
        names << QString::fromLatin1(button.bitmap);
    return names;
}

QFont ArialFont(int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

QIcon ProgramIcon(qreal ratio)
{
    // The board picture the window draws anyway, reduced: never an enlargement.
    const QImage picture = resources::LoadBitmap(QString::fromLatin1(BACKGROUND_BITMAP), ratio);
    const QImage board = picture.copy(ui::DeviceRect(ICON_SOURCE_RECT, ui::RatioOf(picture)));
    // Each size from the next larger one: a smooth reduction costs what its source has.
    QIcon icon;
    QImage reduced = board;
    for (int size : {128, 64, 48, 32, 16}) {
        reduced = reduced.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        icon.addPixmap(QPixmap::fromImage(reduced));
    }
    return icon;
}

TFormMain::TFormMain(QWidget* parent)
    : ui::TSkinnedWindow(parent, Qt::Window | Qt::FramelessWindowHint)
{
    m_Created.start();
    // What the first paint shows is drawn side by side while the controls and the pages
    // are built; on a 200% screen that is four times the pixels of an ordinary one.
    const qreal ratio = ui::WindowRatio(this);
    resources::PrepareBitmaps({QString::fromLatin1(BACKGROUND_BITMAP)}, ratio, ButtonBitmaps());
    setWindowTitle(QString::fromLatin1(WINDOW_CAPTION));
    BuildControls();
    BuildSkin();
    BuildOutlines();
    BuildKeys();
    FormMain = this;

    SetConnectStatus(QStringLiteral("Disconnected"), INFO_RED);
    LabelConnectStatus->setText(QString());

    CGaugeConfig->hide();
    CGaugeConfig->SetForeColor(GAUGE_COLOUR);
    CGaugeConfig->raise(); // covers the status label while it runs

    SetShowInfoSink([](const QString& text, const QColor& colour) {
        if (FormMain)
            FormMain->ShowInfoLine(text, colour);
    });

    // Exchanges run on worker threads too; Qt's log takes messages from any thread.
    Board.SetFailureSink([](const TLinkFailureReport& report) {
        qCInfo(lcLink, "command %u failed after %u ms: %s", unsigned(report.command), unsigned(report.elapsedMs),
            LinkFailureText(report.cause));
    });
    // VX5H_TRACE: a transcript of the link for the user to send with a report.
    std::string traceError;
    Board.SetTrace(trace::StartRecording("VX5h_260_ControlPanel", {}, traceError));
    if (!traceError.empty())
        std::fprintf(stderr, "VX5h_260_ControlPanel: %s\n", traceError.c_str());

    connect(&TimerRun, &QTimer::timeout, this, &TFormMain::TimerRunTimer);
    connect(&TimerProgress, &QTimer::timeout, this, &TFormMain::TimerProgressTimer);
    move(CentredPosition());
    FormCreate();
    // The canvas is made while the board picture is still being drawn, not at the first
    // paint. The welcome animation is drawn once the window shows (TAnimate): the empty
    // page area shows until then, and the board picture has the cores meanwhile.
    MakeCanvasNow();
    // Last: they need the board picture, drawn meanwhile. The program sets an icon for all
    // its windows once this one shows.
    RatioChanged();
    if (QApplication::windowIcon().isNull())
        setWindowIcon(ProgramIcon(ratio));
}

TFormMain::~TFormMain()
{
    TimerRun.stop();
    TimerProgress.stop();
    SetShowInfoSink({});
    // The skin and the button groups go first, then the pages in index order; the board
    // (a member declared first) goes last and closes the link as it does.
    Skin.reset();
    TabButtons.reset();
    SystemButtons.reset();
    for (TPage*& page : Pages) {
        delete page;
        page = nullptr;
    }
    if (FormMain == this)
        FormMain = nullptr;
}

void TFormMain::BuildControls()
{
    LabelCaption = MakeLabel(this, CAPTION_RECT, Qt::AlignCenter);
    LabelCaption->setText(windowTitle());
    QFont captionFont = LabelCaption->font();
    captionFont.setPixelSize(13);
    LabelCaption->setFont(captionFont);
    SetLabelColour(LabelCaption, CAPTION_COLOUR);

    LabelConnectStatus = MakeLabel(this, CONNECT_STATUS_RECT, Qt::AlignCenter);
    LabelConnectStatus->setFont(ArialFont(13));
    SetLabelColour(LabelConnectStatus, STATUS_LABEL_COLOUR);

    CGaugeConfig = new TGauge(this);
    CGaugeConfig->setGeometry(GAUGE_RECT);

    // Until the first ShowInfo the icon shows and the line does not.
    ImageInfo = MakeLabel(this, INFO_ICON_RECT, Qt::AlignLeft | Qt::AlignTop);
    LabelInfo = MakeLabel(this, INFO_LINE_RECT, Qt::AlignLeft | Qt::AlignVCenter);
    LabelInfo->setFont(ArialFont(11));
    LabelInfo->hide();

    ButtonConnect = new QPushButton(QStringLiteral("Connect"), this);
    ButtonConnect->hide();
}

void TFormMain::BuildSkin()
{
    Skin = std::make_unique<ui::TBitmapManager>(Canvas(), this);
    Skin->Add(0, QString::fromLatin1(BACKGROUND_BITMAP), false);
    const QSize size = Skin->GetSize(0);
    if (size.isEmpty())
        throw std::runtime_error(std::string("Bitmap resource not found: ") + BACKGROUND_BITMAP);
    SetCanvasSize(size);

    TabButtons = std::make_unique<ui::TButtonManager>(this, ui::bmRadio, Canvas());
    for (int index : TAB_CREATION_ORDER) {
        const TPageEntry* entry = FindPage(index);
        UI_CHECK(entry != nullptr, UNIT);
        TabButtons->Add(index, QString::fromLatin1(entry->caption), entry->tabPos.y(), entry->tabPos.x(),
            QString::fromLatin1(TAB_BITMAP));
    }

    SystemButtons = std::make_unique<ui::TButtonManager>(this, ui::bmPush, Canvas());
    for (const TSystemButton& button : SYSTEM_BUTTONS)
        SystemButtons->Add(button.id, QString(), button.pos.y(), button.pos.x(), QString::fromLatin1(button.bitmap));
    NameButtons();

    AnimateWelcome = new TAnimate(this);
    AnimateWelcome->move(WELCOME_POS);
    if (!AnimateWelcome->Open(QString::fromLatin1(WELCOME_ANIMATION)))
        throw std::runtime_error(std::string("Animation resource not found: ") + WELCOME_ANIMATION);
    AnimateWelcome->show();
    AnimateWelcome->SetActive(true);
}

void TFormMain::BuildOutlines()
{
    for (const TRegion& region : REGIONS) {
        auto* shape = new TShape(this, region.rect, OUTLINE_COLOUR, region.pen, region.penWidth);
        shape->setObjectName(QString::fromLatin1(region.name));
        shape->hide();
        Shapes[region.id] = shape;
    }
}

void TFormMain::FormCreate()
{
    for (int index = 0; index < PAGE_COUNT; ++index) {
        Pages[index] = CreatePage(index, this);
        UI_CHECK(Pages[index] != nullptr, UNIT);
        Pages[index]->setAccessibleName(QString::fromLatin1(FindPage(index)->caption));
    }
    // The information line lies in the bottom band of the page area, which the pages and
    // the animation leave empty for it: keep it above them, or no page's report is seen.
    ImageInfo->raise();
    LabelInfo->raise();
    TimerRun.setSingleShot(true);
    TimerRun.start(AUTO_CONNECT_DELAY_MS);
}

QPoint TFormMain::CentredPosition() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {0, 0};
    const QRect area = screen->geometry();
    return area.topLeft() + QPoint((area.width() - width()) / 2, (area.height() - height()) / 2);
}

void TFormMain::TimerRunTimer()
{
    TimerRun.stop();
    QCoreApplication::postEvent(this, new QEvent(WM_AUTO_CONNECT));
}

bool TFormMain::event(QEvent* event)
{
    // The information line lets the mouse through (a press on it drags the window), so
    // the window shows the line's tool tip for it.
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (LabelInfo->isVisible() && !m_InfoText.isEmpty() && LabelInfo->geometry().contains(help->pos())) {
            QToolTip::showText(help->globalPos(), m_InfoText, this, LabelInfo->geometry());
            return true;
        }
    }
    if (event->type() == WM_AUTO_CONNECT) {
        // The one automatic attempt to connect. Had the user connected already (a press
        // within the first 300 ms), running the Connect action would disconnect again.
        if (!Board.IsOpen())
            ButtonConnectClick();
        return true;
    }
    return ui::TSkinnedWindow::event(event);
}

void TFormMain::ButtonAboutClick()
{
    TFormAbout about(this);
    about.SetLinkDescription(QString::fromStdString(Board.IsOpen() ? Board.LinkDescription() : std::string()));
    about.ShowModal();
}

void TFormMain::ButtonMiniClick() { showMinimized(); }

void TFormMain::closeEvent(QCloseEvent* event)
{
    // While the connect sequence waits for the board or the configuration, the window
    // keeps handling events; it must not be destroyed under that sequence.
    if (m_BusyDepth > 0) {
        event->ignore();
        return;
    }
    // A chip erase or a file transfer would go on for minutes behind a hidden window:
    // Close aborts it as Abort does, and the window closes once it has stopped.
    for (TPage* page : Pages) {
        auto* memory = qobject_cast<TFormMemory*>(page);
        if (!memory || !memory->Busy())
            continue;
        memory->OnOperationEnded = [this] { QTimer::singleShot(0, this, [this] { close(); }); };
        memory->AbortOperation();
        event->ignore();
        return;
    }
    ui::TSkinnedWindow::closeEvent(event);
}

void TFormMain::SetConnectStatus(const QString& text, const QColor& colour)
{
    SetLabelColour(LabelConnectStatus, colour);
    LabelConnectStatus->setText(text);
}

void TFormMain::ShowInfoLine(const QString& text, const QColor& colour)
{
    ImageInfo->setVisible(!text.isEmpty());
    LabelInfo->show();
    const QFont font = ArialFont(11);
    LabelInfo->setFont(font);
    SetLabelColour(LabelInfo, colour);
    // A long report wraps to the lines below the page instead of being cut at the
    // line's end; the first line stays where a one-line report stands. The whole text is
    // the line's tool tip and what a screen reader reads.
    const QStringList lines = ui::WrapToLines(text, font, INFO_LINE_RECT.width() - INFO_WRAP_SLACK, INFO_LINE_COUNT);
    const int extra = std::max(0, static_cast<int>(lines.size()) - 1);
    LabelInfo->setGeometry(INFO_LINE_RECT.adjusted(0, 0, 0, extra * QFontMetrics(font).lineSpacing()));
    m_InfoText = text;
    LabelInfo->setText(lines.join(QLatin1Char('\n')));
    LabelInfo->setToolTip(text);
    LabelInfo->setAccessibleDescription(text);
    // Seen before a following blocking board operation.
    if (LabelInfo->isVisible())
        LabelInfo->repaint();
}

// --- painting and mouse ---------------------------------------------------------------

void TFormMain::paintEvent(QPaintEvent* event)
{
    ui::TSkinnedWindow::paintEvent(event);
    if (m_FirstPaintMs >= 0)
        return;
    m_FirstPaintMs = m_Created.elapsed();
    qCInfo(lcStartup, "main window built and painted in %lld ms at device pixel ratio %g",
        static_cast<long long>(m_FirstPaintMs), CanvasRatio());
}

void TFormMain::RatioChanged()
{
    ImageInfo->setPixmap(
        QPixmap::fromImage(resources::LoadBitmap(QString::fromLatin1(INFO_ICON_BITMAP), ui::WindowRatio(this))));
}

void TFormMain::FormPaint()
{
    Skin->Draw(0, 0, 0);
    TabButtons->PaintAll();
    SystemButtons->PaintAll();
}

bool TFormMain::OverEnabledButton(int x, int y) const
{
    return TabButtons->IsOverButton(x, y) || SystemButtons->IsOverButton(x, y);
}

void TFormMain::FormMouseMove(int x, int y)
{
    if (!TabButtons->MouseMove(x, y, false))
        SystemButtons->MouseMove(x, y, true);
    // The background is the window's caption: a hand says it can be dragged.
    if (m_BusyDepth > 0)
        ui::SetWindowCursor(this, ui::TCursor::HourGlass);
    else if (x != OUTSIDE && !OverEnabledButton(x, y))
        ui::SetWindowCursor(this, ui::TCursor::Hand);
}

void TFormMain::FormMouseDown(int x, int y)
{
    if (!TabButtons->MouseDown(x, y))
        SystemButtons->MouseDown(x, y);
}

void TFormMain::FormMouseUp(int x, int y)
{
    const int tab = TabButtons->MouseUp(x, y);
    if (tab < 0) {
        switch (SystemButtons->MouseUp(x, y)) {
        case BTN_CLOSE:
            close();
            break;
        case BTN_ABOUT:
            ButtonAboutClick();
            break;
        case BTN_MINI:
            ButtonMiniClick();
            break;
        case BTN_CONNECT:
            ButtonConnectClick();
            break;
        default:
            break;
        }
        return;
    }
    // A press on a system button released over a tab must not leave that group thinking
    // a button is still held.
    SystemButtons->MouseUp(OUTSIDE, OUTSIDE);
    if (tab != ActivePage)
        SelectPage(tab);
}

// A press on the background (anything but an enabled skinned button) drags the window.
// Where a window manager can move it, it does; without one (a bare X server) the window
// follows the pointer itself until the release.
void TFormMain::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !OverEnabledButton(p.x(), p.y())) {
        if (windowHandle() && windowHandle()->startSystemMove())
            return;
        m_Dragging = true;
        m_DragPressGlobal = event->globalPosition().toPoint();
        m_DragStartPos = pos();
        return;
    }
    ui::TSkinnedWindow::mousePressEvent(event);
}

void TFormMain::mouseMoveEvent(QMouseEvent* event)
{
    if (m_Dragging) {
        move(m_DragStartPos + event->globalPosition().toPoint() - m_DragPressGlobal);
        return;
    }
    ui::TSkinnedWindow::mouseMoveEvent(event);
}

void TFormMain::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_Dragging) {
        if (event->button() == Qt::LeftButton)
            m_Dragging = false;
        return;
    }
    ui::TSkinnedWindow::mouseReleaseEvent(event);
}

// --- pages -------------------------------------------------------------------------------

TPage* TFormMain::Page(int index) const { return index >= 0 && index < PAGE_COUNT ? Pages[index] : nullptr; }

void TFormMain::ShowWelcome(bool visible)
{
    AnimateWelcome->setVisible(visible);
    AnimateWelcome->SetActive(visible && Connecting);
}

void TFormMain::SelectPage(int index)
{
    if (index == ActivePage)
        return;
    if (ActivePage == PAGE_WELCOME) {
        ShowWelcome(false);
    } else {
        ActivatePage(ActivePage, false);
        // A control of the page left loses the focus to the window, so that the next Tab
        // starts on the page shown.
        const QWidget* focus = focusWidget();
        if (focus && (focus == Pages[ActivePage] || Pages[ActivePage]->isAncestorOf(focus)))
            setFocus(Qt::OtherFocusReason);
        Pages[ActivePage]->hide();
    }
    ActivePage = static_cast<std::int8_t>(index);
    if (index == PAGE_WELCOME) {
        ShowWelcome(true);
        return;
    }
    UI_CHECK(Page(index) != nullptr, UNIT);
    Pages[index]->show();
    ActivatePage(index, true);
}

void TFormMain::ActivatePage(int index, bool on)
{
    TPage* page = Page(index);
    UI_CHECK(page != nullptr, UNIT);
    HighlightRegion(index);
    // Bound on every call, so that the binding is in place before the page can act.
    page->OnLinkFailure = [this] { HandleLinkFailure(); };
    if (auto* memory = qobject_cast<TFormMemory*>(page))
        memory->OnUpdateTestArea = [this] { HighlightRegion(ActivePage); };
    qCInfo(lcPages) << (on ? "enter" : "leave") << mainlayout::FindPage(index)->caption;
    if (on)
        page->Activate(&Board);
    else
        page->Deactivate();
}

void TFormMain::HighlightRegion(int index)
{
    for (TShape* shape : Shapes)
        shape->hide();
    const TPageEntry* entry = FindPage(index);
    UI_CHECK(entry != nullptr, UNIT);
    if (index == PAGE_MEMORY) {
        const auto* memory = qobject_cast<const TFormMemory*>(Page(PAGE_MEMORY));
        const RegionId region = MemoryRegion(memory ? memory->MemoryTypePosition() : -1);
        if (region != REGION_COUNT)
            Shapes[region]->show();
        return;
    }
    for (RegionId region : entry->outlines)
        Shapes[region]->show();
}
