#pragma once

#include "pages/Page.h"
#include "pages/Seg7Word.h"
#include "ui/BitmapManager.h"
#include "ui/ButtonManager.h"

// The seven-segment page: each of the eight digits steps through 0-F with its arrows,
// and every step goes to the board at once. The digits survive deactivation and are not
// re-sent on activation.
class TFormSeg7 : public TPage {
    Q_OBJECT

public:
    explicit TFormSeg7(QWidget* parent);
    ~TFormSeg7() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

    const seg7::TDigits& Digits() const { return m_Digits; }

protected:
    void FormPaint() override;
    void FormMouseDown(int x, int y) override;
    void FormMouseMove(int x, int y) override;
    void FormMouseUp(int x, int y) override;

private:
    void EnableButtons(bool enabled);
    void DrawDigits();
    void ButtonClick(int id);
    void SendDigits();

    ui::TBitmapManager Skin;
    ui::TButtonManager Buttons;
    seg7::TDigits m_Digits;
};
