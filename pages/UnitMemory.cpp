#include "pages/UnitMemory.h"

#include "app/ShowInfo.h"

TFormMemory::TFormMemory(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
{
    Skin.Add(0, "MEMORY_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
}

TFormMemory::~TFormMemory() = default;

void TFormMemory::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
}

void TFormMemory::Deactivate()
{
    AttachBoard(nullptr);
}

void TFormMemory::FormPaint()
{
    Skin.Draw(0, 0, 0);
}
