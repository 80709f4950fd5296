#include "pages/UnitHSMC.h"

#include "app/ShowInfo.h"

TFormHSMC::TFormHSMC(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
{
    Skin.Add(0, "HSMC_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
}

TFormHSMC::~TFormHSMC() = default;

void TFormHSMC::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
}

void TFormHSMC::Deactivate()
{
    AttachBoard(nullptr);
}

void TFormHSMC::FormPaint()
{
    Skin.Draw(0, 0, 0);
}
