#include "pages/UnitIR.h"

#include "app/ShowInfo.h"

TFormIR::TFormIR(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
{
    Skin.Add(0, "IR_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
}

TFormIR::~TFormIR() = default;

void TFormIR::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
}

void TFormIR::Deactivate()
{
    AttachBoard(nullptr);
}

void TFormIR::FormPaint()
{
    Skin.Draw(0, 0, 0);
}
