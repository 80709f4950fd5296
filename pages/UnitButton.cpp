#include "pages/UnitButton.h"

#include "app/ShowInfo.h"

TFormButton::TFormButton(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
{
    Skin.Add(0, "BT_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
}

TFormButton::~TFormButton() = default;

void TFormButton::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
}

void TFormButton::Deactivate()
{
    AttachBoard(nullptr);
}

void TFormButton::FormPaint()
{
    Skin.Draw(0, 0, 0);
}
