#pragma once

#include "core/MemoryTransfer.h"

#include <cstdint>
#include <memory>

class QWidget;
class TFormProgress;

namespace memorypage {

// The progress dialog of the memory page's long operations: created and shown with the
// object, destroyed with it, with pending events handled between steps. The percentage
// is redrawn only when its whole number grows, so at most a hundred times.
class TDialogProgress final : public memory::ITransferProgress {
public:
    // `lag`: units left out of the count shown. The chip erase shows the blocks erased
    // before the one just done, so that its dialog closes at (n - 1) * 100 / n.
    explicit TDialogProgress(QWidget* owner, std::uint64_t lag = 0);
    ~TDialogProgress() override;

    void Advance(std::uint64_t done, std::uint64_t total) override;
    bool AbortRequested() override;

private:
    std::unique_ptr<TFormProgress> m_Dialog;
    std::uint64_t m_Lag;
    int m_Shown = -1;
};

// Runs `operation(progress)` under a progress dialog that is gone again when it returns.
template<typename Operation> auto WithProgressDialog(QWidget* owner, std::uint64_t lag, Operation operation)
{
    TDialogProgress progress(owner, lag);
    return operation(progress);
}

} // namespace memorypage
