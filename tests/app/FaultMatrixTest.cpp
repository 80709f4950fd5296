// Every fault of the simulated cable, and the firmware's refusal, at every page that
// polls or talks to the board, in the real main window: the failure must be reported
// within the exchange's budget plus one second, the window must then show the link as it
// is (a lost link: "Disconnected", tabs disabled, link closed; a short stall or a refusal
// the page can tell: still connected), and one press of Connect must bring the link back.
// Each page's test prints its row of the table; run in one process
// (scripts/fault-matrix.sh) the whole table comes at the end.
#include "PanelDriver.h"
#include "SimFaults.h"
#include "SimulatedBoard.h"

#include "app/MainLayout.h"
#include "board/Protocol.h"
#include "pages/LedLayout.h"
#include "pages/Page.h"
#include "pages/Seg7Layout.h"
#include "pages/UnitHSMC.h"
#include "pages/UnitLCD.h"
#include "pages/UnitMemory.h"
#include "pages/UnitSDCARD.h"
#include "pages/UnitVGA.h"
#include "platform/Paths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>

using testsupport::SIM_FAULTS;
using testsupport::TPanelDriver;
using testsupport::TSimFault;

namespace {

// One way a page talks to the board: how to get there and what starts the exchange.
struct TAction {
    const char* name;
    int page;
    std::uint32_t budgetMs; // of the exchange the fault hits
    // The exchange the fault hits tells a refusal from a failure. Those without a status of
    // their own (a ping, the LEDs, the switches, ...) take any refusal for a failed exchange.
    bool refusalKeepsLink;
    std::function<void(TFormMain&)> prepare; // before the fault is armed
    std::function<void(TFormMain&)> act;     // empty: the page's own polling
    // A range transfer sends a failed packet again: a fault of one reply is ridden out.
    bool resent = false;
};

void ClickPage(TFormMain& form, int page, QPoint at)
{
    TPage* window = form.Pages[page];
    QTest::mouseMove(window, at);
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    QTest::mouseRelease(window, Qt::LeftButton, {}, at);
}

TFormMemory& Memory(TFormMain& form) { return *qobject_cast<TFormMemory*>(form.Pages[PAGE_MEMORY]); }

void SelectMemory(TFormMain& form, int position)
{
    Memory(form).ComboBoxMemoryType->setCurrentIndex(position);
    Q_EMIT Memory(form).ComboBoxMemoryType->activated(position);
}

constexpr std::uint32_t REPLY_MS = protocol::DEFAULT_TIMEOUT_MS;
constexpr int SSRAM0 = 0;
constexpr int FLASH = 2;

const std::vector<TAction>& Actions()
{
    static const std::vector<TAction> actions{
        {"switches", PAGE_BUTTON, REPLY_MS, false, {}, {}},
        {"g-sensor", PAGE_GSENSOR, REPLY_MS, false, {}, {}},
        {"rs232", PAGE_RS232, REPLY_MS, true, {}, {}},
        {"ir", PAGE_IR, REPLY_MS, true, {}, {}},
        {"sd-card", PAGE_SDCARD, protocol::SDCARD_TIMEOUT_MS, true, {},
            [](TFormMain& f) {
                ClickPage(f, PAGE_SDCARD, {TFormSDCARD::READ_LEFT + 32, TFormSDCARD::READ_TOP + 8});
            }},
        {"lcd", PAGE_LCD, REPLY_MS, true, {},
            [](TFormMain& f) {
                ClickPage(f, PAGE_LCD, {TFormLCD::SET_LEFT + 32, TFormLCD::SET_TOP + 8});
            }},
        {"hsmc", PAGE_HSMC, REPLY_MS, true, {},
            [](TFormMain& f) {
                ClickPage(f, PAGE_HSMC, {TFormHSMC::VERIFY_LEFT + 32, TFormHSMC::VERIFY_TOP + 8});
            }},
        {"led", PAGE_LED, REPLY_MS, false, {},
            [](TFormMain& f) { ClickPage(f, PAGE_LED, leds::ButtonPlace(0) + QPoint(12, 18)); }},
        {"seg7", PAGE_SEG7, REPLY_MS, false, {},
            [](TFormMain& f) { ClickPage(f, PAGE_SEG7, seg7::UpButtonPlace(0) + QPoint(10, 9)); }},
        {"vga", PAGE_VGA, REPLY_MS, false, {},
            [](TFormMain& f) {
                auto* vga = qobject_cast<TFormVGA*>(f.Pages[PAGE_VGA]);
                vga->ComboBoxVGA->setCurrentIndex((vga->ComboBoxVGA->currentIndex() + 1) % vga->ComboBoxVGA->count());
            }},
        {"mem-read", PAGE_MEMORY, REPLY_MS, true,
            [](TFormMain& f) {
                SelectMemory(f, SSRAM0);
                Memory(f).EditAddress->setText("10");
            },
            [](TFormMain& f) { Memory(f).ButtonReadClick(); }},
        {"mem-write", PAGE_MEMORY, REPLY_MS, true,
            [](TFormMain& f) {
                SelectMemory(f, SSRAM0);
                Memory(f).EditAddress->setText("10");
                Memory(f).EditWriteData->setText("1234");
            },
            [](TFormMain& f) { Memory(f).ButtonWriteClick(); }},
        {"dump", PAGE_MEMORY, REPLY_MS, false,
            [](TFormMain& f) {
                SelectMemory(f, SSRAM0);
                Memory(f).CheckBoxEntireMemory->setChecked(false);
                Memory(f).EditReadAddress->setText("0");
                Memory(f).EditReadLength->setText("8000");
            },
            [](TFormMain& f) { Memory(f).ButtonReadFileClick(); }, true},
        {"load", PAGE_MEMORY, REPLY_MS, false,
            [](TFormMain& f) {
                SelectMemory(f, SSRAM0);
                Memory(f).CheckBoxFileLength->setChecked(true);
                Memory(f).EditWriteAddress->setText("0");
            },
            [](TFormMain& f) { Memory(f).ButtonWriteFileClick(); }, true},
        {"chip-erase", PAGE_MEMORY, REPLY_MS, true, [](TFormMain& f) { SelectMemory(f, FLASH); },
            [](TFormMain& f) { Memory(f).ButtonEraseClick(); }},
    };
    return actions;
}

// The link's faults, and the firmware's refusal of a request, which a page that can tell
// it from a failed exchange rides out.
const std::vector<TSimFault>& MatrixFaults()
{
    static const std::vector<TSimFault> faults = [] {
        std::vector<TSimFault> all(SIM_FAULTS.begin(), SIM_FAULTS.end());
        all.push_back({"refuse", "fault refuse"});
        return all;
    }();
    return faults;
}

// The stall a fault makes, 0 for other faults.
std::uint32_t StallMs(const TSimFault& fault)
{
    int stallMs = 0;
    return std::sscanf(fault.command, "fault stall %d", &stallMs) == 1 ? std::uint32_t(stallMs) : 0;
}

// The table, row by row, in the order the pages ran.
std::vector<std::pair<std::string, std::map<std::string, std::string>>>& Table()
{
    static std::vector<std::pair<std::string, std::map<std::string, std::string>>> table;
    return table;
}

void PrintTable()
{
    if (Table().empty())
        return;
    std::printf("\n%-11s", "fault:");
    for (const TSimFault& fault : MatrixFaults())
        std::printf(" %-12s", fault.name);
    std::printf("\n");
    for (const auto& [action, cells] : Table()) {
        std::printf("%-11s", action.c_str());
        for (const TSimFault& fault : MatrixFaults()) {
            const auto cell = cells.find(fault.name);
            std::printf(" %-12s", cell == cells.end() ? "-" : cell->second.c_str());
        }
        std::printf("\n");
    }
    std::fflush(stdout);
}

class TablePrinter : public ::testing::Environment {
public:
    void TearDown() override { PrintTable(); }
};
const auto* const g_Printer = ::testing::AddGlobalTestEnvironment(new TablePrinter);

class FaultMatrix : public ::testing::TestWithParam<std::size_t> {
protected:
    void SetUp() override
    {
        m_Sim = std::make_unique<testsupport::SimulatedBoard>(true);
        platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
        m_Driver = std::make_unique<TPanelDriver>();
        m_Folder = std::filesystem::path(m_Sim->SocketPath()).parent_path().string();
        std::ofstream(m_Folder + "/load.bin", std::ios::binary) << std::string(4096, '\x5A');
        m_Driver->OpenAnswer = QString::fromStdString(m_Folder + "/load.bin");
        m_Driver->SaveAnswer = QString::fromStdString(m_Folder + "/dump.bin");
        m_Form = std::make_unique<TFormMain>();
        m_Form->TimeScale = 0.05f;
        m_Form->show();
        ASSERT_TRUE(testsupport::WaitForEvents([this] { return TPanelDriver::Settled(*m_Form); }, 20000));
        ASSERT_EQ(Status(), "Connected");
    }
    void TearDown() override
    {
        m_Form.reset();
        m_Driver.reset();
        m_Sim.reset();
        platform::OverrideExecutableFolder(std::nullopt);
    }

    QString Status() const { return m_Form->LabelConnectStatus->text(); }

    // Opens the page afresh, as a person clicking its tab.
    void Enter(const TAction& action)
    {
        const int away = action.page == PAGE_LED ? PAGE_SEG7 : PAGE_LED;
        TPanelDriver::ClickTab(*m_Form, away);
        TPanelDriver::ClickTab(*m_Form, action.page);
        if (action.prepare)
            action.prepare(*m_Form);
    }

    // One cell: the text for the table, and the failures of its checks.
    std::string RunCell(const TAction& action, const TSimFault& fault)
    {
        Enter(action);
        if (m_Form->ActivePage != action.page || !m_Form->Board.IsOpen()) {
            ADD_FAILURE() << "the page did not open on a live link";
            return "no-page";
        }
        m_Driver->Messages.clear();
        bool armed = false;
        m_Sim->Ctl(fault.command, &armed);
        EXPECT_TRUE(armed) << fault.command;
        const std::uint32_t start = platform::TickCount();
        if (action.act)
            action.act(*m_Form);
        const std::uint32_t limit = action.budgetMs + 1000;
        // A stall shorter than the reply's budget is ridden out, and so is a refusal where
        // the page can tell it: watch a while past it.
        const bool tolerated = StallMs(fault) > 0 && StallMs(fault) < action.budgetMs;
        const bool refused = std::string(fault.name) == "refuse";
        const bool resent = action.resent && std::string(fault.name) != "unplug";
        const bool keeps = tolerated || resent || (refused && action.refusalKeepsLink);
        const bool lost = testsupport::WaitForEvents(
            [this] { return Status() == "Disconnected"; }, keeps ? StallMs(fault) + 1000 : limit + 2000);
        const std::uint32_t elapsed = platform::TicksSince(start);
        char cell[24];
        std::snprintf(cell, sizeof cell, "%s %.1fs", lost ? "lost" : "kept", elapsed / 1000.0);

        if (keeps) {
            EXPECT_FALSE(lost) << "a stall within the budget, a refusal or a packet sent again must not cost the link";
            EXPECT_TRUE(m_Form->Board.IsOpen());
            EXPECT_TRUE(TPanelDriver::TabsEnabled(*m_Form));
        } else {
            EXPECT_TRUE(lost) << "the failure is not reported";
            EXPECT_LE(elapsed, limit) << "reported after its budget plus one second";
            EXPECT_FALSE(m_Form->Board.IsOpen());
            EXPECT_FALSE(TPanelDriver::TabsEnabled(*m_Form)) << "tabs stay enabled on a lost link";
        }
        m_Sim->Ctl("plug");
        m_Sim->Ctl("fault none");
        if (!m_Form->Board.IsOpen()) {
            TPanelDriver::ClickConnect(*m_Form);
            testsupport::WaitForEvents([this] { return TPanelDriver::Settled(*m_Form); }, 20000);
            const bool back = Status() == "Connected" && m_Form->Board.IsOpen();
            EXPECT_TRUE(back) << "one Connect does not bring the link back";
            if (!back)
                return std::string(cell) + "!";
        }
        return cell;
    }

    std::unique_ptr<testsupport::SimulatedBoard> m_Sim;
    std::unique_ptr<TPanelDriver> m_Driver;
    std::unique_ptr<TFormMain> m_Form;
    std::string m_Folder;
};

TEST_P(FaultMatrix, EveryFaultIsReportedInTimeAndOneConnectRecovers)
{
    const TAction& action = Actions()[GetParam()];
    std::map<std::string, std::string> row;
    for (const TSimFault& fault : MatrixFaults()) {
        SCOPED_TRACE(std::string(action.name) + " x " + fault.name);
        row[fault.name] = RunCell(action, fault);
        std::printf("%s x %s: %s\n", action.name, fault.name, row[fault.name].c_str());
    }
    Table().emplace_back(action.name, row);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, FaultMatrix, ::testing::Range<std::size_t>(0, 15), [](const ::testing::TestParamInfo<std::size_t>& info) {
        std::string name = Actions()[info.param].name;
        std::erase(name, '-');
        return name;
    });

} // namespace

namespace {

// A fault that waits on the idle link hits the first name query of the next Connect:
// the sequence asks again (at once, or after configuring the FPGA when the budget is spent),
// and the one press connects. Only a second fault, on the query after the configuration,
// fails the press, and then the next one connects.
class ConnectAfterFault : public FaultMatrix {
protected:
    // Disconnects, arms `command`, presses Connect; the status the press ends in.
    QString PressAfter(const char* command)
    {
        TPanelDriver::ClickConnect(*m_Form); // disconnects
        testsupport::WaitForEvents([this] { return TPanelDriver::Settled(*m_Form); }, 20000);
        EXPECT_EQ(Status(), "Disconnected");
        m_Sim->Ctl(command);
        m_Driver->Messages.clear();
        const std::uint32_t start = platform::TickCount();
        TPanelDriver::ClickConnect(*m_Form);
        testsupport::WaitForEvents([this] { return TPanelDriver::Settled(*m_Form); }, 30000);
        std::printf("connect after %s: %s in %.1f s\n", command, Status().toUtf8().constData(),
            platform::TicksSince(start) / 1000.0);
        return Status();
    }
};

TEST_F(ConnectAfterFault, OneFaultCostsNoPressAndTwoCostOne)
{
    for (const TSimFault& fault : MatrixFaults()) {
        if (std::string(fault.name) == "unplug")
            continue;
        SCOPED_TRACE(fault.name);
        EXPECT_EQ(PressAfter(fault.command), "Connected");
        EXPECT_TRUE(m_Driver->Messages.empty());
    }
    EXPECT_EQ(PressAfter("fault drop 2"), "Disconnected");
    EXPECT_EQ(m_Driver->Messages, std::vector<QString>{"Failed to query board name."});
    TPanelDriver::ClickConnect(*m_Form);
    testsupport::WaitForEvents([this] { return TPanelDriver::Settled(*m_Form); }, 30000);
    EXPECT_EQ(Status(), "Connected");
}

} // namespace
