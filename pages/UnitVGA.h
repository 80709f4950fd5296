#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"

class TFormVGA : public TPage {
    Q_OBJECT

public:
    explicit TFormVGA(QWidget* parent);
    ~TFormVGA() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

protected:
    void FormPaint() override;

private:
    ui::TBitmapManager Skin;
};
