#pragma once

#include "SimulatedBoard.h"
#include "app/ShowInfo.h"
#include "app/StartUp.h"
#include "app/UnitMain.h"
#include "platform/Paths.h"
#include "platform/Tick.h"
#include "ui/Seams.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QMouseEvent>
#include <QPointer>
#include <gtest/gtest.h>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

struct TMessage {
    ui::TMessageKind kind;
    QString text;
};

// Handles events until `done` holds or `budgetMs` have passed; true when it held.
inline bool WaitFor(const std::function<bool()>& done, std::uint32_t budgetMs)
{
    const std::uint32_t start = platform::TickCount();
    while (!done()) {
        if (platform::TicksSince(start) >= budgetMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// A main window on a simulator of the test's own, with every message box and core
// dialog recorded instead of shown. The automatic connect is held back until the test
// lets it run (StartAutoConnect) so that a test can change the program folder first.
class AppTest : public ::testing::Test {
protected:
    void SetUpBoard(bool configured)
    {
        m_Board = std::make_unique<testsupport::SimulatedBoard>(configured);
        platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
    }

    void SetUp() override
    {
        ui::TSeamHandlers seams;
        seams.message = [this](QWidget*, ui::TMessageKind kind, const QString&, const QString& text) {
            Messages.push_back({kind, text});
        };
        m_Seams = std::make_unique<ui::TScopedSeams>(seams);
        InstallCoreHooks();
    }

    void TearDown() override
    {
        delete Form.data();
        RemoveCoreHooks();
        m_Seams.reset();
        m_Board.reset();
        platform::OverrideExecutableFolder(std::nullopt);
    }

    // Builds and shows the window; its start-up timer is stopped.
    void MakeForm()
    {
        Form = new TFormMain();
        Form->TimerRun.stop();
        Form->TimeScale = 0.05f;
        Form->show();
        // Records every information line after the window's own line shows it.
        m_PreviousSink = SetShowInfoSink([this](const QString& text, const QColor& colour) {
            if (InfoLines.empty())
                m_SequenceStart = platform::TickCount();
            InfoLines.push_back({text, colour});
            if (qEnvironmentVariableIsSet("VX5H_TRACE_INFO"))
                std::printf("%u ms: %s\n", platform::TickCount(), text.toUtf8().constData());
            if (OnInfo)
                OnInfo(text);
            if (m_PreviousSink)
                m_PreviousSink(text, colour);
        });
    }

    // Lets the start-up timer run as the program does, and waits for the sequence.
    bool StartAutoConnect(std::uint32_t budgetMs = 20000)
    {
        Form->TimerRun.start(TFormMain::AUTO_CONNECT_DELAY_MS);
        return WaitForSequenceEnd(budgetMs);
    }

    bool WaitForSequenceEnd(std::uint32_t budgetMs = 20000)
    {
        // The sequence has ended when the status reads its final word and the gauge is gone.
        return WaitFor(
            [this] {
                const QString status = Status();
                return !Form->Connecting && !Form->TimerRun.isActive() && !Form->ProgressRunning()
                    && (status == "Connected" || status == "Disconnected")
                    && Form->SystemButtons->FindById(mainlayout::BTN_CONNECT)->Enabled();
            },
            budgetMs);
    }

    QString Status() const { return Form->LabelConnectStatus->text(); }
    QString InfoText() const { return Form->InfoLineText(); }

    std::string SimState() const { return m_Board->Ctl("state"); }
    bool SimSays(const std::string& fragment) const { return SimState().find(fragment) != std::string::npos; }
    testsupport::SimulatedBoard& Sim() { return *m_Board; }

    // Mouse events in window coordinates, with the screen position that goes with them.
    void Mouse(QEvent::Type type, QPoint local, Qt::MouseButtons held)
    {
        MouseAt(type, local, Form->mapToGlobal(local), held);
    }
    void MouseAt(QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons held)
    {
        QMouseEvent event(type, QPointF(local), QPointF(global),
            type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(Form.data(), &event);
    }
    void Press(QPoint local) { Mouse(QEvent::MouseButtonPress, local, Qt::LeftButton); }
    void Move(QPoint local) { Mouse(QEvent::MouseMove, local, Qt::LeftButton); }
    void Release(QPoint local) { Mouse(QEvent::MouseButtonRelease, local, Qt::NoButton); }
    void Click(QPoint local)
    {
        Press(local);
        Release(local);
    }

    bool HasMessage(const QString& text) const
    {
        for (const TMessage& m : Messages)
            if (m.text == text)
                return true;
        return false;
    }

    QPointer<TFormMain> Form;
    std::vector<TMessage> Messages;
    std::vector<std::pair<QString, QColor>> InfoLines;
    std::function<void(const QString&)> OnInfo;
    std::uint32_t m_SequenceStart = 0; // tick of the first information line

private:
    std::unique_ptr<testsupport::SimulatedBoard> m_Board;
    std::unique_ptr<ui::TScopedSeams> m_Seams;
    ShowInfoSink m_PreviousSink;
};

} // namespace apptest
