#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"

class TFormLED : public TPage {
    Q_OBJECT

public:
    explicit TFormLED(QWidget* parent);
    ~TFormLED() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

protected:
    void FormPaint() override;

private:
    ui::TBitmapManager Skin;
};
