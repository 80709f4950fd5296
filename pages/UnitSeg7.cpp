#include "pages/UnitSeg7.h"

#include "app/ShowInfo.h"

TFormSeg7::TFormSeg7(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
{
    Skin.Add(0, "TAB_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
}

TFormSeg7::~TFormSeg7() = default;

void TFormSeg7::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
}

void TFormSeg7::Deactivate()
{
    AttachBoard(nullptr);
}

void TFormSeg7::FormPaint()
{
    Skin.Draw(0, 0, 0);
}
