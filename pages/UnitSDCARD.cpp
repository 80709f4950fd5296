#include "pages/UnitSDCARD.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "pages/PeriphControls.h"
#include "ui/Seams.h"

#include <QLabel>
#include <QPushButton>
#include <mutex>
#include <string>

namespace {

const QColor HEADING(0, 234, 255);
const QColor WHITE(255, 255, 255);

const char* const ACCESS_FAILED = "Failed to access SDCARD.";
const char* const NO_CARD = "Failed to access the SDCARD.\nPlease make sure a SDCARD is pluged into the VX5h-260.";

} // namespace

TFormSDCARD::TFormSDCARD(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
    , Buttons(this, ui::bmPush, Canvas())
{
    Skin.Add(0, "SDCARD_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);

    const QFont heading = periph::PointFont("Arial", 10);
    const QFont value = periph::PointFont("Arial", 8);
    LabelCID = periph::MakeLabel(this, "Card Identification", 24, 8, heading, HEADING);
    LabelSDCARD_CID = periph::MakeFixedLabel(this, "", QRect(32, 24, 280, 97), value, WHITE);
    LabelCSD = periph::MakeLabel(this, "Card Specific Data", 24, 116, heading, HEADING);
    LabelSDCARD_CSD = periph::MakeFixedLabel(this, "", QRect(32, 132, 272, 89), value, WHITE);
    LabelFAT = periph::MakeLabel(this, "File System:", 24, 222, heading, HEADING);
    LabelSDCARD_FAT = periph::MakeFixedLabel(this, "", QRect(32, 238, 193, 25), value, WHITE);

    // The standard button stays hidden; the skinned one in its place is what users see.
    ButtonSDCARD = new QPushButton("Read", this);
    ButtonSDCARD->move(READ_LEFT, READ_TOP);
    ButtonSDCARD->hide();
    Buttons.Add(ID_READ, "Read", READ_TOP, READ_LEFT, "NORMAL_BTN");
    EnableRead(false);
    ClearTexts();
}

TFormSDCARD::~TFormSDCARD() = default;

void TFormSDCARD::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
    EnableRead(LinkOpen());
}

void TFormSDCARD::Deactivate()
{
    AttachBoard(nullptr);
    EnableRead(false);
}

bool TFormSDCARD::ReadEnabled() const
{
    const ui::TCustomButton* read = Buttons.FindById(ID_READ);
    return read && read->Enabled();
}

void TFormSDCARD::EnableRead(bool enabled)
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

void TFormSDCARD::FormPaint()
{
    Skin.Draw(0, 0, 0);
    Buttons.PaintAll();
}

void TFormSDCARD::FormMouseDown(int x, int y)
{
    Buttons.MouseDown(x, y);
}

void TFormSDCARD::FormMouseMove(int x, int y)
{
    Buttons.MouseMove(x, y, true);
}

void TFormSDCARD::FormMouseUp(int x, int y)
{
    if (Buttons.MouseUp(x, y) == ID_READ)
        ReadClick();
}

void TFormSDCARD::ReadClick()
{
    TBoard* board = Board();
    if (!board || !ReadEnabled())
        return;
    // Stale texts never stand next to new ones.
    EnableRead(false);
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

    if (!exchanged) {
        ClearTexts();
        ShowInfo(ACCESS_FAILED, INFO_RED);
        ui::ShowMessage(this, ui::TMessageKind::Error, QStringLiteral("Error"), ACCESS_FAILED);
    } else if (present) {
        LabelSDCARD_CSD->setText(QString::fromStdString(csd));
        LabelSDCARD_CID->setText(QString::fromStdString(cid));
        LabelSDCARD_FAT->setText(QString::fromStdString(fileSystem));
        ShowInfo("Read SDCARD read successfully", INFO_GREEN);
    } else {
        // No card, or a card that does not answer: the link itself is fine.
        ShowInfo(ACCESS_FAILED, INFO_RED);
        ui::ShowMessage(this, ui::TMessageKind::Warning, QStringLiteral("Warning"), NO_CARD);
    }

    // The page may have been left while the message box was up.
    EnableRead(LinkOpen());
    if (!exchanged)
        RaiseLinkFailure();
}
