#pragma once

#include "pages/MemoryTransfer.h"

#include <memory>

class QWidget;
class TFormProgress;

namespace memorypage {

// The progress dialog of the memory page's long operations: created and shown when an
// operation begins, destroyed when it ends, with pending events handled between steps.
class TDialogProgress final : public ITransferProgress {
public:
    explicit TDialogProgress(QWidget* owner);
    ~TDialogProgress() override;

    void Begin() override;
    void SetStatus(const std::string& text) override;
    void SetPercent(int percent) override;
    bool ProcessEventsAndCheckAbort() override;
    void End() override;

private:
    QWidget* m_Owner;
    std::unique_ptr<TFormProgress> m_Dialog;
};

} // namespace memorypage
