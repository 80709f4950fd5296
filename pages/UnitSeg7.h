#pragma once

#include "pages/Page.h"
#include "pages/Seg7Layout.h"

// The seven-segment page: each of the eight digits steps through 0-F with its arrows,
// and every step goes to the board at once. The digits survive deactivation and are not
// re-sent on activation, only after a connect (SendShownState).
class TFormSeg7 : public TPage {
    Q_OBJECT

public:
    explicit TFormSeg7(QWidget* parent);
    ~TFormSeg7() override;

    const seg7::TDigits& Digits() const { return m_Digits; }
    bool SendShownState(TBoard& board) override;

protected:
    void FormPaint() override;
    void ButtonClick(int id) override;
    void EnableControls(bool enabled) override;

private:
    void DrawDigits();
    void SendDigits();

    seg7::TDigits m_Digits;
};
