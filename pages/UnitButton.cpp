#include "pages/UnitButton.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "pages/PageText.h"
#include "pages/SwitchLayout.h"

#include <mutex>

TFormButton::TFormButton(QWidget* parent)
    : TPage(parent, "BT_DLG_BK")
{
    Skin.Add(KEY_SW_UP, "SW_UP", true);
    Skin.Add(KEY_SW_DOWN, "SW_DOWN", true);
    Skin.Add(KEY_BUTTON_UP, "BUTTON_UP", true);
    Skin.Add(KEY_BUTTON_DOWN, "BUTTON_DOWN", true);
}

TFormButton::~TFormButton() = default;

void TFormButton::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
    if (LinkOpen()) {
        StartPolling(POLL_PERIOD_MS);
        ShowInfo("Monitor Switches and Pushbuttons...", INFO_YELLOW);
    }
}

void TFormButton::Deactivate()
{
    ShowInfo("", INFO_YELLOW);
    StopPolling();
    AttachBoard(nullptr);
}

bool TFormButton::Poll()
{
    TBoard* board = Board();
    if (!board)
        return false;
    bool changed = false;
    {
        std::lock_guard<TBoard> guard(*board);
        if (!board->IsOpen() || !board->GetSwitchKeyState(m_LastRead))
            return false;
        if (m_LastRead != m_LastDrawn) {
            m_LastDrawn = m_LastRead;
            changed = true;
        }
    }
    if (changed)
        RepaintCanvas();
    return true;
}

void TFormButton::FormPaint()
{
    ++m_DrawCount;
    Skin.Draw(BACKGROUND, 0, 0);
    const QFont labelFont = pagetext::PointFont("Arial", 8);
    for (int bit = 0; bit < switches::INPUT_COUNT; ++bit) {
        const bool down = switches::IsDown(m_LastDrawn, bit);
        const int picture
            = switches::IsKey(bit) ? (down ? KEY_BUTTON_DOWN : KEY_BUTTON_UP) : (down ? KEY_SW_DOWN : KEY_SW_UP);
        const QPoint place = switches::PicturePlace(bit);
        Skin.Draw(picture, place.x(), place.y());
        pagetext::TextOutCentred(Canvas(), switches::LabelCentreX(bit), switches::LabelTop(bit), switches::Label(bit),
            labelFont, pagetext::TEXT_WHITE);
    }
    const QFont headingFont = pagetext::PointFont("Arial", 10);
    pagetext::TextOut(
        Canvas(), switches::HEADING_LEFT, switches::KEYS_HEADING_TOP, "Keys", headingFont, pagetext::CAPTION_CYAN);
    pagetext::TextOut(Canvas(), switches::HEADING_LEFT, switches::SWITCHES_HEADING_TOP, "Switches", headingFont,
        pagetext::CAPTION_CYAN);
}
