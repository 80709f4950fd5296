#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"

class TFormIR : public TPage {
    Q_OBJECT

public:
    explicit TFormIR(QWidget* parent);
    ~TFormIR() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

protected:
    void FormPaint() override;

private:
    ui::TBitmapManager Skin;
};
