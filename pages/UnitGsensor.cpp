#include "pages/UnitGsensor.h"

#include "app/ShowInfo.h"

TFormGsensor::TFormGsensor(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
{
    Skin.Add(0, "GSENSOR_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
}

TFormGsensor::~TFormGsensor() = default;

void TFormGsensor::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
}

void TFormGsensor::Deactivate()
{
    AttachBoard(nullptr);
}

void TFormGsensor::FormPaint()
{
    Skin.Draw(0, 0, 0);
}
