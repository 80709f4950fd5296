#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"

class TFormRS232 : public TPage {
    Q_OBJECT

public:
    explicit TFormRS232(QWidget* parent);
    ~TFormRS232() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

protected:
    void FormPaint() override;

private:
    ui::TBitmapManager Skin;
};
