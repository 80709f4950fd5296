#pragma once

#include "ui/SkinnedWindow.h"

#include <QTimer>
#include <functional>

class TBoard;

// Base of the eleven page windows. The main window attaches the board when a page
// becomes active and detaches it when the page is left; pages never own the board.
//
// Polling pattern shared by the pages that watch the board: the timer is a one-shot
// that is re-armed only after a successful poll, so polls never overlap and a page
// whose link failed polls no more. A tick that arrives after Deactivate finds no board
// and does nothing.
class TPage : public ui::TSkinnedWindow {
    Q_OBJECT

public:
    // Created hidden at the page area's origin of `parent`.
    explicit TPage(QWidget* parent);
    ~TPage() override;

    virtual void Activate(TBoard* board) = 0;
    virtual void Deactivate() = 0;

    // Raised when a board exchange fails; the main window then disconnects. Bound by
    // the main window before every activation.
    std::function<void()> OnLinkFailure;

    TBoard* Board() const { return m_Board; }
    bool IsPolling() const { return TimerPolling.isActive(); }

    static constexpr int PAGE_LEFT = 204;
    static constexpr int PAGE_TOP = 288;

protected:
    // Stops polling first, then tells the main window.
    void RaiseLinkFailure();

    // Keeps the board reference (null detaches).
    void AttachBoard(TBoard* board) { m_Board = board; }
    // True when a board is attached and its link is open.
    bool LinkOpen() const;

    // Arms the one-shot polling timer with `periodMs`.
    void StartPolling(int periodMs);
    void StopPolling() { TimerPolling.stop(); }

    // One poll; returns false on a failed exchange (which ends polling and raises
    // OnLinkFailure). Called only while a board is attached.
    virtual bool Poll() { return true; }

    QTimer TimerPolling;

private:
    void TimerPollingTimer();

    TBoard* m_Board = nullptr;
    int m_PollPeriodMs = 0;
};
