#pragma once

#include "core/ByteBuffer.h"
#include "core/FileAccess.h"
#include "core/FileFormat.h"
#include "core/MemoryTransfer.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

// Memory content files read: the bytes to write into a memory, from a raw file, from
// HEX text or from Intel HEX records, taken in one piece (the window checks the whole file before the first packet)
// or in many (the command line streams it; a first pass through a second reader can
// check a HEX file before anything is written).
namespace memory {

enum class TLoadStatus {
    Ok,
    OpenFailed,
    SizeLess,
    ReadError,
    InvalidHex,
    NotRegular // a FIFO, a device or a folder: refused before it is opened
};

class TMemoryFileReader {
public:
    // Opens the file. Line breaks (LF or CRLF) and blanks at the end of a HEX file are not
    // part of its content: other tools end their text files that way. A HEX file whose
    // first character after any blank lines is ':' holds Intel HEX records (no HEX text
    // can start so): those and a file opened as Intel HEX are decoded at once into a
    // temporary image, from which the bytes are then read as from a raw file; a fault in
    // them is InvalidHex.
    TLoadStatus Open(const std::filesystem::path& path, TFileFormat format);
    TLoadStatus Open(const std::filesystem::path& path, bool hex)
    {
        return Open(path, hex ? TFileFormat::Hex : TFileFormat::Binary);
    }
    // The same for a file already open for reading from its start, which the reader takes
    // over: a copy of standard input, say.
    TLoadStatus Open(TFilePtr file, TFileFormat format);
    // The format the content was read in: Intel HEX for a HEX file that holds records.
    TFileFormat Format() const { return m_Format; }
    // A HEX text of an odd number of characters: its last byte lacks a digit, which the
    // window takes as "0" when the whole file is read.
    bool OddText() const { return m_Hex && m_FileSize % 2 == 1; }
    // Refuses an odd text, for a face that will not make up its missing digit: InvalidHex,
    // naming the first character that is not a hex digit ("a character that is not a hex
    // digit, '\n', at offset 4") or else the digit missing at the end. Back at the start.
    TLoadStatus RefuseOddText();

    // How many bytes to take. With `wholeFile` the file's content (half its characters
    // rounded up for HEX: an odd last character counts as followed by "0"), cut to
    // `space`; otherwise exactly `byteCount` bytes, SizeLess when the file has fewer, and
    // any content beyond them is never read.
    TLoadStatus Plan(bool wholeFile, std::uint32_t byteCount, std::uint32_t space);
    std::uint32_t Count() const { return m_Count; }
    // The bytes the whole file holds (see Plan), whatever was planned.
    std::uint64_t ContentBytes() const { return m_Hex ? (m_FileSize + 1) / 2 : m_FileSize; }
    // Planned bytes not read yet.
    std::uint32_t Left() const { return m_Count - m_Taken; }

    // Room a buffer needs to take `count` bytes in one piece: HEX text is read into the
    // buffer and decoded where it lies.
    std::size_t StoredSize(std::size_t count) const { return m_Hex ? 2 * count : count; }
    // Reads the next `count` planned bytes into `buffer` (StoredSize(count) of room).
    TLoadStatus Read(std::uint8_t* buffer, std::size_t count);
    // Back to the first planned byte, to read the same bytes again (a check of the whole
    // file before the first packet, a verify after a load).
    TLoadStatus Rewind();

    // After OpenFailed, ReadError or NotRegular: the system's reason; after InvalidHex,
    // what is wrong and where ("a record with a wrong checksum at offset 40", "a character
    // that is not a hex digit, 'G', at offset 7").
    const std::string& Reason() const { return m_Reason; }
    // After InvalidHex: where in the file the first fault is (a character that is not a
    // hex digit, or the start of a bad record).
    std::uint64_t BadOffset() const { return m_BadOffset; }

private:
    TLoadStatus Invalid(std::uint64_t offset, const std::string& what);
    TLoadStatus DecodeIntelHex();

    TFilePtr m_File;
    TFileFormat m_Format = TFileFormat::Binary;
    bool m_Hex = false;
    std::uint64_t m_FileSize = 0;
    std::uint64_t m_Consumed = 0; // bytes of the file read so far
    std::uint32_t m_Count = 0;
    std::uint32_t m_Taken = 0;
    std::string m_Reason;
    std::uint64_t m_BadOffset = 0;
};

// A write source that reads the planned bytes of a file piece by piece. After a failure
// Status() tells why.
class TFileSource final : public IWriteSource {
public:
    explicit TFileSource(TMemoryFileReader& reader)
        : m_Reader(reader)
    { }
    const std::uint8_t* Next(std::size_t count) override;
    TLoadStatus Status() const { return m_Status; }

private:
    TMemoryFileReader& m_Reader;
    TByteBuffer m_Piece;
    TLoadStatus m_Status = TLoadStatus::Ok;
};

struct TFilePortion {
    TLoadStatus status = TLoadStatus::OpenFailed;
    TByteBuffer bytes;           // the bytes to write; bytes.size is the byte count
    std::uint64_t fileBytes = 0; // the bytes the whole file holds
    std::string reason;          // see TMemoryFileReader::Reason
    std::uint64_t badOffset = 0; // see TMemoryFileReader::BadOffset
    TFileFormat format = TFileFormat::Binary; // see TMemoryFileReader::Format
};

// The planned bytes of a file in one piece (see TMemoryFileReader::Plan).
TFilePortion ReadFilePortion(
    const std::filesystem::path& path, bool hex, bool wholeFile, std::uint32_t byteCount, std::uint32_t space);

} // namespace memory
