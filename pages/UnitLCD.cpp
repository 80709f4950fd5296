#include "pages/UnitLCD.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "core/LcdText.h"
#include "pages/PageText.h"
#include "ui/Seams.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <mutex>

namespace {

// The LCD's characters are all one width, and a full line of the widest must fit the
// box: Arial 14 would show only eleven of sixteen "W"s. A fixed-pitch face as large as
// fits, never larger than the 14 points the box was drawn for.
QFont LineFont(const QLineEdit& edit)
{
    const int room = TFormLCD::TextRoom(edit.width());
    QFont font = pagetext::PointFont("Courier New", 14);
    font.setFixedPitch(true);
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(QString(lcd::LINE_CHARS, QChar('W'))) > room)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& text, const QRect& rect)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setGeometry(rect);
    edit->setTextMargins(TFormLCD::TEXT_MARGIN, 0, TFormLCD::TEXT_MARGIN, 0);
    edit->setFont(LineFont(*edit));
    edit->setMaxLength(lcd::LINE_CHARS);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Base, Qt::white);
    edit->setPalette(palette);
    return edit;
}

} // namespace

TFormLCD::TFormLCD(QWidget* parent)
    : TPage(parent, "TAB_DLG_BK")
{
    LabelCaption
        = pagetext::MakeLabel(this, "Character LCD", 104, 88, pagetext::PointFont("Arial", 10), pagetext::CAPTION_CYAN);
    EditLine0 = MakeEdit(this, "VX5h-260", QRect(101, 112, 186, 32));
    EditLine1 = MakeEdit(this, "Control Panel", QRect(101, 142, 186, 32));
    EditLine0->setAccessibleName(QStringLiteral("LCD line 1"));
    EditLine1->setAccessibleName(QStringLiteral("LCD line 2"));

    ButtonSet = new QPushButton("Set", this);
    ButtonSet->move(SET_LEFT, SET_TOP);
    ButtonSet->hide();
    Buttons.Add(ID_SET, "Set", SET_TOP, SET_LEFT, "NORMAL_BTN");
    SubmitWith(EditLine0, ID_SET);
    SubmitWith(EditLine1, ID_SET);
    EnableSet(false);
}

TFormLCD::~TFormLCD() = default;

void TFormLCD::Activate(TBoard* board)
{
    AttachBoard(board);
    ShowInfo("", INFO_GREEN);
    if (!LinkOpen()) {
        EnableSet(false);
        return;
    }
    EnableSet(true);
    ShowInfo("", INFO_YELLOW);
}

void TFormLCD::Deactivate()
{
    ShowInfo("", INFO_YELLOW);
    AttachBoard(nullptr);
    EnableSet(false);
}

bool TFormLCD::IsSetEnabled() const { return ButtonEnabled(ID_SET); }

void TFormLCD::EnableSet(bool enabled) { Buttons.SetEnabled(ID_SET, enabled); }

void TFormLCD::ButtonClick(int id)
{
    if (id == ID_SET)
        ButtonSetClick();
}

bool TFormLCD::Send(const std::vector<std::uint8_t>& bytes, bool& accepted)
{
    TBoard* board = Board();
    accepted = false;
    if (!board)
        return false;
    std::lock_guard<TBoard> lock(*board);
    return board->ChannelWrite(accepted, protocol::CHANNEL_LCD, static_cast<std::int32_t>(bytes.size()), bytes.data());
}

void TFormLCD::ButtonSetClick()
{
    if (!Board() || !IsSetEnabled())
        return;
    const std::string line0 = EditLine0->text().toStdString();
    const std::string line1 = EditLine1->text().toStdString();
    // The LCD would show other glyphs in their place, so nothing is sent.
    const std::string unshowable = lcd::UnshowableText(line0, line1);
    if (!unshowable.empty()) {
        ShowInfo(QString::fromStdString(unshowable), INFO_RED);
        ui::ShowMessage(this, ui::TMessageKind::Warning, QStringLiteral("Warning"), QString::fromStdString(unshowable));
        return;
    }
    ui::SetWindowCursor(this, ui::TCursor::HourGlass);
    EnableSet(false);
    ShowInfo("LCD Setting...", INFO_YELLOW);

    bool accepted = false;
    const bool exchanged = Send(lcd::LcdBytes(line0, line1), accepted);
    const lcd::TSetOutcome outcome = lcd::SetOutcome(exchanged, accepted);
    ShowInfo(QString::fromStdString(outcome.infoText), outcome.success ? INFO_GREEN : INFO_RED);
    if (!outcome.errorBox.empty())
        ui::ShowMessage(
            this, ui::TMessageKind::Error, QStringLiteral("Error"), QString::fromStdString(outcome.errorBox));

    ui::SetWindowCursor(this, ui::TCursor::Default);
    if (outcome.linkFailure)
        RaiseLinkFailure();
    // The page may have been left while the box was up, or the link closed.
    EnableSet(LinkOpen());
}
