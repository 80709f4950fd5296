#include "pages/UnitSDCARD.h"

#include "app/ShowInfo.h"

TFormSDCARD::TFormSDCARD(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
{
    Skin.Add(0, "SDCARD_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
}

TFormSDCARD::~TFormSDCARD() = default;

void TFormSDCARD::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
}

void TFormSDCARD::Deactivate()
{
    AttachBoard(nullptr);
}

void TFormSDCARD::FormPaint()
{
    Skin.Draw(0, 0, 0);
}
