#pragma once

#include "pages/Page.h"
#include "ui/ButtonManager.h"

#include <cstdint>

// The LED page: 27 clickable LEDs (nine green, eighteen red) and "Light All" /
// "Unlight All". Every change goes to the board at once as one mask; the page cannot
// read the LEDs back, so its choice survives deactivation and is sent again after every
// connect (SendShownState).
class TFormLED : public TPage {
    Q_OBJECT

public:
    explicit TFormLED(QWidget* parent);
    ~TFormLED() override;

    // Whether LED `id` (0-8 green, 9-26 red) is shown lit.
    bool LedLit(int id) const { return LedButtons.IsSelected(id); }
    int EnabledButtonCount() const override { return Buttons.EnabledCount() + LedButtons.EnabledCount(); }
    // The mask that a send would carry now.
    std::uint32_t CurrentMask() const;
    bool SendShownState(TBoard& board) override;

    enum {
        ID_LIGHT_ALL = 0,
        ID_UNLIGHT_ALL = 1
    };

protected:
    // The LEDs are a toggle group of their own; the push group holds the two "all"
    // buttons.
    void FormPaint() override;
    void FormMouseDown(int x, int y) override;
    void FormMouseMove(int x, int y) override;
    void FormMouseUp(int x, int y) override;
    void ButtonClick(int id) override;
    void EnableControls(bool enabled) override;

private:
    void LedClick(int id);
    void SetAll(bool lit);
    void SendMask();

    ui::TButtonManager LedButtons;
};
