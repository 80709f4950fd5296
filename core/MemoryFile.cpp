#include "core/MemoryFile.h"

#include "core/HexCodec.h"

#include <algorithm>

namespace memory {

TLoadStatus TMemoryFileReader::Open(const std::filesystem::path& path, bool hex)
{
    m_File.reset(OpenFile(path, "rb"));
    m_Hex = hex;
    m_Consumed = 0;
    m_Count = 0;
    m_Taken = 0;
    if (!m_File)
        return TLoadStatus::OpenFailed;
    m_FileSize = FileSize(m_File.get());
    return TLoadStatus::Ok;
}

TLoadStatus TMemoryFileReader::Plan(bool wholeFile, std::uint32_t byteCount, std::uint32_t space)
{
    std::uint64_t count = byteCount;
    if (wholeFile)
        count = std::min<std::uint64_t>(m_Hex ? (m_FileSize + 1) / 2 : m_FileSize, space);
    else if ((m_Hex ? m_FileSize / 2 : m_FileSize) < count)
        return TLoadStatus::SizeLess;
    m_Count = static_cast<std::uint32_t>(count);
    m_Taken = 0;
    return TLoadStatus::Ok;
}

TLoadStatus TMemoryFileReader::Read(std::uint8_t* buffer, std::size_t count)
{
    if (!m_File || count > Left())
        return TLoadStatus::ReadError;
    const std::uint64_t stored = StoredSize(count);
    const std::uint64_t toRead = std::min(stored, m_FileSize - std::min(m_Consumed, m_FileSize));
    if (std::fread(buffer, 1, static_cast<std::size_t>(toRead), m_File.get()) != toRead)
        return TLoadStatus::ReadError;
    m_Consumed += toRead;
    // Only the last character of a whole HEX file of odd length can be missing.
    if (toRead < stored)
        buffer[toRead] = '0';
    if (m_Hex && !hexcodec::DecodeHex(reinterpret_cast<const char*>(buffer), count, buffer))
        return TLoadStatus::InvalidHex;
    m_Taken += static_cast<std::uint32_t>(count);
    return TLoadStatus::Ok;
}

const std::uint8_t* TFileSource::Next(std::size_t count)
{
    const std::size_t stored = m_Reader.StoredSize(count);
    if (m_Piece.size < stored && !m_Piece.Allocate(stored)) {
        m_Status = TLoadStatus::ReadError;
        return nullptr;
    }
    m_Status = m_Reader.Read(m_Piece.data.get(), count);
    return m_Status == TLoadStatus::Ok ? m_Piece.data.get() : nullptr;
}

TFilePortion ReadFilePortion(
    const std::filesystem::path& path, bool hex, bool wholeFile, std::uint32_t byteCount, std::uint32_t space)
{
    TFilePortion portion;
    TMemoryFileReader reader;
    portion.status = reader.Open(path, hex);
    if (portion.status == TLoadStatus::Ok)
        portion.status = reader.Plan(wholeFile, byteCount, space);
    if (portion.status != TLoadStatus::Ok)
        return portion;
    if (!portion.bytes.Allocate(reader.StoredSize(reader.Count()))) {
        portion.status = TLoadStatus::ReadError;
        return portion;
    }
    portion.status = reader.Read(portion.bytes.data.get(), reader.Count());
    portion.bytes.size = portion.status == TLoadStatus::Ok ? reader.Count() : 0;
    return portion;
}

} // namespace memory
