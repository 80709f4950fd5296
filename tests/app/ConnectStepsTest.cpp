// The gauge's arithmetic, the board-name budget and the off-thread wait.
#include "AppFixture.h"
#include "app/ConnectSteps.h"
#include "app/OffUiThread.h"
#include "board/Board.h"

#include <QTimer>
#include <chrono>
#include <limits>
#include <thread>

TEST(GaugeValue, ClimbsLinearlyThenHoldsAtItsEnd)
{
    // 5 to 95 over 10 s, as during configuration.
    EXPECT_EQ(GaugeValue(5, 95, 1000, 10000, 1000), 5);
    EXPECT_EQ(GaugeValue(5, 95, 1000, 10000, 6000), 50);
    EXPECT_EQ(GaugeValue(5, 95, 1000, 10000, 11000), 95);
    EXPECT_EQ(GaugeValue(5, 95, 1000, 10000, 50000), 95);
    // 0 to 5 over 5 s truncates: 999 ms is still 0.
    EXPECT_EQ(GaugeValue(0, 5, 0, 5000, 999), 0);
    EXPECT_EQ(GaugeValue(0, 5, 0, 5000, 1000), 1);
}

TEST(GaugeValue, SurvivesTickWrapLongWaitsAndZeroDuration)
{
    // Started just before the 32-bit tick wraps.
    EXPECT_EQ(GaugeValue(5, 95, 0xFFFFF000u, 10000, 0xFFFFF000u + 5000u), 50);
    // Hours under an open message box: the product would wrap in 32 bits.
    EXPECT_EQ(GaugeValue(5, 95, 0, 10000, 60u * 60u * 1000u * 20u), 95);
    EXPECT_EQ(GaugeValue(0, 5, 123, 0, 123), 5);
}

TEST(ScaledDuration, ScalesAndRejectsNonsense)
{
    EXPECT_EQ(ScaledDuration(1.0f, 5000), 5000u);
    EXPECT_EQ(ScaledDuration(0.05f, 10000), 500u);
    EXPECT_EQ(ScaledDuration(0.0f, 10000), 0u);
    EXPECT_EQ(ScaledDuration(-1.0f, 10000), 0u);
    EXPECT_EQ(ScaledDuration(std::numeric_limits<float>::infinity(), 10000), 0u);
}

TEST(RunOffUiThread, KeepsTheEventLoopRunningUntilTheWorkEnds)
{
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(10);
    const int result = RunOffUiThread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return 42;
    });
    EXPECT_EQ(result, 42);
    EXPECT_GE(ticks, 5) << "the timer must fire while the work runs";
    // Work that ends at once still returns (its quit may come before the loop starts).
    EXPECT_TRUE(RunOffUiThread([] { return true; }));
}

TEST(QueryBoardNameWithin, GivesUpAfterItsBudgetOnASilentBoard)
{
    testsupport::SimulatedBoard sim(false);
    sim.Ctl("unconfigured silent"); // the link opens, nobody answers
    platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
    TBoard board;
    std::string error;
    ASSERT_TRUE(board.Connect(error, 0)) << error;
    std::string name;
    const std::uint32_t start = platform::TickCount();
    EXPECT_FALSE(QueryBoardNameWithin(board, name, 400));
    const std::uint32_t took = platform::TicksSince(start);
    EXPECT_GE(took, 400u);
    EXPECT_LT(took, 8000u) << "no attempt begins once the budget has passed";

    board.Disconnect(); // the image goes down the cable, which the link may not hold meanwhile
    ASSERT_TRUE(sim.Configure());
    ASSERT_TRUE(board.Connect(error, 0)) << error;
    EXPECT_TRUE(QueryBoardNameWithin(board, name, 0)) << "one attempt runs even with no budget";
    EXPECT_EQ(name, "VX5h-260");
    board.Disconnect();
    platform::OverrideExecutableFolder(std::nullopt);
}
