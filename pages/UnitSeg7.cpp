#include "pages/UnitSeg7.h"

#include "board/Board.h"
#include "pages/PageText.h"

#include <mutex>

namespace {

constexpr int BUTTON_COUNT = 2 * seg7::DIGIT_COUNT;
// Bitmap key of the picture of value v.
int PictureKey(int value) { return value + 1; }

} // namespace

TFormSeg7::TFormSeg7(QWidget* parent)
    : TPage(parent, "TAB_DLG_BK")
{
    m_Digits.fill(8);
    for (int v = 0; v < 16; ++v)
        Skin.Add(PictureKey(v), seg7::DigitPicture(v), true);
    for (int d = 0; d < seg7::DIGIT_COUNT; ++d) {
        const QPoint up = seg7::UpButtonPlace(d);
        const QPoint down = seg7::DownButtonPlace(d);
        Buttons.Add(2 * d, QString(), up.y(), up.x(), "RIGHT_BTN");
        Buttons.Add(2 * d + 1, QString(), down.y(), down.x(), "LEFT_BTN");
        Buttons.SetAccessibleName(2 * d, seg7::DigitLabel(d) + " up");
        Buttons.SetAccessibleName(2 * d + 1, seg7::DigitLabel(d) + " down");
    }
    EnableControls(false);
}

TFormSeg7::~TFormSeg7() = default;

void TFormSeg7::EnableControls(bool enabled)
{
    for (int id = 0; id < BUTTON_COUNT; ++id)
        Buttons.SetEnabled(id, enabled);
}

void TFormSeg7::FormPaint()
{
    TPage::FormPaint();
    DrawDigits();
}

void TFormSeg7::DrawDigits()
{
    const QFont font = pagetext::PointFont("MS Sans Serif", 10);
    for (int d = 0; d < seg7::DIGIT_COUNT; ++d) {
        const QPoint picture = seg7::DigitPicturePlace(d);
        const QPoint label = seg7::DigitLabelPlace(d);
        Skin.Draw(PictureKey(m_Digits[d]), picture.x(), picture.y());
        pagetext::TextOut(Canvas(), label.x(), label.y(), seg7::DigitLabel(d), font, pagetext::CAPTION_CYAN);
    }
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

bool TFormSeg7::SendShownState(TBoard& board) { return board.SetSeg7(seg7::Seg7Word(m_Digits), 0); }

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
