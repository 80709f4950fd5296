#pragma once

#include "ui/BitmapManager.h"
#include "ui/ButtonManager.h"
#include "ui/SkinnedWindow.h"

#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

class QLineEdit;
class TBoard;

// Base of the eleven page windows. The main window attaches the board when a page
// becomes active and detaches it when the page is left; pages never own the board.
//
// Every page is a skinned canvas as wide as its background picture and 20 pixels less
// high (the pictures were drawn for the taller dialog frame), usually with a group of
// skinned push buttons. By default the page paints the background and then the
// buttons, forwards the mouse to the buttons and hands a released button's id to
// ButtonClick; pages with more to show or other buttons override what differs.
//
// Polling pattern shared by the pages that watch the board: the timer is a one-shot
// that is re-armed only after a successful poll, so polls never overlap and a page
// whose link failed polls no more. A tick that arrives after Deactivate finds no board
// and does nothing.
class TPage : public ui::TSkinnedWindow {
    Q_OBJECT

public:
    // Created hidden at the page area's origin of `parent`, with the named picture as
    // its background (Skin key BACKGROUND) and an empty push-button group.
    TPage(QWidget* parent, const QString& background);
    ~TPage() override;

    // By default a page's controls just follow the link: activation clears the
    // information line, attaches the board and enables the controls while the link is
    // open; deactivation detaches the board and disables them.
    virtual void Activate(TBoard* board);
    virtual void Deactivate();

    // Raised when a board exchange fails; the main window then disconnects. Bound by
    // the main window before every activation.
    std::function<void()> OnLinkFailure;

    TBoard* Board() const { return m_Board; }
    bool IsPolling() const { return TimerPolling.isActive(); }
    // How many of the page's skinned buttons are enabled.
    virtual int EnabledButtonCount() const { return Buttons.EnabledCount(); }
    // Sends what the page shows of the board's outputs to `board`, whose lock the caller
    // holds: the firmware cannot tell the host what its LEDs or digits show, and a board
    // shows what it started with or an earlier session left, so the main window has each
    // page send its state once a connect succeeded. Returns false on a failed exchange;
    // a page that shows no output sends nothing.
    virtual bool SendShownState(TBoard& /*board*/) { return true; }

    static constexpr int PAGE_LEFT = 204;
    static constexpr int PAGE_TOP = 288;

protected:
    // Skin key of the background picture; a page's own pictures take other keys.
    static constexpr int BACKGROUND = 0;

    // The background, then the push buttons.
    void FormPaint() override;
    // The push buttons see every press, move and release (hover resets the cursor).
    void FormMouseDown(int x, int y) override;
    void FormMouseMove(int x, int y) override;
    // A release over an enabled push button runs ButtonClick with its id.
    void FormMouseUp(int x, int y) override;
    virtual void ButtonClick(int /*id*/) { }

    // Switches a receiving character channel (IR, RS232) on or off under the board's
    // lock. Returns whether the exchange succeeded; `accepted` whether the board took it.
    // Without a board or an open link nothing is sent and both count as success.
    bool SwitchChannel(std::uint8_t channel, bool on, bool& accepted);
    // Enables or disables the page's controls (see Activate).
    virtual void EnableControls(bool /*enabled*/) { }

    // Whether push button `id` exists and is enabled.
    bool ButtonEnabled(int id) const;
    // Enter in `edit` presses push button `id`, the button the box goes with, exactly as
    // a click on it would (nothing while it is disabled).
    void SubmitWith(QLineEdit* edit, int id);

    // Stops polling first, then tells the main window, then sets the controls by the
    // link's state: once the main window has closed the link nothing stays live that
    // needs it (a click would only give a second error).
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

    ui::TBitmapManager Skin;
    ui::TButtonManager Buttons;
    QTimer TimerPolling;

private:
    void TimerPollingTimer();

    TBoard* m_Board = nullptr;
    int m_PollPeriodMs = 0;
};
