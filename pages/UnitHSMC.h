#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"
#include "ui/ButtonManager.h"

class QLabel;
class QPushButton;

// The HSMC page: the loopback test of the HSMC connector with an adapter plugged in,
// reporting PASS, or NG with the failing pins. One command, Verify; no polling.
class TFormHSMC : public TPage {
    Q_OBJECT

public:
    explicit TFormHSMC(QWidget* parent);
    ~TFormHSMC() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

    // Runs the Verify command (what a release over the Verify button does).
    void ButtonVerifyClick();
    bool VerifyEnabled() const;

    static constexpr int ID_VERIFY = 0;
    static constexpr int VERIFY_LEFT = 292;
    static constexpr int VERIFY_TOP = 234;

    QLabel* LabelCaption = nullptr;
    QLabel* LabelInstallHint = nullptr;
    QLabel* LabelInstall = nullptr;
    QLabel* LabelReinstall = nullptr;
    QLabel* LabelResult = nullptr;
    QPushButton* ButtonVerify = nullptr;

protected:
    void FormPaint() override;
    void FormMouseDown(int x, int y) override;
    void FormMouseMove(int x, int y) override;
    void FormMouseUp(int x, int y) override;

private:
    void EnableVerify(bool enabled);

    ui::TBitmapManager Skin;
    ui::TButtonManager Buttons;
};
