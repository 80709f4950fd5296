#pragma once

#include "pages/Page.h"

class QLabel;
class QPlainTextEdit;

// The RS232 page: a small terminal. While the page is active the board's RS232
// receiver is on and polled every 100 ms, and what arrives is appended to EditRx; Send
// writes the text of EditSend out of the port.
class TFormRS232 : public TPage {
    Q_OBJECT

public:
    explicit TFormRS232(QWidget* parent);
    ~TFormRS232() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

    // The user actions, as the skinned buttons run them.
    void ButtonSendClick();
    void ButtonClearClick();
    bool SendEnabled() const;

    QLabel* LabelCaption;
    QLabel* LabelReceive;
    QPlainTextEdit* EditRx;
    QLabel* LabelSend;
    QPlainTextEdit* EditSend;

    static constexpr int POLL_PERIOD_MS = 100;
    enum {
        ID_SEND = 0,
        ID_CLEAR = 1
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void ButtonClick(int id) override;
    bool Poll() override;
    void EnableControls(bool enabled) override { SetSendEnabled(enabled); }

private:
    bool SwitchReception(bool on);
    void SetSendEnabled(bool enabled);
    void AppendReceived(const QString& text);
};
