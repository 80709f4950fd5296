#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"

class TFormHSMC : public TPage {
    Q_OBJECT

public:
    explicit TFormHSMC(QWidget* parent);
    ~TFormHSMC() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

protected:
    void FormPaint() override;

private:
    ui::TBitmapManager Skin;
};
