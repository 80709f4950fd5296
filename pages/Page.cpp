#include "pages/Page.h"

#include "board/Board.h"

TPage::TPage(QWidget* parent)
    : ui::TSkinnedWindow(parent)
{
    move(PAGE_LEFT, PAGE_TOP);
    hide();
    TimerPolling.setSingleShot(true);
    connect(&TimerPolling, &QTimer::timeout, this, &TPage::TimerPollingTimer);
}

TPage::~TPage() = default;

void TPage::RaiseLinkFailure()
{
    StopPolling();
    if (OnLinkFailure)
        OnLinkFailure();
}

bool TPage::LinkOpen() const
{
    return m_Board && m_Board->IsOpen();
}

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
