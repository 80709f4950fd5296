#pragma once

#include "board/LinkFailure.h"

#include <cstddef>
#include <cstdint>
#include <limits>

class TBoard;

// The long operations on a memory: a range read from or written to it, and the chip
// erase. They run in steps; after each step they report how far they got and ask whether
// to stop, through a progress interface that the window implements with its progress
// dialog, the command line with its progress line and tests with a recorder. Read bytes
// go to a sink and written bytes come from a source, so that a range is moved through a
// whole buffer (the window) or streamed through a file in constant memory (the command
// line) with the same packets. Each operation is handed the board it is to use and never
// looks for another one.
//
// A packet whose exchange fails (no reply, a cut one, a bad checksum) is sent again, at
// most twice, each time after the link was flushed and kept alive: reading or writing the
// same bytes again is harmless on every memory of the board (programming flash only
// clears bits that are already clear). A packet the board refuses is not sent again: the
// board answered. Words written to FLASH or EPCS are read back, packet by packet, since a
// word that was not erased keeps bits that programming cannot set.
namespace memory {

class ITransferProgress {
public:
    virtual ~ITransferProgress() = default;
    // After every step, a failed one included: `done` of `total` bytes (erase blocks for
    // an erase).
    virtual void Advance(std::uint64_t done, std::uint64_t total) = 0;
    // Asked after every step, the last one included; true ends the operation there as
    // aborted.
    virtual bool AbortRequested() = 0;
};

// A progress that nobody watches and that never stops the work.
class TNoProgress final : public ITransferProgress {
public:
    void Advance(std::uint64_t, std::uint64_t) override { }
    bool AbortRequested() override { return false; }
};

// Where the bytes of a read go, in range order.
class IReadSink {
public:
    virtual ~IReadSink() = default;
    // Room for the next `count` bytes, which the read fills; nullptr ends the read.
    virtual std::uint8_t* Room(std::size_t count) = 0;
    // The room handed out last now holds its bytes; false ends the read (a full disk).
    virtual bool Filled(std::size_t count) = 0;
};

// Where the bytes of a write come from, in range order.
class IWriteSource {
public:
    virtual ~IWriteSource() = default;
    // The next `count` bytes, valid until the next call; nullptr when they cannot be had
    // (a read error, bad HEX text), which ends the write.
    virtual const std::uint8_t* Next(std::size_t count) = 0;
};

// A whole range held in memory.
class TBufferSink final : public IReadSink {
public:
    explicit TBufferSink(std::uint8_t* buffer)
        : m_Next(buffer)
    { }
    std::uint8_t* Room(std::size_t) override { return m_Next; }
    bool Filled(std::size_t count) override
    {
        m_Next += count;
        return true;
    }

private:
    std::uint8_t* m_Next;
};

class TBufferSource final : public IWriteSource {
public:
    explicit TBufferSource(const std::uint8_t* data)
        : m_Next(data)
    { }
    const std::uint8_t* Next(std::size_t count) override
    {
        const std::uint8_t* bytes = m_Next;
        m_Next += count;
        return bytes;
    }

private:
    const std::uint8_t* m_Next;
};

// The whole-number percentage of `done` in `total` (0 when total is 0).
int Percentage(std::uint64_t done, std::uint64_t total);

// Reads advance in twentieths of the range (the whole range below 20 bytes), so that the
// window's progress moves in even steps; a streaming reader caps the step to bound its
// memory. Each step is cut into read packets by TBoard::MemoryRead either way.
constexpr std::uint32_t NO_STEP_LIMIT = std::numeric_limits<std::uint32_t>::max();
// What a streaming reader holds at a time.
constexpr std::uint32_t STREAM_STEP = 1u << 20;
std::uint32_t ReadStep(std::uint32_t byteCount, std::uint32_t maxStep = NO_STEP_LIMIT);
// Writes go one packet per step at most, each after a keep-alive: the firmware's
// programming of a large packet is what a sleeping link must not interrupt.
std::uint32_t WriteStep(std::uint32_t byteCount);

// How many times a packet whose exchange failed is sent again.
constexpr int PACKET_RETRIES = 2;

struct TRangeResult {
    bool ok = false;         // the whole range moved (never true after an abort)
    bool aborted = false;    // the progress asked to stop
    bool stepFailed = false; // a step's exchange failed even when sent again, or the board refused it
    bool dataFailed = false; // the sink took no more bytes, or the source had none
    bool linkLost = false;   // an exchange failed for good, the first keep-alive included (a refusal is none)
    std::uint32_t moved = 0; // bytes read into the sink or accepted by the board
    std::uint32_t retried = 0; // packets sent again after a failed exchange
    // Why the last failed exchange failed, in the link layer's words (LinkFailureText):
    // the cause of a lost link, or of the last retry of a transfer that went through.
    TLinkFailure failure = TLinkFailure::None;
    // FLASH or EPCS: a written word reads back otherwise, its bits were not erased; the
    // word's byte address and both values, low byte first as the memory holds them.
    bool notErased = false;
    std::uint32_t badAddress = 0;
    std::uint16_t wroteWord = 0;
    std::uint16_t readWord = 0;
};

// Reads `byteCount` bytes at `byteAddress` into `sink`, after one keep-alive (sent again
// as a packet is), in steps of
// ReadStep(byteCount, maxStep).
TRangeResult ReadRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount, IReadSink& sink, std::uint32_t maxStep = NO_STEP_LIMIT);

// Writes `byteCount` bytes from `source` at `byteAddress`, after one keep-alive, in steps of
// WriteStep(byteCount), each step after a keep-alive of its own; FLASH and EPCS steps are
// read back and the write ends at the first word that differs (notErased).
TRangeResult WriteRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount, IWriteSource& source);

struct TEraseResult {
    bool success = false; // every block erased and accepted
    bool aborted = false;
    bool blockFailed = false; // the last block's exchange failed or the board refused it
    bool linkLost = false;    // an exchange failed, the block count's included (a refusal is none)
    std::uint32_t retried = 0;                  // blocks whose command was sent again
    TLinkFailure failure = TLinkFailure::None;  // see TRangeResult::failure
    std::uint32_t blocks = 0;                   // blocks the erase was to erase
    // EraseRangeWithProgress: the bytes around the range in its first and last block could
    // not be read before, or written back after the erase; a write back that failed
    // leaves them erased.
    bool keptFailed = false;
};

// Erases every erase block of the memory, one command per block; the progress counts
// erased blocks.
TEraseResult EraseChipWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType);

// Erases the blocks that the `byteCount` bytes at `byteAddress` touch, so that they can
// be programmed, and keeps what those blocks hold outside the range: the bytes before
// and after it are read first and written back after the erase (also after an abort).
// The progress counts erased blocks.
TEraseResult EraseRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount);

} // namespace memory
