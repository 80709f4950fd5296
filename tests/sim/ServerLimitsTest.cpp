// The simulator stays itself however its clients behave: connections that never say what
// they are (more of them than it may hold files, or as many as it documents), a control
// command of any size, and a cable that sends faster than the board takes; its clients
// stay themselves however it behaves: stopped, its queue of new connections full. And a
// lab whose sockets cannot all be made makes none.
#include "DriverLibraries.h"
#include "SimulatedBoard.h"
#include "StoppedSimulator.h"

#include "sim/Endpoint.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using testsupport::ConnectAtOnce;
using testsupport::SimulatedBoard;

std::string ProcFile(pid_t pid, const char* name)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ServerLimits : public ::testing::Test {
protected:
    void SetUp() override
    {
        pid = testsupport::ServingProcess(board.SocketPath());
        ASSERT_GT(pid, 0);
    }
    int Connect() const { return sim::ConnectSocket(board.SocketPath(), sim::CONNECT_TIMEOUT_MS); }
    // CPU time the simulator has used, in seconds.
    double CpuSeconds() const
    {
        const std::string stat = ProcFile(pid, "stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 2)); // the name may hold blanks
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i >= 14)
                ticks += std::stod(field); // utime, stime
        return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }
    long ResidentKb() const
    {
        const std::string status = ProcFile(pid, "status");
        const std::size_t at = status.find("VmRSS:");
        return at == std::string::npos ? -1 : std::stol(status.substr(at + 6));
    }

    SimulatedBoard board;
    pid_t pid = -1;
};

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(ServerLimits, AStoppedSimulatorCostsEachClientItsBudgetAndNoMore)
{
    ::setenv("VX5H_CABLE", "sim", 1);
    {
        const testsupport::StoppedSimulator stopped(board.SocketPath());
        ASSERT_TRUE(stopped.Full());
        auto start = std::chrono::steady_clock::now();
        sim::ControlReply reply;
        std::string why;
        EXPECT_FALSE(sim::SendControl(board.SocketPath(), {"state"}, reply, 1000, &why));
        EXPECT_LT(SecondsSince(start), 2.0) << "a control command within its budget";
        EXPECT_NE(why.find("took no connection within 1 s"), std::string::npos) << why;

        simtest::Jtag jtag;
        const auto lastError = jtag.library->ResolveAs<QELVANO_JtagLastError_t>(jtagapi::LAST_ERROR_NAME);
        start = std::chrono::steady_clock::now();
        EXPECT_EQ(jtag.open(0, ""), 0u);
        EXPECT_LT(SecondsSince(start), 5.0) << "the cable's open within its budget";
        char text[512] = {};
        EXPECT_EQ(lastError(text, sizeof text), jtagapi::JTAG_ERROR_SERVER_UNREACHABLE);
        EXPECT_NE(std::string(text).find("took no connection within 3 s"), std::string::npos) << text;
    }
    ::unsetenv("VX5H_CABLE");
    bool answered = false;
    board.Ctl("state", &answered);
    EXPECT_TRUE(answered) << "running again, it answers";
}

// As many connections as it documents, each a control command that never ends (never sent
// whole, or its large answer never read): the next command is still answered (the oldest
// stalled one makes room), within its budget rather than after their time-out.
TEST_F(ServerLimits, ItServesTheConnectionsItDocuments)
{
    std::vector<std::uint8_t> unfinished = sim::EncodeControl({"state"});
    unfinished.pop_back();
    const std::vector<std::uint8_t> unread = sim::EncodeControl({"mem", "read", "sdram", "0", "0x40000"});
    const std::vector<std::uint8_t>* kinds[] = {&unfinished, &unread};
    for (const auto* stalled : kinds) {
        std::vector<int> held;
        for (std::size_t i = 0; i < 64; ++i) {
            held.push_back(Connect());
            ASSERT_TRUE(held.back() >= 0 && sim::SendAll(held.back(), stalled->data(), stalled->size(), 1000));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // each has said what it is
        sim::ControlReply reply;
        std::string why;
        const auto start = std::chrono::steady_clock::now();
        // Making 64 answers of 768 KB costs the simulator a second of its own; the
        // stalled clients then hold it no longer (they did for their minute's time-out).
        const bool answers = stalled == &unread;
        EXPECT_TRUE(sim::SendControl(board.SocketPath(), {"state"}, reply, 10000, &why))
            << (answers ? "unread answers: " : "unfinished commands: ") << why;
        EXPECT_LT(SecondsSince(start), answers ? 9.0 : 1.0);
        for (int fd : held)
            ::close(fd);
    }
}

// A lab whose sockets cannot all be had makes none: the one that cannot is named, and
// nothing is left in the folder.
TEST(LabSockets, ALabWhosePathsDoNotFitLeavesNothingAndNamesThePath)
{
    char pattern[] = "/tmp/vx5h-lab-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    // The first board's socket fits a socket's address; the second's, two longer, does not.
    const std::string first = folder + "/" + std::string(106 - folder.size() - 6, 'b') + ".sock";
    ASSERT_EQ(first.size(), 106u);
    for (const char* mode : {"--daemon ", ""}) {
        int code = -1;
        const std::string said = testsupport::RunCommand("timeout -s KILL 20 '" + simtest::Bin() + "vx5h-board-sim' "
                + mode + "--boards 12 --socket=" + first + " 2>&1",
            &code);
        EXPECT_EQ(code, 1) << mode << said;
        EXPECT_NE(said.find("sim-2: the socket path " + folder + "/"), std::string::npos) << said;
        EXPECT_NE(said.find("-2.sock is 108 characters long"), std::string::npos) << said;
        EXPECT_TRUE(std::filesystem::is_empty(folder)) << mode << "left behind in " << folder;
    }
    std::filesystem::remove_all(folder);
}

TEST_F(ServerLimits, SilentConnectionsBeyondItsFilesLeaveItAnsweringAndIdle)
{
    const rlimit files{256, 256};
    ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, &files, nullptr), 0);
    std::vector<int> silent;
    for (int i = 0; i < 300; ++i) {
        silent.push_back(ConnectAtOnce(board.SocketPath()));
        if (i % 16 == 15) // as clients come: a few at a time
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const double cpuBefore = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(CpuSeconds() - cpuBefore, 0.2) << "no busy loop on a full table of files";
    const int control = ConnectAtOnce(board.SocketPath());
    const std::vector<std::uint8_t> state = sim::EncodeControl({"state"});
    char status = 1;
    EXPECT_TRUE(control >= 0 && sim::SendAll(control, state.data(), state.size(), 3000)
        && sim::ReceiveAll(control, &status, 1, 3000) && status == 0)
        << "a control command is still answered";
    for (int fd : silent)
        if (fd >= 0)
            ::close(fd);
    if (control >= 0)
        ::close(control);
}

TEST_F(ServerLimits, AControlCommandBeyondItsLimitIsDroppedUnanswered)
{
    const long residentBefore = ResidentKb();
    const std::string big(sim::MAX_CONTROL_MESSAGE + 1024, 'x');
    const std::vector<std::uint8_t> message = sim::EncodeControl({big});
    const int fd = Connect();
    sim::SendAll(fd, message.data(), message.size(), 5000);
    char status = 0;
    EXPECT_FALSE(sim::ReceiveAll(fd, &status, 1, 5000)) << "answered a command beyond the limit";
    ::close(fd);
    EXPECT_LT(ResidentKb() - residentBefore, 32 * 1024);
    bool answered = false;
    board.Ctl("state", &answered);
    EXPECT_TRUE(answered);
}

TEST_F(ServerLimits, ACableFasterThanTheBoardIsHeldBack)
{
    board.Ctl("link 1000 0");
    const long residentBefore = ResidentKb();
    const int fd = Connect();
    char answer = 0;
    ASSERT_TRUE(sim::SendAll(fd, &sim::HELLO_JTAG, 1, 1000) && sim::ReceiveAll(fd, &answer, 1, 1000));
    ASSERT_EQ(answer, sim::JTAG_ACCEPTED);
    const std::vector<std::uint8_t> chunk(1 << 20, 0);
    std::size_t sent = 0;
    while (sent < (64u << 20) && sim::SendAll(fd, chunk.data(), chunk.size(), 1000))
        sent += chunk.size();
    EXPECT_LT(sent, 24u << 20) << "the cable took what the board could not";
    EXPECT_LT(ResidentKb() - residentBefore, 24 * 1024);
    ::close(fd);
}

} // namespace

// Options the simulator cannot take are refused with what it takes, before it serves:
// a typo must not become a replay sent all at once or an idle exit in 136 years.
TEST(SimulatorOptions, ANumberThatIsNoneOrOutOfRangeIsRefusedAndHelpNeedsNoSimulator)
{
    const struct {
        const char* args;
        const char* said;
    } refusals[] = {
        {"--replay x.jsonl --replay-speed abc", "--replay-speed takes a number"},
        {"--replay x.jsonl --replay-speed 1e", "--replay-speed takes a number"},
        {"--replay x.jsonl --replay-speed inf", "--replay-speed takes a number"},
        {"--replay x.jsonl --replay-speed -1", "--replay-speed takes a number"},
        {"--idle-exit=-1", "--idle-exit takes whole seconds"},
        {"--idle-exit=1.5", "--idle-exit takes whole seconds"},
        {"--idle-exit=99999999999", "--idle-exit takes whole seconds"},
        {"--idle-exit=", "--idle-exit takes whole seconds"},
    };
    for (const auto& refusal : refusals) {
        int code = -1;
        const std::string said = testsupport::RunCommand("cd /tmp && VX5H_SIM_SOCKET=/nonexistent/s timeout -s KILL 10 '"
                + simtest::Bin() + "vx5h-board-sim' " + refusal.args + " 2>&1",
            &code);
        EXPECT_EQ(code, 2) << refusal.args << ": " << said;
        EXPECT_NE(said.find(refusal.said), std::string::npos) << refusal.args << ": " << said;
    }
    int code = -1;
    const std::string said = testsupport::RunCommand(
        "VX5H_SIM_IDLE_EXIT=soon timeout -s KILL 10 '" + simtest::Bin() + "vx5h-board-sim' --daemon 2>&1", &code);
    EXPECT_EQ(code, 2) << said;
    EXPECT_NE(said.find("VX5H_SIM_IDLE_EXIT takes whole seconds"), std::string::npos) << said;
    const std::string usage = testsupport::RunCommand(
        "VX5H_SIM_IDLE_EXIT=soon VX5H_SIM_BOARDS=0 '" + simtest::Bin() + "vx5h-board-sim' --help 2>&1", &code);
    EXPECT_EQ(code, 0) << usage;
    // What the control commands are is known without a simulator running.
    const std::string help = testsupport::RunCommand(
        "VX5H_SIM_SOCKET=/nonexistent/s timeout -s KILL 10 '" + simtest::Bin() + "vx5h-board-sim' ctl help 2>&1", &code);
    EXPECT_EQ(code, 0) << help;
    EXPECT_NE(help.find("boards (the lab's cables)"), std::string::npos) << help;
    EXPECT_NE(help.find("set keys N"), std::string::npos) << help;
}
