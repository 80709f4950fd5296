#pragma once

#include "pages/Page.h"
#include "ui/BitmapManager.h"

class TFormMemory : public TPage {
    Q_OBJECT

public:
    explicit TFormMemory(QWidget* parent);
    ~TFormMemory() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

    // Raised whenever the selected memory changes, so that the main window can move the
    // board outline; the main window binds it before every activation.
    std::function<void()> OnUpdateTestArea;
    // Position of the selected memory in the list (0..5), or -1 for none.
    int MemoryTypePosition() const { return m_MemoryPosition; }

protected:
    void FormPaint() override;

private:
    ui::TBitmapManager Skin;
    int m_MemoryPosition = 0;
};
