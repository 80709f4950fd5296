#include "pages/UnitVGA.h"

#include "app/ShowInfo.h"

TFormVGA::TFormVGA(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
{
    Skin.Add(0, "TAB_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
}

TFormVGA::~TFormVGA() = default;

void TFormVGA::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
}

void TFormVGA::Deactivate()
{
    AttachBoard(nullptr);
}

void TFormVGA::FormPaint()
{
    Skin.Draw(0, 0, 0);
}
