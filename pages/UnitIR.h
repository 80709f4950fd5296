#pragma once

#include "pages/IrKeyDrawing.h"
#include "pages/Page.h"

class QLabel;

// The IR page: while active the board's IR receiver is on and polled every 50 ms. Each
// received scan code is listed (the eight most recent), and a code of a key of the
// pictured remote lights a ring on that key that fades out over the next polls.
class TFormIR : public TPage {
    Q_OBJECT

public:
    explicit TFormIR(QWidget* parent);
    ~TFormIR() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

    void ButtonClearClick();

    std::uint8_t GlowLevel(int key) const { return m_GlowLevels[key]; }
    const ir::TScanCodeList& ScanCodes() const { return m_ScanCodes; }

    QLabel* LabelCaption;
    QLabel* LabelScanCode;
    QLabel* LabelInfo;

    static constexpr int POLL_PERIOD_MS = 50;
    enum {
        ID_CLEAR = 0
    };

protected:
    void FormPaint() override;
    void ButtonClick(int id) override;
    bool Poll() override;

private:
    bool SwitchReception(bool on);
    void DrawKeys();
    void ClearGlow();
    void ShowList();
    void ShowInfoText(const QString& text, const QColor& colour);

    ir::TScanCodeList m_ScanCodes;
    ir::TGlowLevels m_GlowLevels{};
};
