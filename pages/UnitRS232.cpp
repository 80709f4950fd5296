#include "pages/UnitRS232.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "core/Rs232Text.h"
#include "pages/PageText.h"
#include "ui/Seams.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <mutex>

namespace {

constexpr std::uint8_t CHANNEL = protocol::CHANNEL_RS232;

const QColor EDIT_BACKGROUND(64, 64, 64);

QPlainTextEdit* MakeEdit(QWidget* parent, int x, int y, const QFont& font)
{
    auto* edit = new QPlainTextEdit(parent);
    edit->setGeometry(x, y, 320, 60);
    // Tab walks the page; a tab character is no use on the serial line's text.
    edit->setTabChangesFocus(true);
    edit->setFont(font);
    edit->clear();
    return edit;
}

} // namespace

TFormRS232::TFormRS232(QWidget* parent)
    : TPage(parent, "TAB_DLG_BK")
{
    // The skinned buttons take the places of the form's standard Send and Clear buttons.
    Buttons.Add(ID_SEND, "Send", 242, 289, "NORMAL_BTN");
    Buttons.Add(ID_CLEAR, "Clear", 138, 289, "NORMAL_BTN");

    const QFont formFont = pagetext::PointFont("MS Sans Serif", 8);
    LabelCaption
        = pagetext::MakeLabel(this, "RS232 TX/RX", 32, 24, pagetext::PointFont("Arial", 10), pagetext::CAPTION_CYAN);
    LabelReceive = pagetext::MakeLabel(this, "Receive:", 32, 48, formFont, pagetext::TEXT_WHITE);
    LabelSend = pagetext::MakeLabel(this, "Send:", 32, 152, formFont, pagetext::TEXT_WHITE);
    EditRx = MakeEdit(this, 34, 72, formFont);
    // White text needs a dark box to be readable.
    QPalette rxPalette = EditRx->palette();
    rxPalette.setColor(QPalette::Base, EDIT_BACKGROUND);
    rxPalette.setColor(QPalette::Text, pagetext::TEXT_WHITE);
    EditRx->setPalette(rxPalette);
    EditSend = MakeEdit(this, 34, 176, formFont);
    EditRx->setAccessibleName(QStringLiteral("Received"));
    EditSend->setAccessibleName(QStringLiteral("Text to send"));
    // Enter sends, as Send beside the box does; Shift+Enter starts a new line.
    EditSend->installEventFilter(this);

    SetSendEnabled(false);
}

bool TFormRS232::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == EditSend && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !(key->modifiers() & Qt::ShiftModifier)) {
            PressButton(&Buttons, ID_SEND);
            return true;
        }
    }
    return TPage::eventFilter(watched, event);
}

TFormRS232::~TFormRS232() = default;

void TFormRS232::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
    if (!LinkOpen()) {
        SetSendEnabled(false);
        StopPolling();
        return;
    }
    if (SwitchReception(true)) {
        SetSendEnabled(true);
        StartPolling(POLL_PERIOD_MS);
        ShowInfo("RS232 Monitor...", INFO_YELLOW);
    } else {
        ShowInfo("Failed to start RS232", INFO_RED);
    }
}

void TFormRS232::Deactivate()
{
    StopPolling();
    SwitchReception(false);
    SetSendEnabled(false);
    AttachBoard(nullptr);
}

bool TFormRS232::SwitchReception(bool on)
{
    bool accepted = false;
    return SwitchChannel(CHANNEL, on, accepted) && accepted;
}

void TFormRS232::SetSendEnabled(bool enabled) { Buttons.SetEnabled(ID_SEND, enabled); }

bool TFormRS232::SendEnabled() const { return ButtonEnabled(ID_SEND); }

void TFormRS232::ButtonSendClick()
{
    TBoard* board = Board();
    if (!board || !SendEnabled())
        return;
    const std::string text = EditSend->toPlainText().toStdString();
    // Sent as it is or not at all: a '?' in place of a character is a changed text.
    const std::string unsendable = rs232::UnsendableText(text);
    if (!unsendable.empty()) {
        ShowInfo(QString::fromStdString(unsendable), INFO_RED);
        ui::ShowMessage(this, ui::TMessageKind::Warning, QStringLiteral("Warning"), QString::fromStdString(unsendable));
        return;
    }
    SetSendEnabled(false);
    const std::vector<std::uint8_t> bytes = rs232::SendBytes(text);
    ShowInfo("RS232 transmitting...", INFO_YELLOW);
    bool ok = false;
    bool exchanged = false;
    {
        std::lock_guard<TBoard> guard(*board);
        exchanged = board->ChannelWrite(ok, CHANNEL, static_cast<std::int32_t>(bytes.size()), bytes.data());
    }
    if (exchanged && ok)
        ShowInfo("RS232 transmit successfully.", INFO_GREEN);
    else
        ShowInfo("RS232 transmit fail.", INFO_RED);
    if (!exchanged)
        RaiseLinkFailure();
    SetSendEnabled(LinkOpen());
}

void TFormRS232::ButtonClearClick() { EditRx->clear(); }

bool TFormRS232::Poll()
{
    TBoard* board = Board();
    bool ok = false;
    std::uint8_t count = 0;
    std::uint8_t data[protocol::CHANNEL_CHUNK + 1] = {};
    bool exchanged = false;
    {
        std::lock_guard<TBoard> guard(*board);
        exchanged = board->ChannelRead(ok, CHANNEL, count, data);
    }
    if (!exchanged || !ok)
        ShowInfo("RS232 receive fail.", INFO_RED);
    else if (count > 0)
        AppendReceived(QString::fromStdString(rs232::ReceivedText(data, count)));
    // A refusal keeps the polling alive; only a lost exchange ends it.
    return exchanged;
}

void TFormRS232::AppendReceived(const QString& text)
{
    QTextCursor cursor(EditRx->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    EditRx->moveCursor(QTextCursor::End);
}

void TFormRS232::ButtonClick(int id)
{
    if (id == ID_SEND)
        ButtonSendClick();
    else if (id == ID_CLEAR)
        ButtonClearClick();
}
