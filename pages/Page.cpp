#include "pages/Page.h"

#include "app/Logging.h"
#include "app/ShowInfo.h"
#include "board/Board.h"

#include <QLineEdit>
#include <mutex>

TPage::TPage(QWidget* parent, const QString& background)
    : ui::TSkinnedWindow(parent)
    , Skin(Canvas(), this)
    , Buttons(this, ui::bmPush, Canvas())
{
    Skin.Add(BACKGROUND, background, false);
    const QSize size = Skin.GetSize(BACKGROUND);
    SetCanvasSize(size.width(), size.height() - 20);
    move(PAGE_LEFT, PAGE_TOP);
    hide();
    TimerPolling.setSingleShot(true);
    connect(&TimerPolling, &QTimer::timeout, this, &TPage::TimerPollingTimer);
}

TPage::~TPage() = default;

void TPage::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
    EnableControls(LinkOpen());
}

void TPage::Deactivate()
{
    AttachBoard(nullptr);
    EnableControls(false);
}

void TPage::FormPaint()
{
    Skin.Draw(BACKGROUND, 0, 0);
    Buttons.PaintAll();
}

void TPage::FormMouseDown(int x, int y) { Buttons.MouseDown(x, y); }

void TPage::FormMouseMove(int x, int y) { Buttons.MouseMove(x, y, true); }

void TPage::FormMouseUp(int x, int y)
{
    const int id = Buttons.MouseUp(x, y);
    if (id >= 0)
        ButtonClick(id);
}

void TPage::SubmitWith(QLineEdit* edit, int id)
{
    connect(edit, &QLineEdit::returnPressed, this, [this, id] { PressButton(&Buttons, id); });
}

bool TPage::ButtonEnabled(int id) const
{
    const ui::TCustomButton* button = Buttons.FindById(id);
    return button && button->Enabled();
}

void TPage::RaiseLinkFailure()
{
    qCInfo(lcPages) << metaObject()->className()
                    << "lost the link:" << (m_Board ? LinkFailureText(m_Board->LastFailure()) : "no board");
    StopPolling();
    if (OnLinkFailure)
        OnLinkFailure();
    EnableControls(LinkOpen());
}

bool TPage::LinkOpen() const { return m_Board && m_Board->IsOpen(); }

void TPage::StartPolling(int periodMs)
{
    m_PollPeriodMs = periodMs;
    TimerPolling.start(periodMs);
}

void TPage::TimerPollingTimer()
{
    TimerPolling.stop();
    if (!m_Board)
        return;
    const bool ok = Poll();
    if (!m_Board)
        return; // detached while polling
    if (ok)
        TimerPolling.start(m_PollPeriodMs);
    else
        RaiseLinkFailure();
}

bool TPage::SwitchChannel(std::uint8_t channel, bool on, bool& accepted)
{
    accepted = true;
    TBoard* board = Board();
    if (!board)
        return true;
    std::lock_guard<TBoard> guard(*board);
    if (!board->IsOpen())
        return true;
    return board->ChannelEnable(accepted, channel, on ? 1 : 0);
}
