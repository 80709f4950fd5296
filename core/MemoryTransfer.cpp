#include "core/MemoryTransfer.h"

#include "board/Board.h"
#include "board/Protocol.h"
#include "core/MemoryGeometry.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace memory {

namespace {

constexpr std::uint32_t STEPS = 20;

std::uint32_t Twentieth(std::uint32_t byteCount)
{
    const std::uint32_t step = byteCount / STEPS;
    return step ? step : byteCount;
}

enum class TExchange {
    Done,
    Refused, // the board answered no
    Lost     // no usable answer, even when sent again
};

// A reply of the wrong length or for another command is left in the link, and it may be as
// long as the largest packet, more than one flush takes: the link is flushed until it is
// quiet, or until more than such a reply is gone (a board that never stops talking).
void FlushUntilQuiet(TBoard& board)
{
    constexpr std::uint32_t LARGEST_REPLY = protocol::PKT_PC2NIOS_MAX_PL_LEN + protocol::FRAME_OVERHEAD;
    std::uint32_t discarded = 0;
    for (int n = board.FlushInput(); n > 0 && discarded <= LARGEST_REPLY; n = board.FlushInput())
        discarded += static_cast<std::uint32_t>(n);
}

// One packet's exchange, `send(accepted)`, sent again after a flush and a keep-alive while
// it fails and retries are left. `retried` counts packets, not attempts.
template<typename Send>
TExchange WithRetries(TBoard& board, std::uint32_t& retried, TLinkFailure& failure, const Send& send)
{
    for (int attempt = 0;; ++attempt) {
        bool accepted = false;
        if (send(accepted))
            return accepted ? TExchange::Done : TExchange::Refused;
        failure = board.LastFailure();
        if (attempt == PACKET_RETRIES)
            return TExchange::Lost;
        if (attempt == 0)
            ++retried;
        FlushUntilQuiet(board);
        if (!board.KeepAlive()) {
            failure = board.LastFailure();
            if (attempt + 1 == PACKET_RETRIES)
                return TExchange::Lost;
            ++attempt; // the keep-alive was this retry's exchange
        }
    }
}

// Reads `count` bytes packet by packet, each packet retried on its own.
TExchange ReadPackets(TBoard& board, TRangeResult& result, std::uint8_t memoryType, std::uint32_t byteAddress,
    std::uint32_t count, std::uint8_t* dest)
{
    for (std::uint32_t done = 0; done < count;) {
        const std::uint32_t n = std::min(protocol::MEMORY_READ_CHUNK, count - done);
        const TExchange exchange = WithRetries(board, result.retried, result.failure, [&](bool& accepted) {
            return board.MemoryRead(accepted, memoryType, byteAddress + done, n, dest + done);
        });
        if (exchange != TExchange::Done)
            return exchange;
        done += n;
    }
    return TExchange::Done;
}

// Flash keeps the bits that were not erased: what a packet programmed is read back.
TExchange ReadBack(TBoard& board, TRangeResult& result, std::uint8_t memoryType, std::uint32_t byteAddress,
    std::uint32_t count, const std::uint8_t* wrote, std::vector<std::uint8_t>& back)
{
    // Whole words, so that a differing word can be shown whole; memory sizes are even.
    const std::uint32_t words = (count + 1) / 2;
    back.resize(2 * words);
    const TExchange exchange = ReadPackets(board, result, memoryType, byteAddress, 2 * words, back.data());
    if (exchange != TExchange::Done)
        return exchange;
    const auto differs = std::mismatch(wrote, wrote + count, back.data());
    if (differs.first == wrote + count)
        return TExchange::Done;
    const auto at = static_cast<std::uint32_t>(differs.first - wrote) & ~1u;
    result.notErased = true;
    result.badAddress = byteAddress + at;
    result.readWord = static_cast<std::uint16_t>(back[at] | back[at + 1] << 8);
    const std::uint8_t high = at + 1 < count ? wrote[at + 1] : back[at + 1];
    result.wroteWord = static_cast<std::uint16_t>(wrote[at] | high << 8);
    return TExchange::Refused;
}

// The keep-alive before a transfer, sent again as any packet is.
bool FirstKeepAlive(TBoard& board, TRangeResult& result)
{
    const TExchange exchange = WithRetries(board, result.retried, result.failure, [&board](bool& accepted) {
        accepted = true;
        return board.KeepAlive();
    });
    result.linkLost = exchange != TExchange::Done;
    return !result.linkLost;
}

void Note(TRangeResult& result, TExchange exchange)
{
    result.stepFailed = exchange != TExchange::Done && !result.notErased;
    result.linkLost = exchange == TExchange::Lost;
}

// Blocks [first, first + count) erased in order until one fails or the progress stops.
void EraseBlocks(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType, std::uint32_t first,
    std::uint32_t count, TEraseResult& result)
{
    result.blocks = count;
    TExchange exchange = TExchange::Done;
    std::uint32_t i = 0;
    while (i < count && exchange == TExchange::Done && !result.aborted) {
        const auto block = static_cast<std::uint16_t>(first + i);
        exchange = WithRetries(board, result.retried, result.failure, [&](bool& accepted) {
            std::lock_guard guard(board);
            return board.EraseBlock(accepted, memoryType, block);
        });
        ++i;
        progress.Advance(i, count);
        result.aborted = progress.AbortRequested();
    }
    result.blockFailed = count > 0 && exchange != TExchange::Done;
    result.linkLost = exchange == TExchange::Lost;
    result.success = !result.aborted && count > 0 && i == count && exchange == TExchange::Done;
}

// The block count, or 0 when the board has none or the exchange failed (then linkLost).
std::uint32_t BlockCount(TBoard& board, std::uint8_t memoryType, TEraseResult& result)
{
    const std::uint32_t blocks = board.GetEraseBlockCount(memoryType);
    // A count of 0 is either the board's answer or a failed exchange; only the link can tell.
    if (blocks == 0 && board.LastFailure() != TLinkFailure::None) {
        result.linkLost = true;
        result.failure = board.LastFailure();
    }
    return blocks;
}

// The bytes of a range kept in memory, read before an erase and written back after it.
struct TKept {
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;

    bool Erased() const
    {
        return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0xFF; });
    }
};

// Folds a transfer of kept bytes into the erase's result.
bool Took(const TRangeResult& transfer, TEraseResult& result)
{
    result.retried += transfer.retried;
    if (!transfer.ok) {
        result.linkLost = result.linkLost || transfer.linkLost;
        result.failure = transfer.failure;
    }
    return transfer.ok;
}

bool Keep(TBoard& board, std::uint8_t memoryType, TKept& kept, TEraseResult& result)
{
    if (kept.bytes.empty())
        return true;
    TNoProgress quiet;
    TBufferSink sink(kept.bytes.data());
    const auto count = static_cast<std::uint32_t>(kept.bytes.size());
    return Took(ReadRangeWithProgress(board, quiet, memoryType, kept.address, count, sink), result);
}

bool PutBack(TBoard& board, std::uint8_t memoryType, const TKept& kept, TEraseResult& result)
{
    if (kept.bytes.empty() || kept.Erased())
        return true;
    TNoProgress quiet;
    TBufferSource source(kept.bytes.data());
    const auto count = static_cast<std::uint32_t>(kept.bytes.size());
    return Took(WriteRangeWithProgress(board, quiet, memoryType, kept.address, count, source), result);
}

} // namespace

int Percentage(std::uint64_t done, std::uint64_t total) { return total ? static_cast<int>(done * 100 / total) : 0; }

std::uint32_t ReadStep(std::uint32_t byteCount, std::uint32_t maxStep)
{
    return std::max<std::uint32_t>(std::min(Twentieth(byteCount), maxStep), 1);
}

std::uint32_t WriteStep(std::uint32_t byteCount)
{
    return std::max<std::uint32_t>(std::min(Twentieth(byteCount), protocol::MEMORY_WRITE_CHUNK), 1);
}

TRangeResult ReadRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount, IReadSink& sink, std::uint32_t maxStep)
{
    TRangeResult result;
    bool ok = FirstKeepAlive(board, result);
    const std::uint32_t step = ReadStep(byteCount, maxStep);
    for (std::uint32_t done = 0; done < byteCount && ok && !result.aborted;) {
        const std::uint32_t n = std::min(step, byteCount - done);
        std::uint8_t* room = sink.Room(n);
        if (!room) {
            ok = false;
            result.dataFailed = true;
            break;
        }
        const TExchange exchange = ReadPackets(board, result, memoryType, byteAddress + done, n, room);
        Note(result, exchange);
        ok = exchange == TExchange::Done;
        if (ok && !sink.Filled(n)) {
            ok = false;
            result.dataFailed = true;
        } else if (ok) {
            result.moved += n;
        }
        done += n;
        progress.Advance(done, byteCount);
        result.aborted = progress.AbortRequested();
    }
    result.ok = ok && !result.aborted;
    return result;
}

TRangeResult WriteRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount, IWriteSource& source)
{
    TRangeResult result;
    bool ok = FirstKeepAlive(board, result);
    const bool readBack = IsErasable(memoryType);
    std::vector<std::uint8_t> back;
    const std::uint32_t step = WriteStep(byteCount);
    for (std::uint32_t done = 0; done < byteCount && ok && !result.aborted;) {
        const std::uint32_t n = std::min(step, byteCount - done);
        const std::uint8_t* data = source.Next(n);
        if (!data) {
            ok = false;
            result.dataFailed = true;
            break;
        }
        TExchange exchange = WithRetries(board, result.retried, result.failure, [&](bool& accepted) {
            return board.KeepAlive() && board.MemoryWrite(accepted, memoryType, byteAddress + done, n, data);
        });
        if (exchange == TExchange::Done && readBack)
            exchange = ReadBack(board, result, memoryType, byteAddress + done, n, data, back);
        Note(result, exchange);
        ok = exchange == TExchange::Done;
        if (ok)
            result.moved += n;
        done += n;
        progress.Advance(done, byteCount);
        result.aborted = progress.AbortRequested();
    }
    result.ok = ok && !result.aborted;
    return result;
}

TEraseResult EraseChipWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType)
{
    TEraseResult result;
    const std::uint32_t blocks = BlockCount(board, memoryType, result);
    if (blocks > 0)
        EraseBlocks(board, progress, memoryType, 0, blocks, result);
    return result;
}

TEraseResult EraseRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount)
{
    TEraseResult result;
    const std::uint32_t blocks = BlockCount(board, memoryType, result);
    const std::uint32_t size = TMemoryGeometry().SizeBytes(memoryType);
    if (blocks == 0 || byteCount == 0 || size % blocks != 0 || byteAddress + std::uint64_t{byteCount} > size)
        return result;
    const std::uint32_t blockBytes = size / blocks;
    const std::uint32_t first = byteAddress / blockBytes;
    const std::uint32_t last = (byteAddress + byteCount - 1) / blockBytes;
    const std::uint32_t end = byteAddress + byteCount;
    TKept head{first * blockBytes, std::vector<std::uint8_t>(byteAddress - first * blockBytes)};
    TKept tail{end, std::vector<std::uint8_t>((last + 1) * blockBytes - end)};
    if (!Keep(board, memoryType, head, result) || !Keep(board, memoryType, tail, result)) {
        result.keptFailed = true;
        return result;
    }
    EraseBlocks(board, progress, memoryType, first, last - first + 1, result);
    // Put back also after an abort or a failed block: a block not erased takes the same
    // bytes again unharmed.
    if (!result.linkLost && !(PutBack(board, memoryType, head, result) && PutBack(board, memoryType, tail, result))) {
        result.keptFailed = true;
        result.success = false;
    }
    return result;
}

} // namespace memory
