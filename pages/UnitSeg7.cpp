#include "pages/UnitSeg7.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "pages/CanvasText.h"

#include <mutex>

namespace {

constexpr int BUTTON_COUNT = 2 * seg7::DIGIT_COUNT;
// Bitmap key of the picture of value v.
int PictureKey(int value) { return value + 1; }

} // namespace

TFormSeg7::TFormSeg7(QWidget* parent)
    : TPage(parent)
    , Skin(Canvas(), this)
    , Buttons(this, ui::bmPush, Canvas())
{
    m_Digits.fill(8);
    Skin.Add(0, "TAB_DLG_BK", false);
    for (int v = 0; v < 16; ++v)
        Skin.Add(PictureKey(v), seg7::DigitPicture(v), true);
    const QSize size = Skin.GetSize(0);
    SetCanvasSize(size.width(), size.height() - 20);
    for (int d = 0; d < seg7::DIGIT_COUNT; ++d) {
        const QPoint up = seg7::UpButtonPlace(d);
        const QPoint down = seg7::DownButtonPlace(d);
        Buttons.Add(2 * d, QString(), up.y(), up.x(), "RIGHT_BTN");
        Buttons.Add(2 * d + 1, QString(), down.y(), down.x(), "LEFT_BTN");
    }
    EnableButtons(false);
}

TFormSeg7::~TFormSeg7() = default;

void TFormSeg7::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    AttachBoard(board);
    EnableButtons(LinkOpen());
}

void TFormSeg7::Deactivate()
{
    AttachBoard(nullptr);
    EnableButtons(false);
}

void TFormSeg7::EnableButtons(bool enabled)
{
    for (int id = 0; id < BUTTON_COUNT; ++id)
        Buttons.SetEnabled(id, enabled);
}

void TFormSeg7::FormPaint()
{
    Skin.Draw(0, 0, 0);
    Buttons.PaintAll();
    DrawDigits();
}

void TFormSeg7::DrawDigits()
{
    const QFont font = pagetext::PageFont("MS Sans Serif", 10);
    for (int d = 0; d < seg7::DIGIT_COUNT; ++d) {
        const QPoint picture = seg7::DigitPicturePlace(d);
        const QPoint label = seg7::DigitLabelPlace(d);
        Skin.Draw(PictureKey(m_Digits[d]), picture.x(), picture.y());
        pagetext::TextOut(Canvas(), label.x(), label.y(), seg7::DigitLabel(d), font, pagetext::CAPTION_CYAN);
    }
}

void TFormSeg7::FormMouseDown(int x, int y)
{
    Buttons.MouseDown(x, y);
}

void TFormSeg7::FormMouseMove(int x, int y)
{
    Buttons.MouseMove(x, y, true);
}

void TFormSeg7::FormMouseUp(int x, int y)
{
    const int id = Buttons.MouseUp(x, y);
    if (id >= 0 && id < BUTTON_COUNT)
        ButtonClick(id);
}

void TFormSeg7::ButtonClick(int id)
{
    int& digit = m_Digits[seg7::DigitOfButton(id)];
    digit = seg7::StepDigit(digit, seg7::ButtonStepsUp(id));
    // The digit pictures are transparent: the background under them is redrawn with
    // the whole canvas before the new value is drawn.
    RepaintCanvas();
    SendDigits();
}

void TFormSeg7::SendDigits()
{
    TBoard* board = Board();
    if (!board)
        return;
    bool sent = false;
    {
        std::lock_guard<TBoard> guard(*board);
        if (board->IsOpen())
            sent = board->SetSeg7(seg7::Seg7Word(m_Digits), 0);
    }
    if (!sent)
        RaiseLinkFailure();
}
