#pragma once

// Drives the main window as a person would, for the programs that run it for a long
// time or through many faults: clicks at window coordinates on the tabs and on Connect,
// every message box answered and recorded and every file dialog answered with a set
// path instead of shown, waits with a time budget.

#include "app/MainLayout.h"
#include "app/StartUp.h"
#include "app/UnitMain.h"
#include "platform/Tick.h"
#include "ui/Seams.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

// Handles events until `done` holds or `budgetMs` have passed; true when it held.
inline bool WaitForEvents(const std::function<bool()>& done, std::uint32_t budgetMs)
{
    const std::uint32_t start = platform::TickCount();
    while (!done()) {
        if (platform::TicksSince(start) >= budgetMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

class TPanelDriver {
public:
    TPanelDriver()
    {
        ui::TSeamHandlers seams;
        seams.message = [this](QWidget*, ui::TMessageKind, const QString&, const QString& text) {
            Messages.push_back(text);
        };
        seams.openFile = [this](QWidget*, const ui::TFileDialogRequest&) { return OpenAnswer; };
        seams.saveFile = [this](QWidget*, const ui::TFileDialogRequest&) { return SaveAnswer; };
        m_Seams = std::make_unique<ui::TScopedSeams>(seams);
        InstallCoreHooks();
    }
    ~TPanelDriver() { RemoveCoreHooks(); }
    TPanelDriver(const TPanelDriver&) = delete;
    TPanelDriver& operator=(const TPanelDriver&) = delete;

    static void Click(TFormMain& form, QPoint local)
    {
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
            QMouseEvent event(
                type, QPointF(local), QPointF(form.mapToGlobal(local)), Qt::LeftButton, held, Qt::NoModifier);
            QCoreApplication::sendEvent(&form, &event);
        }
    }
    static void ClickTab(TFormMain& form, int page)
    {
        Click(form, mainlayout::FindPage(page)->tabPos + QPoint(40, 15));
    }
    // Runs the whole connect (or disconnect) sequence; it returns when the sequence ended.
    static void ClickConnect(TFormMain& form) { Click(form, QPoint(124 + 40, 510 + 38)); }

    // No sequence runs and the status reads its final word.
    static bool Settled(const TFormMain& form)
    {
        const QString status = form.LabelConnectStatus->text();
        return !form.Connecting && !form.TimerRun.isActive() && !form.ProgressRunning()
            && (status == "Connected" || status == "Disconnected")
            && form.SystemButtons->FindById(mainlayout::BTN_CONNECT)->Enabled();
    }
    static bool TabsEnabled(const TFormMain& form)
    {
        bool enabled = true;
        for (int index = 0; index < PAGE_COUNT; ++index)
            enabled = enabled && form.TabButtons->FindById(index)->Enabled();
        return enabled;
    }

    std::vector<QString> Messages;
    // What the file dialogs answer; empty = cancelled.
    QString OpenAnswer;
    QString SaveAnswer;

private:
    std::unique_ptr<ui::TScopedSeams> m_Seams;
};

} // namespace testsupport
