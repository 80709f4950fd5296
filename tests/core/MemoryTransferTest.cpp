// The range transfers against a simulated board of the test's own: the steps and packets
// both faces use, abort between steps, a failing step, the first keep-alive, and ranges
// streamed through files and verified in pieces, ending at a memory's last byte.
#include "SimulatedBoard.h"
#include "BytePattern.h"

#include "board/Board.h"
#include "board/Protocol.h"
#include "core/DumpFile.h"
#include "core/MemoryFile.h"
#include "core/MemoryTransfer.h"
#include "core/MemoryVerify.h"
#include "platform/Hooks.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using testsupport::SimulatedBoard;
using namespace protocol;

namespace {

// What the window's dialog or the command line's progress line would see.
class TRecorder final : public memory::ITransferProgress {
public:
    void Advance(std::uint64_t done, std::uint64_t total) override
    {
        steps.push_back(done);
        this->total = total;
        if (onStep)
            onStep(steps.size());
    }
    bool AbortRequested() override { return steps.size() >= abortAfter; }

    std::vector<std::uint64_t> steps;
    std::uint64_t total = 0;
    std::size_t abortAfter = std::numeric_limits<std::size_t>::max();
    std::function<void(std::size_t)> onStep;
};

class MemoryTransfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::OverrideExecutableFolder(SimulatedBoard::BinFolder());
        platform::SetBeepHandler([] {});
        platform::SetErrorDialogHandler([](const std::string&) {});
        sim = std::make_unique<SimulatedBoard>();
        std::string error;
        ASSERT_TRUE(board.Connect(error, 0)) << error;
        char pattern[] = "/tmp/vx5h-transfer-XXXXXX";
        folder = ::mkdtemp(pattern);
    }
    void TearDown() override
    {
        board.Disconnect();
        sim.reset();
        fs::remove_all(folder);
        platform::SetBeepHandler({});
        platform::SetErrorDialogHandler({});
        platform::OverrideExecutableFolder(std::nullopt);
    }

    std::vector<std::uint8_t> OnBoard(std::uint8_t type, std::uint32_t address, std::uint32_t count)
    {
        std::vector<std::uint8_t> bytes(count);
        EXPECT_TRUE(board.MemoryRead(type, address, count, bytes.data()));
        return bytes;
    }

    std::unique_ptr<SimulatedBoard> sim;
    TBoard board;
    fs::path folder;
};

} // namespace

// Reads advance in twentieths (capped by a streaming reader's step), writes one packet
// per step at most; every step is reported, and an abort takes effect after the step
// that saw it, the last one included.
TEST_F(MemoryTransfer, StepsFollowTheRangeAndAbortEndsAfterAStep)
{
    const std::vector<std::uint8_t> data = testsupport::BytePattern(2 * MEMORY_WRITE_CHUNK * 20 + 7, 1);
    const struct {
        std::uint32_t count;
        std::uint32_t maxStep;
        std::size_t readSteps;
        std::size_t writeSteps;
    } cases[] = {
        {1000, memory::NO_STEP_LIMIT, 20, 20},
        {19, memory::NO_STEP_LIMIT, 1, 1},
        {1, memory::NO_STEP_LIMIT, 1, 1},
        {100000, 4096, 25, 20},
        // A twentieth is more than a packet: writes go one packet per step.
        // Twenty steps and the remainder of the division.
        {static_cast<std::uint32_t>(data.size()), memory::NO_STEP_LIMIT, 21, 41},
        {static_cast<std::uint32_t>(data.size()), 32768, 40, 41},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " bytes, step limit " + std::to_string(c.maxStep));
        TRecorder wrote;
        memory::TBufferSource source(data.data());
        const memory::TRangeResult w = memory::WriteRangeWithProgress(board, wrote, MEM_SDRAM, 0x100, c.count, source);
        EXPECT_TRUE(w.ok);
        EXPECT_EQ(w.moved, c.count);
        EXPECT_EQ(wrote.steps.size(), c.writeSteps);
        EXPECT_EQ(wrote.steps.back(), c.count);
        EXPECT_EQ(wrote.total, c.count);

        TRecorder read;
        std::vector<std::uint8_t> back(c.count);
        memory::TBufferSink sink(back.data());
        const memory::TRangeResult r
            = memory::ReadRangeWithProgress(board, read, MEM_SDRAM, 0x100, c.count, sink, c.maxStep);
        EXPECT_TRUE(r.ok && !r.aborted && !r.stepFailed && !r.dataFailed);
        EXPECT_EQ(r.moved, c.count);
        EXPECT_EQ(read.steps.size(), c.readSteps);
        EXPECT_EQ(read.steps.back(), c.count);
        EXPECT_TRUE(std::equal(back.begin(), back.end(), data.begin()));
    }

    TRecorder aborting;
    aborting.abortAfter = 3;
    std::vector<std::uint8_t> back(1000);
    memory::TBufferSink sink(back.data());
    memory::TRangeResult r = memory::ReadRangeWithProgress(board, aborting, MEM_SDRAM, 0, 1000, sink);
    EXPECT_TRUE(r.aborted);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(aborting.steps, (std::vector<std::uint64_t>{50, 100, 150}));
    EXPECT_EQ(r.moved, 150u);

    // An abort seen after the last step still counts: the user asked before it ended.
    TRecorder late;
    late.abortAfter = 1;
    memory::TBufferSource source(data.data());
    const memory::TRangeResult w = memory::WriteRangeWithProgress(board, late, MEM_SDRAM, 0, 10, source);
    EXPECT_TRUE(w.aborted);
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.moved, 10u);
}

// A packet whose exchange fails is sent again after a flush and a keep-alive, at most
// twice; a step that still fails ends the transfer as a lost link (which the window's
// write takes as a failed step), a refusal ends it at once; the cause is kept either way.
TEST_F(MemoryTransfer, FailedPacketsAreSentAgainTwiceBeforeTheTransferFails)
{
    // Steps of 4000 bytes, one packet each: a reply left in the link is more than one flush takes.
    constexpr std::uint32_t BYTES = 20 * 4000;
    const std::vector<std::uint8_t> data = testsupport::BytePattern(BYTES, 2);
    const struct {
        bool write;
        const char* fault; // injected after the fifth step
        bool ok;
        bool linkLost;
        std::uint32_t retried;
        TLinkFailure failure;
    } cases[] = {
        {true, "fault checksum 1", true, false, 1, TLinkFailure::BadChecksum},
        {false, "fault checksum 2", true, false, 1, TLinkFailure::BadChecksum}, // the first retry's keep-alive too
        {false, "fault echo 1", true, false, 1, TLinkFailure::WrongReply},
        {false, "fault length 1", true, false, 1, TLinkFailure::WrongLength},
        {true, "fault checksum 3", false, true, 1, TLinkFailure::BadChecksum},
        {false, "fault refuse 1", false, false, 0, TLinkFailure::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.write ? "write, " : "read, ") + c.fault);
        TRecorder failing;
        failing.onStep = [this, &c](std::size_t step) {
            if (step == 5)
                sim->Ctl(c.fault);
        };
        memory::TRangeResult result;
        std::vector<std::uint8_t> back(BYTES);
        ASSERT_TRUE(board.MemoryWrite(MEM_SSRAM0, 0, BYTES, c.write ? back.data() : data.data()));
        if (c.write) {
            memory::TBufferSource source(data.data());
            result = memory::WriteRangeWithProgress(board, failing, MEM_SSRAM0, 0, BYTES, source);
        } else {
            memory::TBufferSink sink(back.data());
            result = memory::ReadRangeWithProgress(board, failing, MEM_SSRAM0, 0, BYTES, sink);
        }
        sim->Ctl("fault none");
        EXPECT_EQ(c.ok, result.ok);
        EXPECT_EQ(!c.ok, result.stepFailed);
        EXPECT_EQ(c.linkLost, result.linkLost);
        EXPECT_EQ(c.retried, result.retried);
        EXPECT_EQ(c.failure, result.failure);
        EXPECT_EQ(failing.steps.size(), c.ok ? 20u : 6u);
        EXPECT_EQ(result.moved, c.ok ? BYTES : 5 * 4000u);
        if (c.ok) {
            EXPECT_EQ(c.write ? OnBoard(MEM_SSRAM0, 0, BYTES) : back, data);
        }
    }

    // The keep-alive before the first step is sent again like a packet.
    sim->Ctl("fault checksum 3");
    TRecorder none;
    std::vector<std::uint8_t> back(4000);
    memory::TBufferSink sink(back.data());
    const memory::TRangeResult r = memory::ReadRangeWithProgress(board, none, MEM_SSRAM0, 0, 4000, sink);
    EXPECT_FALSE(r.ok || r.stepFailed);
    EXPECT_TRUE(r.linkLost);
    EXPECT_EQ(r.failure, TLinkFailure::BadChecksum);
    EXPECT_TRUE(none.steps.empty());

    // A source that runs dry sends nothing more.
    class TDry final : public memory::IWriteSource {
    public:
        const std::uint8_t* Next(std::size_t) override { return ++calls < 3 ? byte : nullptr; }
        std::uint8_t byte[200] = {};
        int calls = 0;
    } dry;
    TRecorder stopped;
    const memory::TRangeResult w = memory::WriteRangeWithProgress(board, stopped, MEM_SSRAM0, 0, 4000, dry);
    EXPECT_FALSE(w.ok);
    EXPECT_TRUE(w.dataFailed);
    EXPECT_FALSE(w.stepFailed);
    EXPECT_EQ(w.moved, 400u);
    EXPECT_EQ(OnBoard(MEM_SSRAM0, 400, 4), std::vector<std::uint8_t>(data.begin() + 400, data.begin() + 404));
}

// The command line's way: a range dumped to a HEX file in small steps, loaded back from
// it into another memory, and verified against the file, every range ending at the
// memory's last byte with an odd length.
TEST_F(MemoryTransfer, StreamedDumpLoadAndVerifyRoundTrip)
{
    const std::uint32_t count = 100001;
    const std::uint32_t sdramStart = 0x8000000 - count;
    const std::uint32_t ssramStart = 0x200000 - count;
    const std::vector<std::uint8_t> data = testsupport::BytePattern(count, 3);
    ASSERT_TRUE(board.MemoryWrite(MEM_SDRAM, sdramStart, count, data.data()));
    const fs::path file = folder / "range.hex";

    TRecorder dumped;
    memory::TDumpFileWriter writer;
    ASSERT_EQ(memory::TDumpStatus::Ok, writer.Begin(file, memory::IsHexFileName(file)));
    memory::TDumpSink dumpSink(writer);
    const memory::TRangeResult dump
        = memory::ReadRangeWithProgress(board, dumped, MEM_SDRAM, sdramStart, count, dumpSink, 4096);
    ASSERT_TRUE(dump.ok);
    ASSERT_EQ(memory::TDumpStatus::Ok, writer.Commit());
    EXPECT_EQ(fs::file_size(file), 2u * count);
    EXPECT_EQ(dumped.steps.size(), 25u);

    memory::TMemoryFileReader reader;
    ASSERT_EQ(memory::TLoadStatus::Ok, reader.Open(file, true));
    ASSERT_EQ(memory::TLoadStatus::Ok, reader.Plan(true, 0, 0x200000 - ssramStart));
    ASSERT_EQ(reader.Count(), count);
    memory::TFileSource loadSource(reader);
    TRecorder loaded;
    const memory::TRangeResult load
        = memory::WriteRangeWithProgress(board, loaded, MEM_SSRAM1, ssramStart, count, loadSource);
    ASSERT_TRUE(load.ok);
    EXPECT_EQ(OnBoard(MEM_SSRAM1, ssramStart, count), data);

    const auto verify = [&](std::uint8_t type, std::uint32_t start) {
        memory::TMemoryFileReader expected;
        EXPECT_EQ(memory::TLoadStatus::Ok, expected.Open(file, true));
        EXPECT_EQ(memory::TLoadStatus::Ok, expected.Plan(false, count, count));
        memory::TFileSource source(expected);
        TRecorder progress;
        return memory::VerifyRangeWithProgress(board, progress, type, start, count, source, 4096);
    };
    EXPECT_TRUE(verify(MEM_SSRAM1, ssramStart).Same());
    EXPECT_TRUE(verify(MEM_SDRAM, sdramStart).Same());

    // Both bytes of one word and the memory's very last byte differ.
    const auto flipped = [&](std::uint32_t address) {
        char text[3];
        std::snprintf(text, sizeof text, "%02x", data[address - ssramStart] ^ 0xFF);
        return std::string(text);
    };
    const std::uint32_t pair = ssramStart + 5001;
    ASSERT_EQ(pair % 2, 0u);
    sim->Ctl("mem write ssram1 " + std::to_string(pair) + " " + flipped(pair) + flipped(pair + 1));
    sim->Ctl("mem write ssram1 " + std::to_string(0x1FFFFF) + " " + flipped(0x1FFFFF));
    const memory::TVerifyResult changed = verify(MEM_SSRAM1, ssramStart);
    EXPECT_TRUE(changed.read.ok);
    EXPECT_FALSE(changed.Same());
    EXPECT_EQ(changed.firstDifference, pair);
    EXPECT_EQ(changed.differentBytes, 3u);
    EXPECT_EQ(changed.differentWords, 2u);

    // A file shorter than the range ends the verify as a data failure, not a difference.
    fs::resize_file(file, 1000);
    memory::TMemoryFileReader shortReader;
    ASSERT_EQ(memory::TLoadStatus::Ok, shortReader.Open(file, true));
    ASSERT_EQ(memory::TLoadStatus::Ok, shortReader.Plan(true, 0, count));
    memory::TFileSource shortSource(shortReader);
    TRecorder progress;
    const memory::TVerifyResult cut
        = memory::VerifyRangeWithProgress(board, progress, MEM_SSRAM1, ssramStart, count, shortSource, 4096);
    EXPECT_FALSE(cut.read.ok);
    EXPECT_TRUE(cut.read.dataFailed);
}

// What was programmed into flash is read back: a word that was not erased ends the write
// with its address and both values. An erase of a range erases the blocks it touches and
// gives the rest of those blocks back what they held.
TEST_F(MemoryTransfer, FlashIsReadBackAndARangeEraseKeepsTheRestOfItsBlocks)
{
    const std::vector<std::uint8_t> data = testsupport::BytePattern(0x100, 4);
    sim->Ctl("mem write flash 0x10004 04 02");
    TRecorder wrote;
    memory::TBufferSource source(data.data());
    memory::TRangeResult w = memory::WriteRangeWithProgress(board, wrote, MEM_FLASH, 0x10000, 0x100, source);
    EXPECT_FALSE(w.ok || w.stepFailed || w.linkLost);
    EXPECT_TRUE(w.notErased);
    EXPECT_EQ(w.badAddress, 0x10004u);
    EXPECT_EQ(w.wroteWord, data[4] | data[5] << 8);
    EXPECT_EQ(w.readWord, (data[4] | data[5] << 8) & 0x0204);

    sim->Ctl("mem write flash 0xfff0 11 22");
    sim->Ctl("mem write flash 0x20010 33 44");
    TRecorder erased;
    const memory::TEraseResult e = memory::EraseRangeWithProgress(board, erased, MEM_FLASH, 0xFFFE, 0x10004);
    EXPECT_TRUE(e.success);
    EXPECT_FALSE(e.keptFailed);
    EXPECT_EQ(erased.steps, (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_EQ(OnBoard(MEM_FLASH, 0xFFF0, 2), (std::vector<std::uint8_t>{0x11, 0x22}));
    EXPECT_EQ(OnBoard(MEM_FLASH, 0xFFFE, 2), (std::vector<std::uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(OnBoard(MEM_FLASH, 0x10004, 2), (std::vector<std::uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(OnBoard(MEM_FLASH, 0x20010, 2), (std::vector<std::uint8_t>{0x33, 0x44}));

    memory::TBufferSource again(data.data());
    TRecorder rewrote;
    w = memory::WriteRangeWithProgress(board, rewrote, MEM_FLASH, 0x10000, 0x100, again);
    EXPECT_TRUE(w.ok && !w.notErased);
    EXPECT_EQ(OnBoard(MEM_FLASH, 0x10000, 0x100), data);
}

// The erase counts blocks; an abort leaves the rest of the chip as it was.
TEST_F(MemoryTransfer, EraseReportsBlocksAndStopsOnAbort)
{
    sim->Ctl("mem write epcs 0x30000 00 11");
    TRecorder aborted;
    aborted.abortAfter = 2;
    const memory::TEraseResult stopped = memory::EraseChipWithProgress(board, aborted, MEM_EPCS);
    EXPECT_TRUE(stopped.aborted);
    EXPECT_FALSE(stopped.success || stopped.blockFailed);
    EXPECT_EQ(aborted.steps, (std::vector<std::uint64_t>{1, 2}));
    EXPECT_EQ(aborted.total, 128u);
    EXPECT_EQ(OnBoard(MEM_EPCS, 0x30000, 2), (std::vector<std::uint8_t>{0x00, 0x11}));

    TRecorder whole;
    const memory::TEraseResult erased = memory::EraseChipWithProgress(board, whole, MEM_EPCS);
    EXPECT_TRUE(erased.success);
    EXPECT_EQ(whole.steps.size(), 128u);
    EXPECT_EQ(OnBoard(MEM_EPCS, 0x30000, 2), (std::vector<std::uint8_t>{0xFF, 0xFF}));

    // A memory without erase blocks: nothing to erase is no success.
    TRecorder none;
    const memory::TEraseResult ram = memory::EraseChipWithProgress(board, none, MEM_SDRAM);
    EXPECT_FALSE(ram.success || ram.blockFailed || ram.linkLost);
    EXPECT_TRUE(none.steps.empty());
}
