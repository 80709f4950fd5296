#include "tests/core/CoreTestSupport.h"

#include <functional>

using namespace coretest;
using Bytes = std::vector<std::uint8_t>;

namespace {

class TransactTest : public ConnectedBoard { };

} // namespace

TEST_F(TransactTest, SetLedFrameMatchesTheWorkedExample)
{
    Reply(protocol::CMD_SET_LED, {0});
    EXPECT_TRUE(board.SetLed(5));
    EXPECT_EQ(fake->written, (Bytes{0xAA, 0x05, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0E, 0x55}));
    EXPECT_EQ(fake->writeSizes, std::vector<std::int32_t>{12});
}

TEST_F(TransactTest, FrameWithoutPayloadAndChecksumKeepsLowEightBits)
{
    Reply(protocol::CMD_GSENSOR_INIT, {0});
    EXPECT_TRUE(board.GsensorInit());
    EXPECT_EQ(fake->written, (Bytes{0xAA, 16, 0, 0, 0, 0, 16, 0x55}));

    fake->written.clear();
    Reply(protocol::CMD_SET_VGA_PATTERN, {0});
    EXPECT_TRUE(board.SetVgaPattern(0xFF, 0xFF));
    EXPECT_EQ(fake->written, (Bytes{0xAA, 0x13, 0x02, 0, 0, 0, 0xFF, 0xFF, 0x13, 0x55}));
}

TEST_F(TransactTest, SuccessfulReplyArrivingInPiecesFillsTheBuffer)
{
    fake->maxPiece = 1;
    Reply(7, {0, 0xDE, 0xAD});
    Bytes reply(3, 0xEE);
    EXPECT_TRUE(board.Transact(7, reply.data(), 3000, 0, nullptr, 3));
    EXPECT_EQ(reply, (Bytes{0, 0xDE, 0xAD}));
    EXPECT_EQ(hooks.beeps, 0);
}

TEST_F(TransactTest, LargestPayloadGoesOutInOneWrite)
{
    Reply(40, {0});
    Bytes payload(protocol::PKT_PC2NIOS_MAX_PL_LEN, 0x11);
    std::uint8_t status = 0xFF;
    EXPECT_TRUE(board.Transact(40, &status, 3000, static_cast<std::uint32_t>(payload.size()), payload.data(), 1));
    EXPECT_EQ(fake->writeSizes, std::vector<std::int32_t>{32756});
}

TEST_F(TransactTest, OversizedPayloadIsNeverSent)
{
    Bytes payload(protocol::PKT_PC2NIOS_MAX_PL_LEN + 1, 0x11);
    std::uint8_t status = 0xFF;
#ifdef NDEBUG
    EXPECT_FALSE(board.Transact(40, &status, 3000, static_cast<std::uint32_t>(payload.size()), payload.data(), 1));
    EXPECT_EQ(fake->writeCalls, 0);
#else
    EXPECT_DEATH(board.Transact(40, &status, 3000, static_cast<std::uint32_t>(payload.size()), payload.data(), 1),
        "dwPayloadLen <= PKT_PC2NIOS_MAX_PL_LEN");
#endif
}

TEST_F(TransactTest, MissingReplyBufferIsAProgrammingError)
{
#ifdef NDEBUG
    EXPECT_FALSE(board.Transact(1, nullptr, 3000, 0, nullptr, 1));
    EXPECT_EQ(fake->writeCalls, 0);
#else
    EXPECT_DEATH(board.Transact(1, nullptr, 3000, 0, nullptr, 1), "pReturnBuffer");
#endif
}

TEST_F(TransactTest, WriteFailureBeepsAndReadsNothing)
{
    fake->writeResult = 0;
    std::uint8_t status = 0xEE;
    EXPECT_FALSE(board.Transact(1, &status, 3000, 0, nullptr, 1));
    EXPECT_EQ(hooks.beeps, 1);
    EXPECT_EQ(status, 0xEE);
}

TEST_F(TransactTest, SilentBoardFailsAfterTheHeaderBudgetWithoutBeep)
{
    std::uint8_t status = 0xEE;
    const std::uint32_t before = clock.Now();
    EXPECT_FALSE(board.Transact(1, &status, 3000, 0, nullptr, 1));
    EXPECT_EQ(hooks.beeps, 0);
    EXPECT_EQ(status, 0xEE);
    // The header budget, plus at most one link read of its own budget.
    EXPECT_GE(clock.Now() - before, 3000u);
    EXPECT_LE(clock.Now() - before, 6100u);
}

TEST_F(TransactTest, HeaderWithinItsBudgetIsAcceptedAndTheSdCardGetsLonger)
{
    // 1 ms passes per empty poll: a reply after 4000 polls is too late for 3000 ms but in
    // time for the SD card's 10000 ms.
    Reply(protocol::CMD_PING, {0}, 1000);
    EXPECT_TRUE(board.Ping());
    Reply(protocol::CMD_PING, {0}, 4000);
    EXPECT_FALSE(board.Ping());
    fake->pending.clear(); // the late reply would otherwise arrive during the next exchange
    fake->delayReads = 0;

    Bytes payload(protocol::REPLY_LEN_SDCARD_INFO, 1);
    Reply(protocol::CMD_GET_SDCARD_INFO, payload, 4000);
    bool present = false;
    std::string csd, fs, cid;
    EXPECT_TRUE(board.GetSdCardInfo(present, csd, fs, cid));
}

TEST_F(TransactTest, IncompleteHeaderFlushesWithoutBeep)
{
    ReplyBytes({0xAA, 0x01, 0x01});
    std::uint8_t status = 0xEE;
    EXPECT_FALSE(board.Transact(1, &status, 3000, 0, nullptr, 1));
    EXPECT_EQ(hooks.beeps, 0);
    EXPECT_EQ(status, 0xEE);
}

TEST_F(TransactTest, WrongMarkerOrCommandFlushesTheRestWithoutBeep)
{
    std::uint8_t status = 0xEE;
    Bytes other = Frame(2, {0});
    other.insert(other.end(), 20, 0x77); // trailing noise
    ReplyBytes(other);
    EXPECT_FALSE(board.Transact(1, &status, 3000, 0, nullptr, 1));
    EXPECT_TRUE(fake->pending.empty());

    Bytes badMarker = Frame(1, {0});
    badMarker[0] = 0xAB;
    ReplyBytes(badMarker);
    EXPECT_FALSE(board.Transact(1, &status, 3000, 0, nullptr, 1));
    EXPECT_TRUE(fake->pending.empty());
    EXPECT_EQ(hooks.beeps, 0);
    EXPECT_EQ(status, 0xEE);
}

TEST_F(TransactTest, LengthMismatchLeavesTheBodyForTheNextFlush)
{
    Reply(1, {0, 0}); // one byte more than expected
    std::uint8_t status = 0xEE;
    EXPECT_FALSE(board.Transact(1, &status, 3000, 0, nullptr, 1));
    EXPECT_EQ(hooks.beeps, 0);
    EXPECT_EQ(fake->pending.size(), 4u); // body, checksum, end marker: not read

    Reply(1, {0});
    EXPECT_TRUE(board.Transact(1, &status, 3000, 0, nullptr, 1));
    EXPECT_EQ(status, 0);
}

TEST_F(TransactTest, IncompleteBodyBeepsAndLeavesTheBufferAlone)
{
    Bytes frame = Frame(6, {0, 1, 2, 3});
    frame.resize(frame.size() - 1); // end marker never comes
    ReplyBytes(frame);
    Bytes reply(4, 0xEE);
    EXPECT_FALSE(board.Transact(6, reply.data(), 3000, 0, nullptr, 4));
    EXPECT_EQ(hooks.beeps, 1);
    EXPECT_EQ(reply, Bytes(4, 0xEE));
}

TEST_F(TransactTest, CorruptFrameBeepsAndLeavesTheBufferAlone)
{
    Bytes reply(4, 0xEE);
    Bytes badChecksum = Frame(6, {0, 1, 2, 3});
    badChecksum[10] ^= 0x01;
    ReplyBytes(badChecksum);
    EXPECT_FALSE(board.Transact(6, reply.data(), 3000, 0, nullptr, 4));

    Bytes badEnd = Frame(6, {0, 1, 2, 3});
    badEnd.back() = 0x56;
    ReplyBytes(badEnd);
    EXPECT_FALSE(board.Transact(6, reply.data(), 3000, 0, nullptr, 4));

    EXPECT_EQ(hooks.beeps, 2);
    EXPECT_EQ(reply, Bytes(4, 0xEE));
}

// Every way an exchange fails is told once, with its cause and command, to the sink and
// in LastFailure; a success clears LastFailure and tells nobody.
TEST_F(TransactTest, EachFailureIsReportedWithItsCause)
{
    std::vector<TLinkFailureReport> reports;
    board.SetFailureSink([&](const TLinkFailureReport& report) { reports.push_back(report); });
    Bytes truncated = Frame(6, {0, 1, 2, 3});
    truncated.resize(truncated.size() - 3);
    Bytes corrupt = Frame(6, {0, 1, 2, 3});
    corrupt[10] ^= 0x01;
    const struct {
        const char* what;
        std::function<void()> script;
        TLinkFailure cause;
    } cases[] = {
        {"write refused", [&] { fake->writeResult = 0; }, TLinkFailure::WriteRefused},
        {"silence", [] {}, TLinkFailure::NoReply},
        {"other command", [&] { Reply(7, {0, 1, 2, 3}); }, TLinkFailure::WrongReply},
        {"one byte more", [&] { Reply(6, {0, 1, 2, 3, 4}); }, TLinkFailure::WrongLength},
        {"short body", [&] { ReplyBytes(truncated); }, TLinkFailure::ShortBody},
        {"bad checksum", [&] { ReplyBytes(corrupt); }, TLinkFailure::BadChecksum},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        reports.clear();
        fake->pending.clear();
        fake->replies.clear();
        fake->writeResult = 1;
        c.script();
        Bytes reply(4, 0xEE);
        EXPECT_FALSE(board.Transact(6, reply.data(), 3000, 0, nullptr, 4));
        EXPECT_EQ(board.LastFailure(), c.cause);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].command, 6);
        EXPECT_EQ(reports[0].cause, c.cause);
        EXPECT_STRNE(LinkFailureText(c.cause), LinkFailureText(TLinkFailure::None));
    }
    fake->pending.clear();
    fake->writeResult = 1;
    Reply(6, {0, 1, 2, 3});
    reports.clear();
    Bytes reply(4, 0xEE);
    EXPECT_TRUE(board.Transact(6, reply.data(), 3000, 0, nullptr, 4));
    EXPECT_EQ(board.LastFailure(), TLinkFailure::None);
    EXPECT_TRUE(reports.empty());
    board.Disconnect();
    EXPECT_FALSE(board.Transact(6, reply.data(), 3000, 0, nullptr, 4));
    EXPECT_EQ(board.LastFailure(), TLinkFailure::NoLink);
}

TEST_F(TransactTest, StaleInputIsFlushedBeforeTheRequest)
{
    fake->pending = {0xAA, 0x01, 0x01, 0, 0, 0, 1, 2, 0x55}; // an old, failed reply
    Reply(1, {0});
    std::uint8_t status = 0xEE;
    EXPECT_TRUE(board.Transact(1, &status, 3000, 0, nullptr, 1));
    EXPECT_EQ(status, 0);
}

TEST_F(TransactTest, FlushOfASilentBoardIsOneEmptyRead)
{
    board.FlushInput();
    EXPECT_EQ(fake->readCalls, 1);
}

TEST_F(TransactTest, FlushOfAnEndlessStreamStopsAfter1002Bytes)
{
    fake->endless = true;
    board.FlushInput();
    EXPECT_EQ(fake->readCalls, 1002);
}

TEST_F(TransactTest, ReadExactCollectsPiecesWithinItsBudget)
{
    fake->maxPiece = 2;
    fake->pending = {1, 2, 3, 4, 5};
    Bytes dest(5, 0);
    EXPECT_TRUE(board.ReadExact(dest.data(), 5, 100));
    EXPECT_EQ(dest, (Bytes{1, 2, 3, 4, 5}));

    fake->pending = {1};
    EXPECT_FALSE(board.ReadExact(dest.data(), 2, 100));
}

TEST(TransactWithoutLink, FailsWithoutSending)
{
    SteppingClock clock;
    UserHooks hooks;
    auto fake = FakeJtag();
    TBoard board;
    std::uint8_t status = 0xEE;
    EXPECT_FALSE(board.Transact(1, &status, 3000, 0, nullptr, 1));
    EXPECT_FALSE(board.Ping());
    board.FlushInput();
    EXPECT_EQ(fake->writeCalls + fake->readCalls, 0);
    EXPECT_EQ(hooks.beeps, 0);
}

TEST(TransactClock, HeaderBudgetStraddlingTheTickWrap)
{
    SteppingClock clock(0xFFFFFC00u, 1); // the wrap comes 1024 ms into the exchange
    UserHooks hooks;
    auto fake = FakeJtag();
    TBoard board;
    std::string error;
    ASSERT_TRUE(board.Connect(error));
    std::uint8_t status = 0xEE;
    EXPECT_FALSE(board.Transact(1, &status, 3000, 0, nullptr, 1));
    EXPECT_GE(fake->readCalls, 2900);
    EXPECT_LE(fake->readCalls, 6100);

    clock.Advance(0xFFFFFC00u - clock.Now());
    fake->replies.push_back({Frame(1, {0}), 2000}); // arrives after the wrap, in time
    EXPECT_TRUE(board.Transact(1, &status, 3000, 0, nullptr, 1));
    EXPECT_EQ(status, 0);
}

TEST_F(TransactTest, OnlyAWaitLongerThanAMomentShowsItsSign)
{
    std::vector<bool> signs;
    platform::SetWaitHandler([&](bool waiting) { signs.push_back(waiting); });
    const struct {
        int polls; // 1 ms passes per empty poll
        bool answered;
        std::vector<bool> signs;
    } cases[] = {{10, true, {}}, {1000, true, {true, false}}, {-1, false, {true, false}}};
    for (const auto& c : cases) {
        signs.clear();
        if (c.polls >= 0)
            Reply(protocol::CMD_PING, {0}, c.polls);
        EXPECT_EQ(c.answered, board.Ping()) << c.polls;
        EXPECT_EQ(c.signs, signs) << c.polls;
    }
    platform::SetWaitHandler({});
}
