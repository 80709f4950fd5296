#include "pages/UnitIR.h"

#include "app/ShowInfo.h"
#include "board/Board.h"
#include "pages/PageText.h"

#include <QLabel>
#include <mutex>

namespace {

constexpr std::uint8_t CHANNEL = protocol::CHANNEL_IR;

} // namespace

TFormIR::TFormIR(QWidget* parent)
    : TPage(parent, "IR_DLG_BK")
{
    // The skinned button takes the place of the form's standard Clear button.
    Buttons.Add(ID_CLEAR, "Clear", 232, 73, "NORMAL_BTN");

    const QFont font = pagetext::PointFont("Arial", 10);
    LabelCaption = pagetext::MakeLabel(this, "IR Receiver", 32, 32, font, pagetext::CAPTION_CYAN);
    LabelScanCode = pagetext::MakeLabel(this, "Scan Code (Heximal)", 32, 56, font, pagetext::TEXT_WHITE);
    LabelInfo = pagetext::MakeLabel(this, QString(), 97, 96, font, pagetext::TEXT_WHITE);
    // Two hex digits need only 20 pixels, but "IR not found" must be readable too: the
    // label reaches to the right edge of the list's dark well.
    LabelInfo->setFixedSize(33, 129);
    LabelInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelInfo->setWordWrap(true);
    LabelInfo->setTextFormat(Qt::PlainText);
}

TFormIR::~TFormIR() = default;

void TFormIR::Activate(TBoard* board)
{
    ShowInfo("", INFO_GREEN);
    ClearGlow();
    AttachBoard(board);
    if (!LinkOpen()) {
        StopPolling();
        return;
    }
    ShowInfo("IR Starting...", INFO_YELLOW);
    if (SwitchReception(true)) {
        StartPolling(POLL_PERIOD_MS);
        ShowInfo("IR Monitor...", INFO_YELLOW);
    } else {
        // "IR Starting..." would stay for ever over a receiver that never started.
        ShowInfo("Failed to start IR", INFO_RED);
    }
}

void TFormIR::Deactivate()
{
    SwitchReception(false);
    // The timer is left running: its next tick finds no board and stops.
    AttachBoard(nullptr);
}

bool TFormIR::SwitchReception(bool on)
{
    // Only the exchange counts: the receiver's answer is not examined.
    bool accepted = false;
    return SwitchChannel(CHANNEL, on, accepted);
}

bool TFormIR::Poll()
{
    // Twenty polls a second: the keys are drawn again only when a glow changed.
    const auto before = m_GlowLevels;
    for (std::uint8_t& level : m_GlowLevels)
        level = ir::FadeLevel(level);

    TBoard* board = Board();
    bool ok = false;
    std::uint8_t count = 0;
    std::uint8_t data[protocol::CHANNEL_CHUNK + 1] = {};
    bool exchanged = false;
    {
        std::lock_guard<TBoard> guard(*board);
        exchanged = board->ChannelRead(ok, CHANNEL, count, data);
    }
    if (!exchanged) {
        ShowInfoText(QString(), pagetext::TEXT_WHITE);
        ClearGlow();
        return false;
    }
    if (!ok) {
        ShowInfoText("IR not found", INFO_RED);
        ClearGlow();
        return true;
    }
    if (count > 0) {
        m_ScanCodes.Append(data, count);
        for (int i = 0; i < count; ++i) {
            const int key = ir::KeyForCode(data[i]);
            if (key >= 0)
                m_GlowLevels[key] = ir::GLOW_FULL;
        }
        ShowList();
    }
    if (m_GlowLevels != before)
        DrawKeys();
    return true;
}

void TFormIR::ClearGlow()
{
    const auto before = m_GlowLevels;
    m_GlowLevels.fill(0);
    if (m_GlowLevels != before)
        DrawKeys();
}

void TFormIR::DrawKeys()
{
    const QImage* background = Skin.GetBitmap(BACKGROUND);
    if (!background)
        return;
    ir::DrawKeys(Canvas(), *background, m_GlowLevels);
    ShowChange(ir::KeyArea());
}

void TFormIR::ShowList() { ShowInfoText(QString::fromStdString(m_ScanCodes.Text()), pagetext::TEXT_WHITE); }

void TFormIR::ShowInfoText(const QString& text, const QColor& colour)
{
    pagetext::SetLabelColour(LabelInfo, colour);
    LabelInfo->setText(text);
}

void TFormIR::ButtonClearClick()
{
    m_ScanCodes.Clear();
    ShowList();
}

void TFormIR::FormPaint()
{
    TPage::FormPaint();
    const QImage* background = Skin.GetBitmap(BACKGROUND);
    if (background)
        ir::DrawKeys(Canvas(), *background, m_GlowLevels);
}

void TFormIR::ButtonClick(int id)
{
    if (id == ID_CLEAR)
        ButtonClearClick();
}
