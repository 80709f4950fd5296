#include "tests/core/CoreTestSupport.h"

using namespace coretest;

namespace {

class BoardConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fake.Ready()); }
    SteppingClock clock;
    UserHooks hooks;
    FakeLibrary<FakeJtagState> fake = FakeJtag();
};

class KeepAliveTest : public ConnectedBoard {
protected:
    int Pings() const
    {
        int pings = 0;
        for (std::size_t i = 0; i < fake->writeSizes.size(); ++i)
            pings += RequestCode(i) == protocol::CMD_PING;
        return pings;
    }
    void PingReplies(int count, std::uint8_t status = 0)
    {
        for (int i = 0; i < count; ++i)
            Reply(protocol::CMD_PING, {status});
    }
};

} // namespace

TEST_F(BoardConnectionTest, ConnectOpensCableZeroAndKeepsTheDescription)
{
    const std::string text = "USB-Blaster on port 1";
    std::copy(text.begin(), text.end(), fake->info.begin() + 112);
    TBoard board;
    std::string error = "untouched";
    ASSERT_TRUE(board.Connect(error));
    EXPECT_EQ(error, "untouched");
    EXPECT_TRUE(board.IsOpen());
    EXPECT_EQ(fake->cableIndex, 0);
    EXPECT_FALSE(fake->cableNameNull);
    EXPECT_EQ(board.LinkDescription(), text);

    board.Disconnect();
    EXPECT_FALSE(board.IsOpen());
    EXPECT_EQ(board.LinkDescription(), "");
    EXPECT_EQ(fake->events, "open;close;");
    board.Disconnect(); // idempotent
    EXPECT_EQ(fake->closeCalls, 1);
}

TEST_F(BoardConnectionTest, FailedOpenGivesTheErrorTextAndNoLink)
{
    fake->openResult = 0;
    TBoard board;
    std::string error;
    EXPECT_FALSE(board.Connect(error));
    EXPECT_EQ(error, "Fail to connect FPGA borad.");
    EXPECT_FALSE(board.IsOpen());
    EXPECT_EQ(fake->infoCalls, 0);
}

TEST_F(BoardConnectionTest, MissingLibraryReportsBothDialogAndErrorText)
{
    platform::OverrideExecutableFolder(EmptyDir());
    TBoard board;
    std::string error;
    EXPECT_FALSE(board.Connect(error));
    EXPECT_EQ(error, "Fail to connect FPGA borad.");
    ASSERT_EQ(hooks.dialogs.size(), 1u);
    EXPECT_EQ(hooks.dialogs[0].rfind("fail to load dll - ", 0), 0u);
}

TEST_F(BoardConnectionTest, ConnectAgainClosesTheOldLinkAndDestructionClosesTheLast)
{
    {
        TBoard board;
        std::string error;
        ASSERT_TRUE(board.Connect(error));
        ASSERT_TRUE(board.Connect(error));
        EXPECT_EQ(fake->events, "open;close;open;");
    }
    EXPECT_EQ(fake->events, "open;close;open;close;");
}

TEST_F(KeepAliveTest, RecentActivityNeedsOnePing)
{
    clock.Advance(119000);
    PingReplies(5);
    EXPECT_TRUE(board.KeepAlive());
    EXPECT_EQ(Pings(), 1);
}

TEST_F(KeepAliveTest, LongIdleLinkGetsUpToFivePings)
{
    clock.Advance(120500);
    PingReplies(5);
    EXPECT_TRUE(board.KeepAlive());
    EXPECT_EQ(Pings(), 5);

    // The activity was recorded: the next call is a single ping again.
    fake->written.clear();
    fake->writeSizes.clear();
    PingReplies(5);
    EXPECT_TRUE(board.KeepAlive());
    EXPECT_EQ(Pings(), 1);
}

TEST_F(KeepAliveTest, LongIdleStopsAtTheFirstFailedPing)
{
    clock.Advance(200000);
    PingReplies(1);
    PingReplies(1, 3); // refused
    EXPECT_FALSE(board.KeepAlive());
    EXPECT_EQ(Pings(), 2);
}

TEST(KeepAliveWrap, IdleTimeIsMeasuredAcrossTheTickWrap)
{
    SteppingClock clock(0xFFFFFF00u, 1);
    UserHooks hooks;
    auto fake = FakeJtag();
    TBoard board;
    std::string error;
    ASSERT_TRUE(board.Connect(error));
    for (int i = 0; i < 5; ++i)
        fake->replies.push_back({Frame(protocol::CMD_PING, {0}), 0});
    EXPECT_TRUE(board.KeepAlive()); // a few hundred ms later, past the wrap
    EXPECT_EQ(fake->writeCalls, 1);
}
