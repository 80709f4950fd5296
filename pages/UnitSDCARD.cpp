#include "pages/UnitSDCARD.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "core/SdCardOutcome.h"
#include "pages/PageText.h"
#include "ui/Seams.h"

#include <QLabel>
#include <QPushButton>
#include <mutex>
#include <string>

TFormSDCARD::TFormSDCARD(QWidget* parent)
    : TPage(parent, "SDCARD_DLG_BK")
{
    const QFont heading = pagetext::PointFont("Arial", 10);
    const QFont value = pagetext::PointFont("Arial", 8);
    LabelCID = pagetext::MakeLabel(this, "Card Identification", 24, 8, heading, pagetext::CAPTION_CYAN);
    LabelSDCARD_CID = pagetext::MakeFixedLabel(this, "", QRect(32, 24, 280, 97), value, pagetext::TEXT_WHITE);
    LabelCSD = pagetext::MakeLabel(this, "Card Specific Data", 24, 116, heading, pagetext::CAPTION_CYAN);
    LabelSDCARD_CSD = pagetext::MakeFixedLabel(this, "", QRect(32, 132, 272, 89), value, pagetext::TEXT_WHITE);
    LabelFAT = pagetext::MakeLabel(this, "File System:", 24, 222, heading, pagetext::CAPTION_CYAN);
    LabelSDCARD_FAT = pagetext::MakeFixedLabel(this, "", QRect(32, 238, 193, 25), value, pagetext::TEXT_WHITE);

    // The standard button stays hidden; the skinned one in its place is what users see.
    ButtonSDCARD = new QPushButton("Read", this);
    ButtonSDCARD->move(READ_LEFT, READ_TOP);
    ButtonSDCARD->hide();
    Buttons.Add(ID_READ, "Read", READ_TOP, READ_LEFT, "NORMAL_BTN");
    EnableControls(false);
    ClearTexts();
}

TFormSDCARD::~TFormSDCARD() = default;

bool TFormSDCARD::ReadEnabled() const { return ButtonEnabled(ID_READ); }

void TFormSDCARD::EnableControls(bool enabled)
{
    Buttons.SetEnabled(ID_READ, enabled);
    ButtonSDCARD->setEnabled(enabled);
}

void TFormSDCARD::ClearTexts()
{
    LabelSDCARD_CID->setText("");
    LabelSDCARD_CSD->setText("");
    LabelSDCARD_FAT->setText("");
}

void TFormSDCARD::ButtonClick(int id)
{
    if (id == ID_READ)
        ReadClick();
}

void TFormSDCARD::ReadClick()
{
    TBoard* board = Board();
    if (!board || !ReadEnabled())
        return;
    // Stale texts never stand next to new ones.
    EnableControls(false);
    ClearTexts();
    repaint();

    bool present = false;
    std::string csd, fileSystem, cid;
    bool exchanged;
    {
        std::lock_guard<TBoard> lock(*board);
        board->FlushInput();
        exchanged = board->GetSdCardInfo(present, csd, fileSystem, cid);
    }

    const sdcard::TReadOutcome outcome = sdcard::ReadOutcome(exchanged, present);
    if (outcome.success) {
        LabelSDCARD_CSD->setText(QString::fromStdString(csd));
        LabelSDCARD_CID->setText(QString::fromStdString(cid));
        LabelSDCARD_FAT->setText(QString::fromStdString(fileSystem));
    }
    ShowInfo(QString::fromStdString(outcome.infoText), outcome.success ? INFO_GREEN : INFO_RED);
    if (!outcome.errorBox.empty())
        ui::ShowMessage(
            this, ui::TMessageKind::Error, QStringLiteral("Error"), QString::fromStdString(outcome.errorBox));
    if (!outcome.warningBox.empty())
        ui::ShowMessage(
            this, ui::TMessageKind::Warning, QStringLiteral("Warning"), QString::fromStdString(outcome.warningBox));

    if (outcome.linkFailure)
        RaiseLinkFailure();
    // The page may have been left while the message box was up, or the link closed.
    EnableControls(LinkOpen());
}
