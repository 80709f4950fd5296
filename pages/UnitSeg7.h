#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"

class TFormSeg7 : public TPage {
    Q_OBJECT

public:
    explicit TFormSeg7(QWidget* parent);
    ~TFormSeg7() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

protected:
    void FormPaint() override;

private:
    ui::TBitmapManager Skin;
};
