#include "pages/UnitLCD.h"

#include "app/ShowInfo.h"

TFormLCD::TFormLCD(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
{
    Skin.Add(0, "TAB_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
}

TFormLCD::~TFormLCD() = default;

void TFormLCD::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
}

void TFormLCD::Deactivate()
{
    AttachBoard(nullptr);
}

void TFormLCD::FormPaint()
{
    Skin.Draw(0, 0, 0);
}
