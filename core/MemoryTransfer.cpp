#include "core/MemoryTransfer.h"

#include "board/Board.h"
#include "board/Protocol.h"

#include <algorithm>
#include <mutex>

namespace memory {

namespace {

constexpr std::uint32_t STEPS = 20;

std::uint32_t Twentieth(std::uint32_t byteCount)
{
    const std::uint32_t step = byteCount / STEPS;
    return step ? step : byteCount;
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
    bool ok = board.KeepAlive();
    result.linkLost = !ok;
    const std::uint32_t step = ReadStep(byteCount, maxStep);
    for (std::uint32_t done = 0; done < byteCount && ok && !result.aborted;) {
        const std::uint32_t n = std::min(step, byteCount - done);
        std::uint8_t* room = sink.Room(n);
        if (!room) {
            ok = false;
            result.dataFailed = true;
            break;
        }
        bool accepted = false;
        result.linkLost = !board.MemoryRead(accepted, memoryType, byteAddress + done, n, room);
        ok = !result.linkLost && accepted;
        if (!ok) {
            result.stepFailed = true;
        } else if (!sink.Filled(n)) {
            ok = false;
            result.dataFailed = true;
        } else {
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
    bool ok = board.KeepAlive();
    result.linkLost = !ok;
    const std::uint32_t step = WriteStep(byteCount);
    for (std::uint32_t done = 0; done < byteCount && ok && !result.aborted;) {
        const std::uint32_t n = std::min(step, byteCount - done);
        const std::uint8_t* data = source.Next(n);
        if (!data) {
            ok = false;
            result.dataFailed = true;
            break;
        }
        bool accepted = false;
        result.linkLost = !board.KeepAlive() || !board.MemoryWrite(accepted, memoryType, byteAddress + done, n, data);
        ok = !result.linkLost && accepted;
        if (ok)
            result.moved += n;
        else
            result.stepFailed = true;
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
    const std::uint32_t blocks = board.GetEraseBlockCount(memoryType);
    // A count of 0 is either the board's answer or a failed exchange; only the link can tell.
    bool exchanged = blocks > 0 || board.LastFailure() == TLinkFailure::None;
    bool accepted = true;
    std::uint32_t i = 0;
    while (i < blocks && exchanged && accepted && !result.aborted) {
        {
            std::lock_guard guard(board);
            exchanged = board.EraseBlock(accepted, memoryType, static_cast<std::uint16_t>(i));
        }
        if (!exchanged)
            accepted = false;
        ++i;
        progress.Advance(i, blocks);
        result.aborted = progress.AbortRequested();
    }
    result.blockFailed = blocks > 0 && !(exchanged && accepted);
    result.linkLost = !exchanged;
    result.success = !result.aborted && blocks > 0 && i == blocks && exchanged && accepted;
    return result;
}

} // namespace memory
