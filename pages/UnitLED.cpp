#include "pages/UnitLED.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "pages/CanvasText.h"
#include "pages/LedMask.h"

#include <mutex>

namespace {

// Where the form's two standard buttons sit; the skinned buttons take their place.
constexpr int ALL_BUTTONS_TOP = 243;
constexpr int LIGHT_ALL_LEFT = 106;
constexpr int UNLIGHT_ALL_LEFT = 218;

const QColor GREEN_LABEL(0, 255, 48);
const QColor RED_LABEL(255, 0, 0);

} // namespace

TFormLED::TFormLED(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
    , LedButtons(this, ui::bmToggle, Canvas())
    , AllButtons(this, ui::bmPush, Canvas())
{
    Skin.Add(0, "TAB_DLG_BK", false);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);

    // Every LED starts lit, with the page inactive until the board is attached.
    for (int id = 0; id < leds::LED_COUNT; ++id) {
        const QPoint place = leds::ButtonPlace(id);
        LedButtons.Add(id, QString(), place.y(), place.x(), leds::Picture(id, true));
        LedButtons.SetSelected(id, true);
    }
    AllButtons.Add(ID_LIGHT_ALL, "Light All", ALL_BUTTONS_TOP, LIGHT_ALL_LEFT, "NORMAL_BTN");
    AllButtons.Add(ID_UNLIGHT_ALL, "Unlight All", ALL_BUTTONS_TOP, UNLIGHT_ALL_LEFT, "NORMAL_BTN");
    EnableButtons(false);
}

TFormLED::~TFormLED() = default;

void TFormLED::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
    EnableButtons(board && board->IsOpen());
}

void TFormLED::Deactivate()
{
    AttachBoard(nullptr);
    EnableButtons(false);
}

std::uint32_t TFormLED::CurrentMask() const
{
    return leds::LedMask([this](int id) { return LedButtons.IsSelected(id); });
}

void TFormLED::EnableButtons(bool enabled)
{
    for (int id = 0; id < leds::LED_COUNT; ++id)
        LedButtons.SetEnabled(id, enabled);
    AllButtons.SetEnabled(ID_LIGHT_ALL, enabled);
    AllButtons.SetEnabled(ID_UNLIGHT_ALL, enabled);
}

void TFormLED::FormPaint()
{
    Skin.Draw(0, 0, 0);
    LedButtons.PaintAll();
    AllButtons.PaintAll();
    const QFont font = pagetext::PageFont("Arial", 7);
    for (int id = 0; id < leds::LED_COUNT; ++id)
        pagetext::TextOutCentred(Canvas(), leds::LabelCentreX(id), leds::LabelTop(id), leds::Label(id), font,
                                 leds::IsGreen(id) ? GREEN_LABEL : RED_LABEL);
}

void TFormLED::FormMouseDown(int x, int y)
{
    if (!LinkOpen())
        return;
    LedButtons.MouseDown(x, y);
    AllButtons.MouseDown(x, y);
}

void TFormLED::FormMouseMove(int x, int y)
{
    if (!LinkOpen())
        return;
    if (!LedButtons.MouseMove(x, y, false))
        AllButtons.MouseMove(x, y, true);
}

void TFormLED::FormMouseUp(int x, int y)
{
    // Both groups see the release so that neither keeps a stale pressed state; the
    // buttons do not overlap, so at most one of them answers with an id.
    const int led = LedButtons.MouseUp(x, y);
    const int all = AllButtons.MouseUp(x, y);
    if (led >= 0)
        LedClick(led);
    else if (all == ID_LIGHT_ALL)
        SetAll(true);
    else if (all == ID_UNLIGHT_ALL)
        SetAll(false);
}

void TFormLED::LedClick(int id)
{
    // The group has already flipped the button; its picture follows.
    LedButtons.SetBitmap(id, leds::Picture(id, LedButtons.IsSelected(id)));
    SendMask();
}

void TFormLED::SetAll(bool lit)
{
    for (int id = 0; id < leds::LED_COUNT; ++id) {
        LedButtons.SetBitmap(id, leds::Picture(id, lit));
        LedButtons.SetSelected(id, lit);
    }
    SendMask();
}

void TFormLED::SendMask()
{
    TBoard* board = Board();
    if (!board)
        return;
    bool sent = true;
    {
        std::lock_guard<TBoard> guard(*board);
        // A closed link sends nothing: the choice stays on screen for the next connect.
        if (board->IsOpen())
            sent = board->SetLed(CurrentMask());
    }
    if (!sent)
        RaiseLinkFailure();
}
