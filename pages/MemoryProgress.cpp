#include "pages/MemoryProgress.h"

#include "app/UnitProgress.h"
#include "ui/Seams.h"

namespace memorypage {

TDialogProgress::TDialogProgress(QWidget* owner, std::uint64_t lag)
    : m_Dialog(std::make_unique<TFormProgress>(owner))
    , m_Lag(lag)
{
    m_Dialog->show();
    m_Dialog->SetStatus(QStringLiteral("Process..."));
}

TDialogProgress::~TDialogProgress() = default;

void TDialogProgress::Advance(std::uint64_t done, std::uint64_t total)
{
    const int percent = memory::Percentage(done >= m_Lag ? done - m_Lag : 0, total);
    if (percent <= m_Shown)
        return;
    m_Shown = percent;
    m_Dialog->SetPercent(percent);
    m_Dialog->SetStatus(QString::asprintf("Finish Percentage: %d%%", percent));
}

bool TDialogProgress::AbortRequested()
{
    ui::ProcessEvents();
    return m_Dialog->IsAborted();
}

} // namespace memorypage
