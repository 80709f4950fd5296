// Whatever vx5h waits for may never answer: a simulator that is stopped, cables whose
// server hangs, more cables than the processors can ask at once. Each wait ends within
// its budget, and Ctrl-C or SIGTERM ends vx5h as a person expects.
#include "CliHarness.h"
#include "StoppedSimulator.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

using nlohmann::json;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

using StalledSimulator = clitest::CliTest;

// The connect to a simulator that takes no connection gives up within the link's budget,
// and SIGTERM meanwhile ends vx5h as Ctrl-C does, once that wait is over.
TEST_F(StalledSimulator, AStoppedSimulatorCostsTheConnectItsBudgetAndSigtermEndsVx5h)
{
    const testsupport::StoppedSimulator stopped(sim->SocketPath());
    ASSERT_TRUE(stopped.Full());
    auto start = Clock::now();
    const clitest::TRun info = clitest::Vx5h("--cable sim info");
    const double seconds = SecondsSince(start);
    std::printf("vx5h info gave up on a stopped simulator after %.2f s\n", seconds);
    EXPECT_EQ(info.code, 4) << info.err;
    EXPECT_NE(info.err.find("took no connection"), std::string::npos) << info.err;
    EXPECT_LT(seconds, 6.0);

    start = Clock::now();
    const clitest::TRun term = clitest::Vx5hWhile("--cable sim info", 500, "kill -TERM $PID");
    EXPECT_EQ(term.code, 130) << term.err;
    EXPECT_NE(term.err.find("stopped with Ctrl-C while connecting"), std::string::npos) << term.err;
    EXPECT_LT(SecondsSince(start), 6.0);
}

#ifdef VX5H_FAKE_QUARTUS
// The stand-in vendor installation listing `count` cables, each taking `openMs` to open
// (a slow chain scan) before it finds no board; the cables are named by `mark`.
class SlowCables : public clitest::CliTest {
protected:
    void List(int count, int openMs)
    {
        std::string names;
        for (int k = 1; k <= count; ++k)
            names += (k > 1 ? "|" : "") + std::string("USB-Blaster [9-") + std::to_string(k) + "]";
        ::setenv("QUARTUS_ROOTDIR", VX5H_FAKE_QUARTUS, 1);
        ::setenv("FAKE_ATLANTIC", ("open_delay_ms=" + std::to_string(openMs) + ",cables=" + names).c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("QUARTUS_ROOTDIR");
        ::unsetenv("FAKE_ATLANTIC");
        CliTest::TearDown();
    }
    std::size_t Running() const { return clitest::RunningVx5h(sim->SocketPath()); }
};

// Eighty slow cables: at most a fixed number are asked at once, each within its own
// budget, so every one is asked to its end, none reported out of time.
TEST_F(SlowCables, BoardsAsksAFixedNumberAtOnceEachWithinItsOwnBudget)
{
    List(80, 700);
    std::atomic<bool> done{false};
    std::size_t most = 0;
    std::thread counter([&] {
        while (!done) {
            most = std::max(most, Running());
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    const auto start = Clock::now();
    const clitest::TRun run = clitest::Vx5h("boards --json");
    const double seconds = SecondsSince(start);
    done = true;
    counter.join();
    std::printf("vx5h boards: %zu cables in %.2f s, at most %zu processes at once\n", std::size_t(81), seconds, most);
    ASSERT_EQ(run.code, 0) << run.err;
    const json found = json::parse(run.out);
    ASSERT_EQ(found.size(), 81u);
    for (const json& cable : found)
        EXPECT_EQ(cable["detail"].get<std::string>().find("no answer within"), std::string::npos) << cable;
    // vx5h and its probes, a fixed number side by side; each probe runs under a keeper,
    // a copy of vx5h that ends the probe's group should vx5h die.
    EXPECT_LE(most, 1u + 2 * 32) << "vx5h and its probes (each with its keeper), a fixed number side by side";
}

// Ctrl-C while cables are asked ends their probes and vx5h, with the code of a stop.
TEST_F(SlowCables, CtrlCEndsTheProbesAndBoards)
{
    List(3, 20000);
    const auto start = Clock::now();
    const clitest::TRun run = clitest::Vx5hWhile("boards", 1000, "kill -INT $PID");
    EXPECT_EQ(run.code, 130) << run.err;
    EXPECT_NE(run.err.find("boards stopped with Ctrl-C"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_LT(SecondsSince(start), 3.0);
    EXPECT_EQ(Running(), 0u) << "no probe left running";
}

// Ctrl-C while a slow JTAG server lists the cables for --cable all ends vx5h at once,
// before any board's work began.
TEST_F(SlowCables, CtrlCWhileTheCablesAreListedEndsCableAll)
{
    List(2, 0);
    ::setenv("FAKE_ATLANTIC", "jtagconfig_delay_ms=20000,cables=USB-Blaster [9-1]|USB-Blaster [9-2]", 1);
    const auto start = Clock::now();
    const clitest::TRun run = clitest::Vx5hWhile("--cable all info", 700, "kill -INT $PID");
    EXPECT_EQ(run.code, 130) << run.err;
    EXPECT_NE(run.err.find("--cable all stopped with Ctrl-C while the cables were listed"), std::string::npos)
        << run.err;
    EXPECT_LT(SecondsSince(start), 3.0);
}
#endif

} // namespace
