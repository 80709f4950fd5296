#pragma once

#include "core/ByteBuffer.h"
#include "core/MemoryTransfer.h"

#include <cstddef>
#include <cstdint>

// A range compared with what it should hold: read from the board as a dump would, and
// checked piece by piece against a source (a file, a buffer) instead of being kept.
namespace memory {

// A read sink that compares each piece with the next bytes of `expected`.
class TVerifySink final : public IReadSink {
public:
    // `byteAddress`: the range's first byte address, so that differences are told by
    // address.
    TVerifySink(IWriteSource& expected, std::uint32_t byteAddress)
        : m_Expected(expected)
        , m_Next(byteAddress)
    { }
    std::uint8_t* Room(std::size_t count) override;
    bool Filled(std::size_t count) override;

    bool SourceFailed() const { return m_SourceFailed; }
    std::uint64_t DifferentBytes() const { return m_DifferentBytes; }
    // Words (two bytes from an even address) with at least one different byte.
    std::uint64_t DifferentWords() const { return m_DifferentWords; }
    // Byte address of the first different byte; meaningful when DifferentBytes() > 0.
    std::uint32_t FirstDifference() const { return m_FirstDifference; }

private:
    IWriteSource& m_Expected;
    TByteBuffer m_Room;
    std::uint32_t m_Next; // byte address of the next byte compared
    bool m_SourceFailed = false;
    std::uint64_t m_DifferentBytes = 0;
    std::uint64_t m_DifferentWords = 0;
    std::uint32_t m_FirstDifference = 0;
    std::uint32_t m_LastDifferentWord = 0;
};

struct TVerifyResult {
    TRangeResult read; // how the reading went; dataFailed when `expected` failed
    std::uint64_t differentBytes = 0;
    std::uint64_t differentWords = 0;
    std::uint32_t firstDifference = 0; // byte address, when differentBytes > 0
    // The whole range was read and holds exactly what was expected.
    bool Same() const { return read.ok && differentBytes == 0; }
};

// Reads the range as ReadRangeWithProgress does and compares it with `expected`.
TVerifyResult VerifyRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount, IWriteSource& expected, std::uint32_t maxStep = STREAM_STEP);

} // namespace memory
