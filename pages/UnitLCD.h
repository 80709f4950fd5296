#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"

class TFormLCD : public TPage {
    Q_OBJECT

public:
    explicit TFormLCD(QWidget* parent);
    ~TFormLCD() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

protected:
    void FormPaint() override;

private:
    ui::TBitmapManager Skin;
};
