#pragma once

#include "pages/Page.h"

class QLabel;
class QPushButton;

// The HSMC page: the loopback test of the HSMC connector with an adapter plugged in,
// reporting PASS, or NG with the failing pins. One command, Verify; no polling.
class TFormHSMC : public TPage {
    Q_OBJECT

public:
    explicit TFormHSMC(QWidget* parent);
    ~TFormHSMC() override;

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
    void ButtonClick(int id) override;
    void EnableControls(bool enabled) override;
};
