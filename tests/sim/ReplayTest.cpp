// The board of a transcript, driven as the server drives it: opens, request bytes in,
// reply bytes out at their time, closes and configurations.
#include "board/Crc32.h"
#include "sim/Replay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const char* const TRANSCRIPT = R"({"vx5h_trace":1,"program":"vx5h"}
{"t":0,"ev":"open","ok":false,"error":3,"reason":"no JTAG UART"}
{"t":10,"ev":"configure","us":5,"image":"VX5h_260_ControlPanel.sof","ok":true}
{"t":100,"ev":"open","ok":true,"cable":"USB-Blaster"}
{"t":200,"ev":"flush","us":900,"n":0}
{"t":1100,"ev":"w","us":1,"ok":true,"hex":"aa0504000000050000000e55"}
{"t":1200,"ev":"r","us":300,"want":6,"hex":"aa0501000000"}
{"t":1600,"ev":"r","want":3,"hex":"000655"}
{"t":2000,"ev":"w","ok":true,"hex":["aa0c4b0000000000000000",{"n":70,"crc32":"%CRC%","sum":0},"3c55"]}
{"t":2100,"ev":"r","us":100,"want":9,"hex":"aa0c01000000000d55"}
{"t":3000,"ev":"w","ok":false,"hex":"aa0100000000000155"}
{"t":3001,"ev":"fail","cmd":1,"cause":"write_refused","ms":0}
{"t":3002,"ev":"close"}
{"t":4000,"ev":"open","ok":false,"error":1,"reason":"unplugged"}
)";

Bytes HexBytes(const std::string& hex)
{
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// The memory write of the transcript: 70 bytes of 0x11 (a CRC the file keeps, and a sum
// whatever it is: the replay fills in its own bytes only for reads).
Bytes MemoryWrite(std::uint8_t fill = 0x11)
{
    Bytes frame = HexBytes("aa0c4b0000000000000000");
    frame.insert(frame.end(), 70, fill);
    frame.push_back(0x3c);
    frame.push_back(0x55);
    return frame;
}

class ReplayTest : public ::testing::Test {
protected:
    void SetUp() override { Start(1.0); }
    void Start(double speed)
    {
        reports.clear();
        std::string text = TRANSCRIPT;
        const Bytes data(70, 0x11);
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x", crc32::Of(data.data(), data.size()));
        text.replace(text.find("%CRC%"), 5, crc);
        trace::TTranscript transcript;
        std::string error;
        ASSERT_TRUE(trace::ParseTranscript(text, transcript, error)) << error;
        replay = std::make_unique<sim::TReplay>(
            std::move(transcript), speed, [this](const std::string& line) { reports.push_back(line); });
    }
    // Up to the connected cable: the refused open, the configuration, the open.
    void Connect()
    {
        ASSERT_EQ(replay->OpenCable(), sim::JTAG_NO_UART);
        replay->CloseCable();
        sim::ControlAnswer answer;
        ASSERT_TRUE(replay->Control({"configure-image", "image"}, answer, 0));
        ASSERT_EQ(answer.status, 0);
        ASSERT_EQ(replay->OpenCable(), 0);
    }
    Bytes Out(std::uint64_t nowUs)
    {
        Bytes out(256);
        out.resize(replay->Transmit(nowUs, out.data(), out.size()));
        return out;
    }

    std::unique_ptr<sim::TReplay> replay;
    std::vector<std::string> reports;
};

TEST_F(ReplayTest, AnswersAsOnRecordAtTheRecordedPaceToTheEnd)
{
    Connect();
    const Bytes request = HexBytes("aa0504000000050000000e55");
    replay->Receive(request.data(), 5, 1000000); // in pieces, as a socket delivers them
    EXPECT_TRUE(Out(1000000).empty());
    replay->Receive(request.data() + 5, request.size() - 5, 1000000);
    // The header read ended 400 us after the request went out, the rest 500 us after.
    EXPECT_EQ(replay->NextEventUs(), 1000400u);
    EXPECT_TRUE(Out(1000399).empty());
    EXPECT_EQ(Out(1000400), HexBytes("aa0501000000"));
    EXPECT_EQ(Out(1000500), HexBytes("000655"));

    const Bytes write = MemoryWrite();
    replay->Receive(write.data(), write.size(), 2000000);
    EXPECT_EQ(Out(2000200), HexBytes("aa0c01000000000d55"));
    // The ping was refused on record: the link breaks now, the refused request and the
    // close after it never come, and the next open is refused as it was.
    EXPECT_FALSE(replay->CableUsable());
    replay->CloseCable();
    EXPECT_EQ(replay->OpenCable(), sim::JTAG_UNPLUGGED);
    EXPECT_TRUE(replay->Complete()) << replay->Status();
    EXPECT_TRUE(reports.empty());
}

TEST_F(ReplayTest, TheFirstStepThatDiffersIsReportedAndStopsTheBoard)
{
    struct Case {
        const char* what;
        std::function<void(sim::TReplay&)> act;
        const char* report;
    };
    const Case cases[] = {
        {"another LED mask",
            [](sim::TReplay& r) {
                const Bytes request = HexBytes("aa0504000000070000001055");
                r.Receive(request.data(), request.size(), 0);
            },
            "line 6: expected a request (command 5, 12 bytes: aa0504000000050000000e55), came a request "
            "(command 5, 12 bytes: aa0504000000070000001055), differing at byte 6"},
        {"other memory contents",
            [](sim::TReplay& r) {
                const Bytes request = HexBytes("aa0504000000050000000e55");
                r.Receive(request.data(), request.size(), 0);
                const Bytes write = MemoryWrite(0x22);
                r.Receive(write.data(), write.size(), 0);
            },
            "line 9: expected a request (command 12, 83 bytes: aa0c4b0000000000000000000000000000000000000000"
            "00...), came a request (command 12, 83 bytes: aa0c4b000000000000000022222222222222222222222222...) "
            "whose left-out bytes 11-80 have another CRC-32"},
        {"a close too early", [](sim::TReplay& r) { r.CloseCable(); }, "line 6: expected a request"},
        {"a configuration too many",
            [](sim::TReplay& r) {
                sim::ControlAnswer answer;
                r.Control({"configure-image", "image"}, answer, 0);
            },
            "line 6: expected a request (command 5, 12 bytes: aa0504000000050000000e55), came a configuration"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        Connect();
        c.act(*replay);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find(c.report), std::string::npos) << reports[0];
        EXPECT_FALSE(replay->CableUsable());
        EXPECT_EQ(replay->OpenCable(), sim::JTAG_UNPLUGGED);
        EXPECT_FALSE(replay->Complete());
        sim::ControlAnswer answer;
        ASSERT_TRUE(replay->Control({"replay"}, answer, 0));
        EXPECT_EQ(answer.status, 1);
        EXPECT_EQ(answer.text.rfind("mismatch: line ", 0), 0u) << answer.text;
    }
}

// A replay slowed down waits as long as it is told, up to what a clock can count; a speed
// that makes every wait longer than that is refused before the replay starts.
TEST_F(ReplayTest, ASlowReplayWaitsWhatCanBeWaited)
{
    const Bytes request = HexBytes("aa0504000000050000000e55");
    const struct {
        double speed;
        std::uint64_t due; // of the first read, the request having come at 1 s
    } cases[] = {
        {1.0, 1000400},
        {1.0 / 128, 1000000 + 400 * 128},
        {1e-300, UINT64_MAX},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        Start(c.speed);
        Connect();
        replay->Receive(request.data(), request.size(), 1000000);
        EXPECT_EQ(replay->NextEventUs(), c.due);
        EXPECT_EQ(Out(c.due - 1).size(), 0u);
    }
    for (const double speed : {1e-300, 1e-7, -1.0, std::nan("")}) {
        std::string error;
        EXPECT_FALSE(sim::LoadReplay("no-such-transcript.jsonl", speed, nullptr, error)) << speed;
        EXPECT_NE(error.find("cannot be waited: the slowest is 0.000001"), std::string::npos) << error;
    }
}

// Memory contents left out of a read come back as made-up bytes with the recorded sum,
// made as they go out.
TEST(ReplayLeftOutTest, ALeftOutReadGoesOutWithItsSum)
{
    trace::TTranscript transcript;
    std::string error;
    ASSERT_TRUE(trace::ParseTranscript(R"({"vx5h_trace":1}
{"t":0,"ev":"open","ok":true,"cable":"c"}
{"t":1,"ev":"w","ok":true,"hex":"aa0100000000000155"}
{"t":2,"ev":"r","want":1,"hex":["aa",{"n":131070,"crc32":"00000000","sum":7},"55"]}
)",
        transcript, error))
        << error;
    sim::TReplay replay(std::move(transcript), 0, nullptr);
    ASSERT_EQ(replay.OpenCable(), 0);
    const Bytes request = HexBytes("aa0100000000000155");
    replay.Receive(request.data(), request.size(), 0);
    Bytes all, piece(4096);
    while (const std::size_t n = replay.Transmit(0, piece.data(), piece.size()))
        all.insert(all.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
    ASSERT_EQ(all.size(), 131072u);
    EXPECT_EQ(all[0], 0xaa);
    EXPECT_EQ(all[1], 7);
    EXPECT_EQ(std::count(all.begin() + 2, all.end() - 1, 0), 131069);
    EXPECT_EQ(all.back(), 0x55);
    EXPECT_TRUE(replay.Complete()) << replay.Status();
}

} // namespace
