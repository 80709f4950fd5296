#include "pages/UnitLED.h"

#include "app/ShowInfo.h"

TFormLED::TFormLED(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
{
    Skin.Add(0, "TAB_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
}

TFormLED::~TFormLED() = default;

void TFormLED::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
}

void TFormLED::Deactivate()
{
    AttachBoard(nullptr);
}

void TFormLED::FormPaint()
{
    Skin.Draw(0, 0, 0);
}
