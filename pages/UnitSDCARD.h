#pragma once

#include "pages/Page.h"

class QLabel;
class QPushButton;

// The SD card page: on request, the card's identification (CID), its specific data (CSD)
// and the type of its file system. One command, Read; no polling.
class TFormSDCARD : public TPage {
    Q_OBJECT

public:
    explicit TFormSDCARD(QWidget* parent);
    ~TFormSDCARD() override;

    // Runs the Read command (what a release over the Read button does).
    void ReadClick();
    bool ReadEnabled() const;

    static constexpr int ID_READ = 0;
    static constexpr int READ_LEFT = 288;
    static constexpr int READ_TOP = 226;

    QLabel* LabelCID = nullptr;
    QLabel* LabelSDCARD_CID = nullptr;
    QLabel* LabelCSD = nullptr;
    QLabel* LabelSDCARD_CSD = nullptr;
    QLabel* LabelFAT = nullptr;
    QLabel* LabelSDCARD_FAT = nullptr;
    QPushButton* ButtonSDCARD = nullptr;

protected:
    void ButtonClick(int id) override;
    void EnableControls(bool enabled) override;

private:
    void ClearTexts();
};
