#include "pages/MemoryProgress.h"

#include "app/UnitProgress.h"
#include "ui/Seams.h"

namespace memorypage {

TDialogProgress::TDialogProgress(QWidget* owner)
    : m_Owner(owner)
{ }

TDialogProgress::~TDialogProgress() = default;

void TDialogProgress::Begin()
{
    m_Dialog = std::make_unique<TFormProgress>(m_Owner);
    m_Dialog->show();
}

void TDialogProgress::SetStatus(const std::string& text) { m_Dialog->SetStatus(QString::fromStdString(text)); }

void TDialogProgress::SetPercent(int percent) { m_Dialog->SetPercent(percent); }

bool TDialogProgress::ProcessEventsAndCheckAbort()
{
    ui::ProcessEvents();
    return m_Dialog->IsAborted();
}

void TDialogProgress::End() { m_Dialog.reset(); }

} // namespace memorypage
