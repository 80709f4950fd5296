#include "core/MemoryVerify.h"

#include <cstring>

namespace memory {

std::uint8_t* TVerifySink::Room(std::size_t count)
{
    if (m_Room.size < count && !m_Room.Allocate(count))
        return nullptr;
    return m_Room.data.get();
}

bool TVerifySink::Filled(std::size_t count)
{
    const std::uint8_t* expected = m_Expected.Next(count);
    if (!expected) {
        m_SourceFailed = true;
        return false;
    }
    const std::uint8_t* actual = m_Room.data.get();
    const bool same = std::memcmp(actual, expected, count) == 0;
    for (std::size_t i = 0; i < count && !same; ++i) {
        if (actual[i] == expected[i])
            continue;
        const std::uint32_t address = m_Next + static_cast<std::uint32_t>(i);
        const std::uint32_t word = address / 2;
        if (m_DifferentBytes == 0)
            m_FirstDifference = address;
        if (m_DifferentWords == 0 || word != m_LastDifferentWord)
            ++m_DifferentWords;
        m_LastDifferentWord = word;
        ++m_DifferentBytes;
    }
    m_Next += static_cast<std::uint32_t>(count);
    return true;
}

TVerifyResult VerifyRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount, IWriteSource& expected, std::uint32_t maxStep)
{
    TVerifySink sink(expected, byteAddress);
    TVerifyResult result;
    result.read = ReadRangeWithProgress(board, progress, memoryType, byteAddress, byteCount, sink, maxStep);
    result.differentBytes = sink.DifferentBytes();
    result.differentWords = sink.DifferentWords();
    result.firstDifference = sink.FirstDifference();
    return result;
}

} // namespace memory
