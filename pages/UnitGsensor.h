#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"

class TFormGsensor : public TPage {
    Q_OBJECT

public:
    explicit TFormGsensor(QWidget* parent);
    ~TFormGsensor() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

protected:
    void FormPaint() override;

private:
    ui::TBitmapManager Skin;
};
