// The byte stream around the firmware: framing and resynchronisation, the link's speed,
// the chips' own timing, injected faults, the image the FPGA accepts, control commands.
#include "ModelHarness.h"

#include <gtest/gtest.h>

using namespace protocol;

namespace {

const std::vector<std::uint8_t> PING = sim::BuildFrame(CMD_PING, {});
const std::vector<std::uint8_t> PING_REPLY = sim::BuildFrame(CMD_PING, {0});

} // namespace

TEST(FrameParsing, ResynchronisesAfterGarbageAndBadFrames)
{
    ModelHarness h;
    std::vector<std::uint8_t> bad = PING;
    bad[6] ^= 1; // checksum
    std::vector<std::uint8_t> badEnd = PING;
    badEnd[7] = 0x56;
    // Stray bytes, a start marker with an impossible length, two broken frames, then a ping.
    const std::vector<std::uint8_t> noise = {0x00, 0x55, 0xAA, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x13};
    const auto stream = Cat(Cat(Cat(noise, bad), badEnd), PING);
    EXPECT_EQ(h.Exchange(stream), PING_REPLY);
    EXPECT_TRUE(h.Exchange(bad).empty());
}

TEST(FrameParsing, FramesArrivingByteByByteOrBackToBack)
{
    ModelHarness h;
    const auto led = sim::BuildFrame(CMD_SET_LED, U32(3));
    std::vector<std::uint8_t> out;
    for (std::uint8_t b : Cat(led, PING)) {
        const auto got = h.Exchange({b});
        out.insert(out.end(), got.begin(), got.end());
    }
    EXPECT_EQ(out, Cat(sim::BuildFrame(CMD_SET_LED, {0}), PING_REPLY));
    EXPECT_EQ(h.board.State().leds, 3u);
}

TEST(FrameParsing, GivesUpATornFrameSoTheNextRequestIsAnswered)
{
    ModelHarness h;
    // The head of a 100-byte write that never completes.
    EXPECT_TRUE(h.Exchange({0xAA, CMD_MEMORY_WRITE, 100, 0, 0, 0, 1, 2}).empty());
    h.nowUs += sim::TFrameParser::STALE_US + 1;
    EXPECT_EQ(h.Exchange(PING), PING_REPLY);
}

TEST(FrameParsing, SurvivesArbitraryBytes)
{
    ModelHarness h;
    std::uint32_t x = 12345;
    std::vector<std::uint8_t> noise(200000);
    for (auto& b : noise) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    h.Exchange(noise); // whatever it answers, it must not fall over
    h.nowUs += sim::TFrameParser::STALE_US + 1;
    h.Collect();
    EXPECT_EQ(h.Exchange(PING), PING_REPLY);
}

TEST(LinkModel, BandwidthAndLatencyDelayTheReply)
{
    ModelHarness h;
    h.board.SetLink(1000, 2.0); // 1 byte per ms, 2 ms each way
    h.board.Receive(PING.data(), PING.size(), h.nowUs);
    // The 8-byte request takes 8 ms plus 2 ms latency to arrive; the reply leaves 2 ms
    // later at one byte per millisecond.
    h.nowUs += 11000;
    EXPECT_TRUE(h.Collect().empty());
    h.nowUs += 2500;
    auto got = h.Collect();
    EXPECT_GE(got.size(), 1u);
    EXPECT_LT(got.size(), PING_REPLY.size());
    h.nowUs += 10000;
    const auto rest = h.Collect();
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(got, PING_REPLY);
}

TEST(LinkModel, RealTimingMakesAFlashSectorEraseTakeTwoSeconds)
{
    ModelHarness h;
    h.board.SetRealTiming(true);
    EXPECT_TRUE(h.Exchange(sim::BuildFrame(CMD_ERASE_BLOCK, Cat({MEM_FLASH}, U32(0)))).empty());
    h.nowUs += 1900000;
    EXPECT_TRUE(h.Collect().empty());
    h.nowUs += 200000;
    EXPECT_EQ(h.Collect(), sim::BuildFrame(CMD_ERASE_BLOCK, {0}));
}

TEST(LinkModel, EachFaultSpoilsExactlyTheRepliesAskedFor)
{
    ModelHarness h;
    h.board.SetFault(sim::FaultKind::Drop, 0, 2);
    EXPECT_TRUE(h.Exchange(PING).empty());
    EXPECT_TRUE(h.Exchange(PING).empty());
    EXPECT_EQ(h.Exchange(PING), PING_REPLY);

    h.board.SetFault(sim::FaultKind::Checksum, 0, 1);
    auto got = h.Exchange(PING);
    ASSERT_EQ(got.size(), PING_REPLY.size());
    EXPECT_NE(got[7], PING_REPLY[7]);

    h.board.SetFault(sim::FaultKind::Echo, 0, 1);
    got = h.Exchange(PING);
    bool ok = false;
    ModelHarness::PayloadOf(got, CMD_PING + 1, ok);
    EXPECT_TRUE(ok);

    h.board.SetFault(sim::FaultKind::Length, 0, 1);
    got = h.Exchange(PING);
    EXPECT_EQ(GetU32(got.data() + 2), 2u);
    ModelHarness::PayloadOf(got, CMD_PING, ok);
    EXPECT_TRUE(ok); // a well-formed frame, one byte longer than the command's reply

    h.board.SetFault(sim::FaultKind::Truncate, 0, 1);
    got = h.Exchange(sim::BuildFrame(CMD_QUERY_BOARD_NAME, {}));
    EXPECT_GT(got.size(), HEADER_LEN);
    EXPECT_LT(got.size(), 33 + FRAME_OVERHEAD);

    h.board.SetFault(sim::FaultKind::Garbage, 5, 1);
    got = h.Exchange(PING);
    ASSERT_EQ(got.size(), 5 + PING_REPLY.size());
    EXPECT_EQ(std::count(got.begin(), got.begin() + 5, START_MARKER), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(got.begin() + 5, got.end()), PING_REPLY);

    h.board.SetFault(sim::FaultKind::Stall, 300, 1);
    EXPECT_TRUE(h.Exchange(PING).empty());
    h.nowUs += 299000;
    EXPECT_TRUE(h.Collect().empty());
    h.nowUs += 2000;
    EXPECT_EQ(h.Collect(), PING_REPLY);

    EXPECT_EQ(h.board.PendingFault(), sim::FaultKind::None);
    EXPECT_EQ(h.Exchange(PING), PING_REPLY);
}

TEST(ConfigurationImage, OnlyAnIntactImageForThisBoardConfigures)
{
    const auto image = sim::MakeImage(1000);
    std::string why;
    EXPECT_TRUE(sim::CheckImage(image.data(), image.size(), why));

    std::vector<std::uint8_t> truncated(image.begin(), image.end() - 1);
    auto corrupted = image;
    corrupted[500] ^= 0x10;
    auto foreign = image;
    foreign[16] = 'Z'; // another target board (CRC made to match)
    PutU32(foreign.data() + 12, sim::Crc32(foreign.data() + 16, foreign.size() - 16));
    std::vector<std::uint8_t> tiny = {'V', 'X', '5', 'H', 'I', 'M', 'G', '1'};
    for (const auto* bad : {&truncated, &corrupted, &foreign, &tiny}) {
        sim::TSimBoard board;
        ASSERT_TRUE(board.Configure(image.data(), image.size(), why));
        EXPECT_FALSE(board.Configure(bad->data(), bad->size(), why));
        EXPECT_FALSE(board.Configured()) << why; // a failed load leaves the FPGA blank
    }
    EXPECT_EQ(sim::Crc32(reinterpret_cast<const std::uint8_t*>("123456789"), 9), 0xCBF43926u);
}

TEST(ControlCommands, DriveTheInputsAndReportTheState)
{
    ModelHarness h;
    FakeHost host;
    auto run = [&](std::vector<std::string> args) { return sim::RunControl(args, h.board, host); };
    EXPECT_EQ(run({"set", "keys", "0xF"}).status, 0);
    EXPECT_EQ(run({"set", "keys", "16"}).status, 2);
    EXPECT_EQ(run({"set", "switches", "0x3FFFF"}).status, 0);
    EXPECT_EQ(run({"set", "gsensor", "-16384", "0", "0x10"}).status, 0);
    EXPECT_EQ(run({"hsmc", "fail", "0x10000000001", "9"}).status, 0);
    EXPECT_EQ(run({"sdcard", "remove"}).status, 0);
    EXPECT_EQ(run({"fault", "stall", "100", "3"}).status, 0);
    EXPECT_EQ(run({"link", "102400", "1.5"}).status, 0);
    EXPECT_EQ(run({"link", "102400", "fast"}).status, 2);
    EXPECT_EQ(run({"mem", "write", "eeprom", "4094", "ab:cd"}).status, 0);
    EXPECT_EQ(run({"mem", "write", "eeprom", "4095", "abcd"}).status, 1);
    EXPECT_EQ(run({"mem", "read", "eeprom", "4094", "2"}).text, "ab cd\n");
    EXPECT_EQ(run({"mem", "read", "flash", "0", "1"}).text, "ff\n");
    EXPECT_EQ(run({"bogus"}).status, 2);
    EXPECT_EQ(run({"unplug"}).status, 0);
    EXPECT_FALSE(host.plugged);

    const std::string state = run({"state"}).text;
    for (const char* part : {"\"configured\":true", "\"keys\":15", "\"switches\":262143", "\"gsensor\":[-16384,0,16]",
             "\"sdcard\":false", "\"adapter\":\"fail\"", "\"io_fail\":1099511627777", "\"xcvr_fail\":9",
             "\"kind\":\"stall\",\"count\":3", "\"rate\":102400", "\"latency_ms\":1.5", "\"plugged\":false",
             "\"lcd\":[\"VX5h-260\",\"Control Panel\"]", "\"vga\":{\"mode\":2,\"pattern\":0}"})
        EXPECT_NE(state.find(part), std::string::npos) << part << " in " << state;

    // Text from outside reaches a receiver only while it is on.
    EXPECT_NE(run({"rs232", "lost"}).text.find("dropped"), std::string::npos);
    h.board.State().rs232.enabled = true;
    EXPECT_EQ(run({"rs232", "hello", "world"}).status, 0);
    EXPECT_EQ(h.board.State().rs232.fifo.size(), 11u);
    EXPECT_EQ(run({"ir", "0x100"}).status, 2);

    // Any byte stays valid JSON (bytes above 0x7F as Latin-1), and numbers read as typed.
    h.board.State().rs232Sent = std::string("a\"\n") + '\0' + '\xE9';
    EXPECT_EQ(run({"link", "0", "0.1"}).status, 0);
    const std::string escaped = run({"state"}).text;
    EXPECT_NE(escaped.find("\"rs232_sent\":\"a\\\"\\n\\u0000\\u00e9\""), std::string::npos) << escaped;
    EXPECT_NE(escaped.find("\"link\":{\"rate\":0,\"latency_ms\":0.1}"), std::string::npos) << escaped;
    // Configuring takes its time only with real timing, refused or not.
    const auto image = sim::MakeImage(64);
    const std::string bytes(image.begin(), image.end());
    EXPECT_EQ(run({"configure-image", bytes}).delayMs, 0u);
    h.board.SetRealTiming(true);
    const auto slow = run({"configure-image", bytes.substr(1)});
    EXPECT_EQ(slow.status, 1);
    EXPECT_GT(slow.delayMs, 1000u);
    EXPECT_FALSE(h.board.Configured());

    EXPECT_EQ(run({"quit"}).status, 0);
    EXPECT_TRUE(host.quit);
}

TEST(ControlCommands, NumbersAreDecimalOrHex)
{
    std::int64_t v = 0;
    EXPECT_TRUE(sim::ParseNumber("010", v));
    EXPECT_EQ(v, 10);
    EXPECT_TRUE(sim::ParseNumber("0x1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(sim::ParseNumber("-0x10", v));
    EXPECT_EQ(v, -16);
    for (const char* bad : {"", "0x", "12a", " 1", "1e3", "99999999999999999999999"})
        EXPECT_FALSE(sim::ParseNumber(bad, v)) << bad;
}
