#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"

class TFormSDCARD : public TPage {
    Q_OBJECT

public:
    explicit TFormSDCARD(QWidget* parent);
    ~TFormSDCARD() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

protected:
    void FormPaint() override;

private:
    ui::TBitmapManager Skin;
};
