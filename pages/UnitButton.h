#pragma once

#include "pages/Page.h"

#include <cstdint>

// The switches page: the live state of the four pushbuttons and eighteen slide
// switches, polled every 100 ms while the page is active. It only redraws when the
// state read differs from the state drawn, so a steady board costs one command per poll.
class TFormButton : public TPage {
    Q_OBJECT

public:
    explicit TFormButton(QWidget* parent);
    ~TFormButton() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

    std::uint32_t LastRead() const { return m_LastRead; }
    std::uint32_t LastDrawn() const { return m_LastDrawn; }
    // How many times the inputs were drawn (each repaint and each change).
    int DrawCount() const { return m_DrawCount; }

    static constexpr int POLL_PERIOD_MS = 100;

protected:
    void FormPaint() override;
    bool Poll() override;

private:
    enum {
        KEY_SW_UP = BACKGROUND + 1,
        KEY_SW_DOWN,
        KEY_BUTTON_UP,
        KEY_BUTTON_DOWN
    };

    std::uint32_t m_LastRead = 0;
    std::uint32_t m_LastDrawn = 0;
    int m_DrawCount = 0;
};
