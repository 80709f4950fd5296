// The transcript of the link as the board records it, read back by the same reader that
// `vx5h trace` and the replay use.
#include "tests/core/CoreTestSupport.h"

#include "board/Crc32.h"
#include "board/TraceRecorder.h"
#include "core/TraceExchanges.h"
#include "core/TraceFile.h"

#include <algorithm>

using namespace coretest;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Pattern(std::size_t count, std::uint8_t seed)
{
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

class TraceRecorderTest : public ConnectedBoard {
protected:
    std::shared_ptr<TTraceRecorder> Record(trace::TOptions options = {})
    {
        std::string error;
        auto recorder = TTraceRecorder::Create(path.string(), {"tests", "1", "here", "sim"}, options, error);
        EXPECT_TRUE(recorder) << error;
        return std::shared_ptr<TTraceRecorder>(std::move(recorder));
    }
    trace::TTranscript ReadBack()
    {
        board.SetTrace(nullptr); // closes the file
        trace::TTranscript transcript;
        std::string error;
        EXPECT_TRUE(trace::ReadTranscriptFile(path.string(), transcript, error)) << error;
        return transcript;
    }
    std::vector<const trace::TEvent*> Events(const trace::TTranscript& t, trace::TEventKind kind)
    {
        std::vector<const trace::TEvent*> found;
        for (const trace::TEvent& event : t.events)
            if (event.kind == kind)
                found.push_back(&event);
        return found;
    }

    // A session of every kind of exchange: plain, a memory write and read (the read's
    // reply in pieces, the next one behind stray bytes), and one that fails.
    void Session(std::vector<bool>& results)
    {
        fake->maxPiece = 40;
        Reply(protocol::CMD_SET_LED, {0});
        results.push_back(board.SetLed(5));
        Reply(protocol::CMD_MEMORY_WRITE, {0});
        const Bytes data = Pattern(200, 3);
        results.push_back(board.MemoryWrite(protocol::MEM_SDRAM, 0x100, 200, data.data()));
        Bytes reply = Pattern(101, 9);
        reply[0] = 0;
        Reply(protocol::CMD_MEMORY_READ, reply);
        Bytes back(100);
        results.push_back(board.MemoryRead(protocol::MEM_SDRAM, 0x100, 100, back.data()));
        Bytes garbled = {0x11, 0x22};
        const Bytes frame = Frame(protocol::CMD_MEMORY_READ, reply);
        garbled.insert(garbled.end(), frame.begin(), frame.end());
        ReplyBytes(garbled);
        results.push_back(board.MemoryRead(protocol::MEM_SDRAM, 0x100, 100, back.data()));
        results.push_back(board.Ping()); // no reply scripted: the budget runs out
    }

    TempFolder folder;
    std::filesystem::path path = folder / "link.jsonl";
};

TEST_F(TraceRecorderTest, RecordingChangesNoByteOnTheWireNorAnyResult)
{
    std::vector<bool> plain, recorded;
    Session(plain);
    const Bytes wire = fake->written;
    const std::vector<std::int32_t> writes = fake->writeSizes;

    fake->Reset();
    std::string error;
    ASSERT_TRUE(board.Connect(error));
    board.SetTrace(Record());
    Session(recorded);

    EXPECT_EQ(fake->written, wire);
    EXPECT_EQ(fake->writeSizes, writes);
    EXPECT_EQ(recorded, plain);
    const trace::TTranscript transcript = ReadBack();
    EXPECT_EQ(Events(transcript, trace::TEventKind::Write).size(), writes.size());
    const auto failures = Events(transcript, trace::TEventKind::Fail);
    ASSERT_EQ(failures.size(), 2u); // the garbled read and the silent ping
    EXPECT_EQ(failures[0]->text, "wrong_reply");
    EXPECT_EQ(failures[1]->text, "no_reply");
}

// Memory contents are the user's: beyond 64 bytes only their length, CRC-32 and sum stay,
// wherever the reads cut the reply, and the frames still check out as they did.
TEST_F(TraceRecorderTest, MemoryPayloadsBeyondSixtyFourBytesAreLeftOutUnlessAsked)
{
    struct Case {
        bool keepData;
        std::uint32_t length;
        int piece;
        bool leftOut;
    };
    for (const Case c : {Case{false, 65, 1, true}, Case{false, 64, 1 << 30, false}, Case{false, 1000, 7, true},
             Case{true, 1000, 1 << 30, false}}) {
        SCOPED_TRACE("length " + std::to_string(c.length) + (c.keepData ? ", whole" : ""));
        fake->Reset();
        std::string error;
        ASSERT_TRUE(board.Connect(error));
        fake->maxPiece = c.piece;
        trace::TOptions options;
        options.keepData = c.keepData;
        board.SetTrace(Record(options));
        const Bytes data = Pattern(c.length, 1);
        Reply(protocol::CMD_MEMORY_WRITE, {0});
        ASSERT_TRUE(board.MemoryWrite(protocol::MEM_SSRAM0, 0, c.length, data.data()));
        Bytes reply(1, 0);
        reply.insert(reply.end(), data.begin(), data.end());
        Reply(protocol::CMD_MEMORY_READ, reply);
        Bytes back(c.length);
        ASSERT_TRUE(board.MemoryRead(protocol::MEM_SSRAM0, 0, c.length, back.data()));

        const trace::TTranscript transcript = ReadBack();
        const auto writes = Events(transcript, trace::TEventKind::Write);
        ASSERT_EQ(writes.size(), 2u);
        const trace::TBytes& written = writes[0]->data;
        std::vector<trace::TGap> readGaps;
        for (const trace::TEvent* read : Events(transcript, trace::TEventKind::Read))
            readGaps.insert(readGaps.end(), read->data.gaps.begin(), read->data.gaps.end());
        if (c.leftOut) {
            ASSERT_EQ(written.gaps.size(), 1u);
            EXPECT_EQ(written.gaps[0].length, c.length);
            EXPECT_EQ(written.gaps[0].crc, crc32::Of(data.data(), data.size()));
            std::uint32_t readLength = 0;
            for (const trace::TGap& gap : readGaps)
                readLength += gap.length;
            EXPECT_EQ(readLength, c.length);
        } else {
            EXPECT_TRUE(written.gaps.empty());
            EXPECT_TRUE(readGaps.empty());
            EXPECT_TRUE(
                std::search(written.kept.begin(), written.kept.end(), data.begin(), data.end()) != written.kept.end());
        }
        for (const trace::TItem& item : trace::ReadExchanges(transcript)) {
            if (!item.event) {
                EXPECT_TRUE(item.exchange.replied) << item.exchange.line;
            }
        }
    }
}

TEST_F(TraceRecorderTest, TheFileStopsAtItsLimitWithANote)
{
    trace::TOptions options;
    options.limitBytes = 4096;
    board.SetTrace(Record(options));
    for (int i = 0; i < 100; ++i) {
        Reply(protocol::CMD_SET_LED, {0});
        ASSERT_TRUE(board.SetLed(static_cast<std::uint32_t>(i)));
    }
    EXPECT_TRUE(board.Trace()->Cut());
    const trace::TTranscript transcript = ReadBack();
    EXPECT_LE(std::filesystem::file_size(path), options.limitBytes);
    ASSERT_FALSE(transcript.events.empty());
    EXPECT_EQ(transcript.events.back().kind, trace::TEventKind::Cut);
    EXPECT_EQ(transcript.events.back().number, 4096);

    // The header keeps the limit too: one that does not fit is refused before the file
    // is made.
    std::filesystem::remove(path);
    std::string error;
    EXPECT_FALSE(TTraceRecorder::Create(path.string(), {"tests", "1", "here", std::string(5000, 'c')}, options, error));
    EXPECT_NE(error.find("leaves no room for the header"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
