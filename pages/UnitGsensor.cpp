#include "pages/UnitGsensor.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "core/GsensorMath.h"
#include "pages/PageText.h"
#include "ui/Fonts.h"

#include <QLabel>
#include <mutex>

namespace {

const QColor LIME(0, 255, 0);

} // namespace

TFormGsensor::TFormGsensor(QWidget* parent)
    : TPage(parent, "GSENSOR_DLG_BK")
{
    const QFont labelFont = ui::PixelFont("MS Sans Serif", 16);
    LabelFan = pagetext::MakeLabel(
        this, "X/Y/Z Accelerometer  (-2g~+2g)", 82, 32, pagetext::PointFont("Arial", 10), QColor(0, 255, 48));
    LabelX = pagetext::MakeLabel(this, "", 14, 99, labelFont, LIME);
    LabelY = pagetext::MakeLabel(this, "", 14, 151, labelFont, LIME);
    LabelZ = pagetext::MakeLabel(this, "", 14, 203, labelFont, LIME);
    LabelXDeg = pagetext::MakeLabel(this, "", 250, 88, labelFont, LIME);
    LabelYDeg = pagetext::MakeLabel(this, "", 145, 150, labelFont, LIME);

    m_DrawLevel = std::make_unique<TDrawLevel>(
        117, 64, "XY_LEVEL_BMP", "XY_BUBBLE_BMP", "X_LEVEL_BMP", "X_BUBBLE_BMP", "Y_LEVEL_BMP", "Y_BUBBLE_BMP");
}

TFormGsensor::~TFormGsensor() = default;

void TFormGsensor::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
    if (!LinkOpen())
        return;
    bool ok;
    {
        std::lock_guard<TBoard> lock(*board);
        ok = board->GsensorInit();
    }
    // The sensor must be set up before it can be read; without that there is nothing to poll.
    if (ok)
        StartPolling(POLL_PERIOD_MS);
    else
        RaiseLinkFailure();
}

void TFormGsensor::Deactivate()
{
    AttachBoard(nullptr);
    StopPolling();
}

bool TFormGsensor::Poll()
{
    TBoard* board = Board();
    if (!board)
        return false;
    std::int16_t x = 0, y = 0, z = 0;
    bool ok;
    {
        std::lock_guard<TBoard> lock(*board);
        ok = board->GsensorRead(x, y, z);
    }
    // A board at rest reads the same counts fifty times a second: only a change is drawn.
    const bool unchanged = ok && m_ReadingValid && x == m_X && gsensor::StoredY(y) == m_Y && z == m_Z;
    m_ReadingValid = ok;
    if (ok) {
        m_X = x;
        m_Y = gsensor::StoredY(y);
        m_Z = z;
    }
    if (!unchanged)
        ShowReading();
    return ok;
}

void TFormGsensor::ShowReading()
{
    if (!m_ReadingValid) {
        // The tilts and the levels keep the last good reading.
        LabelX->setText("");
        LabelY->setText("");
        LabelZ->setText("");
        return;
    }
    const gsensor::TGsensorView view = gsensor::ViewOf(m_X, m_Y, m_Z);
    pagetext::SetAutoText(LabelX, QString::fromStdString(view.textX));
    pagetext::SetAutoText(LabelY, QString::fromStdString(view.textY));
    pagetext::SetAutoText(LabelZ, QString::fromStdString(view.textZ));
    pagetext::SetAutoText(LabelXDeg, QString::fromStdString(view.textTiltX));
    pagetext::SetAutoText(LabelYDeg, QString::fromStdString(view.textTiltY));
    m_Levels = TLevels{view.tiltX, view.tiltY, view.gX, view.gY};
    DrawLevels();
    ShowChange(m_DrawLevel->Bounds());
}

void TFormGsensor::DrawLevels()
{
    if (m_Levels)
        m_DrawLevel->Draw(Canvas(), m_Levels->tiltX, m_Levels->tiltY, m_Levels->gX, m_Levels->gY);
}

void TFormGsensor::FormPaint()
{
    // A whole redraw (the window moved to a screen of another scale) keeps the levels: a
    // board at rest sends no new reading that would bring them back.
    TPage::FormPaint();
    DrawLevels();
}
