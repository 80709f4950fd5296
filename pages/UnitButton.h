#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"

class TFormButton : public TPage {
    Q_OBJECT

public:
    explicit TFormButton(QWidget* parent);
    ~TFormButton() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

protected:
    void FormPaint() override;

private:
    ui::TBitmapManager Skin;
};
