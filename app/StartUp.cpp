#include "app/StartUp.h"

#include "app/Logging.h"
#include "app/MainLayout.h"
#include "app/UnitMain.h"
#include "platform/Hooks.h"
#include "platform/InstanceLock.h"
#include "ui/Seams.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>
#include <exception>
#include <utility>

namespace {

// Runs `fn` on the user-interface thread and returns when it has run.
template<typename Fn> void OnUiThread(Fn&& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, std::forward<Fn>(fn), Qt::BlockingQueuedConnection);
}

} // namespace

QString MessageTitle() { return QString::fromLatin1(mainlayout::WINDOW_CAPTION); }

std::unique_ptr<platform::InstanceLock> GuardSingleInstance(const std::string& name)
{
    auto attempt = platform::InstanceLock::Acquire(name);
    using Outcome = platform::InstanceLock::Outcome;
    if (attempt.outcome != Outcome::Taken)
        QApplication::setWindowIcon(ProgramIcon(qApp->devicePixelRatio()));
    if (attempt.outcome == Outcome::HeldElsewhere)
        ui::ShowMessage(nullptr, ui::TMessageKind::Information, MessageTitle(),
            QString::fromLatin1(mainlayout::ALREADY_RUNNING_TEXT));
    else if (attempt.outcome == Outcome::CannotOpen)
        ui::ShowMessage(nullptr, ui::TMessageKind::Error, MessageTitle(),
            QStringLiteral("The single-instance lock cannot be opened: %1.")
                .arg(QString::fromLocal8Bit(attempt.error.c_str())));
    return std::move(attempt.lock);
}

void InstallCoreHooks()
{
    platform::SetErrorDialogHandler([](const std::string& text) {
        const QString message = QString::fromStdString(text);
        // In the log as well: a person sending it shows what the boxes said.
        qCInfo(lcConnect).noquote() << "error box:" << message;
        OnUiThread([&message] { ui::ShowMessage(FormMain, ui::TMessageKind::Error, MessageTitle(), message); });
    });
    platform::SetBeepHandler([] { OnUiThread([] { QApplication::beep(); }); });
    // An exchange on the user-interface thread that keeps waiting freezes the window:
    // the busy cursor says so. (Waits on a worker thread keep the window alive and show
    // their own progress.)
    platform::SetWaitHandler([](bool waiting) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || QThread::currentThread() != app->thread())
            return;
        if (waiting)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

void RemoveCoreHooks()
{
    platform::SetErrorDialogHandler({});
    platform::SetBeepHandler({});
    platform::SetWaitHandler({});
}

int RunControlPanel(int& argc, char** argv)
{
    // The application object comes first only because the "already running" box needs it.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VX5h_260_ControlPanel"));
    const auto lock = GuardSingleInstance(mainlayout::INSTANCE_NAME);
    if (!lock)
        return 0;
    int result = 1;
    try {
        InstallCoreHooks();
        TFormMain form;
        form.show();
        // For the boxes and dialogs too; drawn from the board picture the window drew.
        QApplication::setWindowIcon(form.windowIcon());
        result = QApplication::exec();
    } catch (const std::exception& error) {
        ui::ShowMessage(nullptr, ui::TMessageKind::Error, MessageTitle(), QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ui::ShowMessage(nullptr, ui::TMessageKind::Error, MessageTitle(), QString());
    }
    RemoveCoreHooks();
    return result;
}
