#pragma once

#include "pages/Page.h"

#include <cstdint>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

// The LCD page: two lines of text shown on the board's character LCD. One command, Set;
// no polling.
class TFormLCD : public TPage {
    Q_OBJECT

public:
    explicit TFormLCD(QWidget* parent);
    ~TFormLCD() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

    // Runs the Set command (what a release over the Set button does).
    void ButtonSetClick();
    bool IsSetEnabled() const;

    static constexpr int ID_SET = 0;
    static constexpr int SET_LEFT = 161;
    static constexpr int SET_TOP = 197;
    // Pixels kept free on each side of a line's text (besides the frame's own).
    static constexpr int TEXT_MARGIN = 2;
    // The width a line's text may take in a box `width` pixels wide: less the frame (3 a
    // side) and the edit's own margin (2 a side) as well.
    static constexpr int TextRoom(int width) { return width - 2 * (3 + 2 + TEXT_MARGIN); }

    QLabel* LabelCaption = nullptr;
    QLineEdit* EditLine0 = nullptr;
    QLineEdit* EditLine1 = nullptr;
    QPushButton* ButtonSet = nullptr;

protected:
    void ButtonClick(int id) override;
    void EnableControls(bool enabled) override { EnableSet(enabled); }

private:
    // Sends the text; returns whether the exchange went through, `accepted` whether the
    // board took it.
    bool Send(const std::vector<std::uint8_t>& bytes, bool& accepted);
    void EnableSet(bool enabled);
};
