// The simulator's request frame parser on any byte stream from the PC, and the firmware
// model executing the frames it finds.
//
// Input: pieces, each
//   op     u8   bits 0-3 e: the piece arrives 2^(e - 6) times in a row when e > 6 (up
//               to 512 times: streams beyond the parser's compaction threshold), else
//               once; bits 4-7 t: it arrives t x 100 ms after the previous one
//   count  u8   then that many bytes
//
// Properties: with no time passing, pieces fed one by one give exactly the frames the
// whole stream gives at once (splitting never changes what is found); with time passing,
// every frame found is a valid frame that appears in the stream after the previous one;
// the parser never holds more than it was fed; the firmware answers every frame with a
// status byte and at most one reply's payload.
#include "board/Protocol.h"
#include "fuzz/FuzzSupport.h"
#include "sim/BoardState.h"
#include "sim/Firmware.h"
#include "sim/FrameParser.h"

#include <algorithm>

namespace {

using fuzz::Require;

constexpr std::size_t MAX_STREAM = 256 * 1024;

struct TPiece {
    std::vector<std::uint8_t> bytes;
    std::uint64_t afterUs = 0;
};

std::vector<TPiece> ReadPieces(fuzz::TInput& in)
{
    std::vector<TPiece> pieces;
    std::size_t total = 0;
    while (!in.AtEnd() && total < MAX_STREAM) {
        const std::uint8_t op = in.U8();
        const std::vector<std::uint8_t> once = in.Bytes(in.U8());
        TPiece piece;
        piece.afterUs = (op >> 4) * 100000ull;
        const int e = op & 0x0F;
        for (int i = 0; i < 1 << (e > 6 ? e - 6 : 0); ++i)
            piece.bytes.insert(piece.bytes.end(), once.begin(), once.end());
        total += piece.bytes.size();
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

void Collect(sim::TFrameParser& parser, std::uint64_t nowUs, std::vector<std::vector<std::uint8_t>>& frames)
{
    sim::RequestFrame frame;
    while (parser.Next(frame, nowUs)) {
        Require(frame.payload.size() <= protocol::PKT_PC2NIOS_MAX_PL_LEN, "a frame within the payload limit");
        frames.push_back(sim::BuildFrame(frame.command, frame.payload));
    }
    Require(
        (parser.StaleDeadlineUs() == 0) == (parser.Buffered() == 0), "a stale deadline exactly while holding bytes");
}

// Each frame, in order, occurs in the stream after the one before it.
void RequireFramesInStream(
    const std::vector<std::vector<std::uint8_t>>& frames, const std::vector<std::uint8_t>& stream)
{
    auto from = stream.begin();
    for (const auto& frame : frames) {
        const auto at = std::search(from, stream.end(), frame.begin(), frame.end());
        Require(at != stream.end(), "every frame found was sent, in order");
        from = at + static_cast<std::ptrdiff_t>(frame.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::TInput in(data, size);
    const std::vector<TPiece> pieces = ReadPieces(in);
    std::vector<std::uint8_t> stream;
    for (const TPiece& piece : pieces)
        stream.insert(stream.end(), piece.bytes.begin(), piece.bytes.end());

    // No time passes: pieces and the whole stream find the same frames.
    sim::TFrameParser split, whole;
    std::vector<std::vector<std::uint8_t>> splitFrames, wholeFrames;
    for (const TPiece& piece : pieces) {
        split.Feed(piece.bytes.data(), piece.bytes.size(), 0);
        Collect(split, 0, splitFrames);
    }
    whole.Feed(stream.data(), stream.size(), 0);
    Collect(whole, 0, wholeFrames);
    Require(splitFrames == wholeFrames, "splitting the stream changes no frame");
    Require(split.Buffered() == whole.Buffered(), "splitting the stream changes what is left");
    RequireFramesInStream(wholeFrames, stream);

    sim::TBoardState board;
    sim::TFirmware firmware(board);
    for (const auto& frame : wholeFrames) {
        const std::uint8_t* payload = frame.data() + protocol::HEADER_LEN;
        const auto length = static_cast<std::uint32_t>(frame.size() - protocol::FRAME_OVERHEAD);
        const sim::FirmwareReply reply = firmware.Execute(frame[1], payload, length);
        Require(!reply.payload.empty() && reply.payload.size() <= protocol::PKT_PC2NIOS_MAX_PL_LEN,
            "a status byte and at most one reply's payload");
    }

    // Time passes: stale fragments are given up, and what is found still was sent.
    sim::TFrameParser timed;
    std::vector<std::vector<std::uint8_t>> timedFrames;
    std::uint64_t nowUs = 1;
    std::size_t fed = 0;
    for (const TPiece& piece : pieces) {
        nowUs += piece.afterUs;
        Collect(timed, nowUs, timedFrames); // what went stale before this piece arrived
        timed.Feed(piece.bytes.data(), piece.bytes.size(), nowUs);
        fed += piece.bytes.size();
        Collect(timed, nowUs, timedFrames);
        Require(timed.Buffered() <= fed, "the parser holds no more than it was fed");
    }
    Collect(timed, nowUs + sim::TFrameParser::STALE_US, timedFrames);
    Require(timed.Buffered() == 0, "nothing stays once the stale time has passed");
    RequireFramesInStream(timedFrames, stream);
    return 0;
}
