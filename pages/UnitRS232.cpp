#include "pages/UnitRS232.h"

#include "app/ShowInfo.h"

TFormRS232::TFormRS232(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
{
    Skin.Add(0, "TAB_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
}

TFormRS232::~TFormRS232() = default;

void TFormRS232::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
}

void TFormRS232::Deactivate()
{
    AttachBoard(nullptr);
}

void TFormRS232::FormPaint()
{
    Skin.Draw(0, 0, 0);
}
