#include "pages/UnitLED.h"

#include "board/Board.h"
#include "pages/LedLayout.h"
#include "pages/PageText.h"

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
    : TPage(parent, "TAB_DLG_BK")
    , LedButtons(this, ui::bmToggle, Canvas())
{
    // Every LED starts lit, with the page inactive until the board is attached.
    for (int id = 0; id < leds::LED_COUNT; ++id) {
        const QPoint place = leds::ButtonPlace(id);
        LedButtons.Add(id, QString(), place.y(), place.x(), leds::Picture(id, true));
        LedButtons.SetAccessibleName(id, leds::Label(id));
        LedButtons.SetSelected(id, true);
    }
    Buttons.Add(ID_LIGHT_ALL, "Light All", ALL_BUTTONS_TOP, LIGHT_ALL_LEFT, "NORMAL_BTN");
    Buttons.Add(ID_UNLIGHT_ALL, "Unlight All", ALL_BUTTONS_TOP, UNLIGHT_ALL_LEFT, "NORMAL_BTN");
    EnableControls(false);
}

TFormLED::~TFormLED() = default;

std::uint32_t TFormLED::CurrentMask() const
{
    return leds::LedMask([this](int id) { return LedButtons.IsSelected(id); });
}

bool TFormLED::SendShownState(TBoard& board) { return board.SetLed(CurrentMask()); }

void TFormLED::EnableControls(bool enabled)
{
    for (int id = 0; id < leds::LED_COUNT; ++id)
        LedButtons.SetEnabled(id, enabled);
    Buttons.SetEnabled(ID_LIGHT_ALL, enabled);
    Buttons.SetEnabled(ID_UNLIGHT_ALL, enabled);
}

void TFormLED::FormPaint()
{
    // The two groups do not overlap: their order does not matter.
    TPage::FormPaint();
    LedButtons.PaintAll();
    const QFont font = pagetext::PointFont("Arial", 7);
    for (int id = 0; id < leds::LED_COUNT; ++id)
        pagetext::TextOutCentred(Canvas(), leds::LabelCentreX(id), leds::LabelTop(id), leds::Label(id), font,
            leds::IsGreen(id) ? GREEN_LABEL : RED_LABEL);
}

void TFormLED::FormMouseDown(int x, int y)
{
    if (!LinkOpen())
        return;
    LedButtons.MouseDown(x, y);
    TPage::FormMouseDown(x, y);
}

void TFormLED::FormMouseMove(int x, int y)
{
    if (!LinkOpen())
        return;
    if (!LedButtons.MouseMove(x, y, false))
        TPage::FormMouseMove(x, y);
}

void TFormLED::FormMouseUp(int x, int y)
{
    // Both groups see the release so that neither keeps a stale pressed state; the
    // buttons do not overlap, so at most one of them answers with an id.
    const int led = LedButtons.MouseUp(x, y);
    if (led < 0) {
        TPage::FormMouseUp(x, y);
        return;
    }
    Buttons.MouseUp(x, y);
    LedClick(led);
}

void TFormLED::ButtonClick(int id)
{
    if (id == ID_LIGHT_ALL)
        SetAll(true);
    else if (id == ID_UNLIGHT_ALL)
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
