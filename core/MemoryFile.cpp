#include "core/MemoryFile.h"

#include "core/HexCodec.h"
#include "core/IntelHex.h"
#include "core/MemoryGeometry.h"
#include "core/Names.h"

#include <algorithm>
#include <cerrno>

namespace memory {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Followed by " at offset N": "a character that is not a hex digit, '\n', at offset 4".
std::string NotAHexDigit(char c) { return "a character that is not a hex digit, " + names::QuotedCharacter(c) + ","; }

// The size of the file without the blanks and line breaks at its end, read backwards in
// small pieces; the position goes back to the start.
std::uint64_t SizeWithoutTrailingBlanks(std::FILE* file, std::uint64_t size)
{
    char piece[512];
    while (size > 0) {
        const std::uint64_t n = std::min<std::uint64_t>(size, sizeof piece);
        if (std::fseek(file, static_cast<long>(size - n), SEEK_SET) != 0
            || std::fread(piece, 1, static_cast<std::size_t>(n), file) != n)
            break; // an unreadable end is found when the content is read
        std::uint64_t kept = n;
        while (kept > 0 && IsBlank(piece[kept - 1]))
            --kept;
        size -= n - kept;
        if (kept > 0)
            break;
    }
    std::rewind(file);
    return size;
}

// The first character of the file that is no blank or line break (EOF for none); the
// position goes back to the start.
int FirstNonBlank(std::FILE* file)
{
    // Notepad's "UTF-8" starts a text with a byte order mark.
    const bool marked = std::fgetc(file) == 0xEF && std::fgetc(file) == 0xBB && std::fgetc(file) == 0xBF;
    if (!marked)
        std::rewind(file);
    int c = EOF;
    while ((c = std::fgetc(file)) != EOF && IsBlank(static_cast<char>(c))) { }
    std::rewind(file);
    return c;
}

// No memory is larger: an Intel HEX file that addresses beyond it cannot be loaded.
std::uint64_t LargestMemoryBytes()
{
    const TMemoryGeometry geometry;
    std::uint64_t largest = 0;
    for (int position = 0; position < MEMORY_LIST_COUNT; ++position)
        largest = std::max<std::uint64_t>(largest, geometry.SizeBytes(MemoryTypeOfPosition(position)));
    return largest;
}

} // namespace

TLoadStatus TMemoryFileReader::Open(const std::filesystem::path& path, TFileFormat format)
{
    m_File.reset();
    m_Reason.clear();
    // Opening a FIFO would wait for a writer, with the window frozen meanwhile.
    if (IsSpecialFile(path)) {
        m_Reason = NOT_REGULAR_REASON;
        return TLoadStatus::NotRegular;
    }
    TFilePtr file(OpenFile(path, "rb"));
    if (!file) {
        m_Reason = SystemReason(errno);
        return TLoadStatus::OpenFailed;
    }
    return Open(std::move(file), format);
}

TLoadStatus TMemoryFileReader::Open(TFilePtr file, TFileFormat format)
{
    m_File = std::move(file);
    m_Format = format;
    m_Consumed = 0;
    m_Count = 0;
    m_Taken = 0;
    m_Reason.clear();
    m_BadOffset = 0;
    // Blank lines before the first record are no reason to read records as HEX text.
    if (m_Format == TFileFormat::Hex && FirstNonBlank(m_File.get()) == ':')
        m_Format = TFileFormat::IntelHex;
    m_Hex = m_Format == TFileFormat::Hex;
    if (m_Format == TFileFormat::IntelHex)
        return DecodeIntelHex();
    m_FileSize = FileSize(m_File.get());
    if (m_Hex)
        m_FileSize = SizeWithoutTrailingBlanks(m_File.get(), m_FileSize);
    return TLoadStatus::Ok;
}

TLoadStatus TMemoryFileReader::Invalid(std::uint64_t offset, const std::string& what)
{
    m_BadOffset = offset;
    m_Reason = what + " at offset " + std::to_string(offset);
    return TLoadStatus::InvalidHex;
}

// Records may come in any order and leave gaps, so the image is made whole first, in a
// temporary file that the system removes however the program ends.
TLoadStatus TMemoryFileReader::DecodeIntelHex()
{
    TFilePtr image(std::tmpfile());
    if (!image) {
        m_Reason = "no temporary file for the image: " + SystemReason(errno);
        return TLoadStatus::ReadError;
    }
    const ihex::TDecodeResult decoded = ihex::DecodeIntelHex(m_File.get(), image.get(), LargestMemoryBytes());
    if (!decoded.ok)
        return Invalid(decoded.badOffset, decoded.problem);
    m_File = std::move(image);
    m_FileSize = decoded.size;
    std::rewind(m_File.get());
    return TLoadStatus::Ok;
}

TLoadStatus TMemoryFileReader::Plan(bool wholeFile, std::uint32_t byteCount, std::uint32_t space)
{
    std::uint64_t count = byteCount;
    if (wholeFile)
        count = std::min<std::uint64_t>(ContentBytes(), space);
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
    errno = 0;
    if (std::fread(buffer, 1, static_cast<std::size_t>(toRead), m_File.get()) != toRead) {
        m_Reason = errno ? SystemReason(errno) : "the file ends early";
        return TLoadStatus::ReadError;
    }
    const std::uint64_t start = m_Consumed;
    m_Consumed += toRead;
    // Only the last character of a whole HEX file of odd length can be missing.
    if (toRead < stored)
        buffer[toRead] = '0';
    if (m_Hex) {
        const auto* text = reinterpret_cast<const char*>(buffer);
        const std::size_t decoded = hexcodec::DecodeHexPrefix(text, count, buffer);
        if (decoded < count) {
            // Decoding in place overwrote only the text before the bad pair.
            const std::size_t bad = 2 * decoded + (hexcodec::NibbleOf(text[2 * decoded]) < 0 ? 0 : 1);
            return Invalid(start + bad, NotAHexDigit(text[bad]));
        }
    }
    m_Taken += static_cast<std::uint32_t>(count);
    return TLoadStatus::Ok;
}

TLoadStatus TMemoryFileReader::RefuseOddText()
{
    // A character that is not a hex digit says more about the file than the digit it lacks
    // at its end: the line breaks of another tool's text, say.
    char piece[4096];
    std::uint64_t at = 0;
    std::rewind(m_File.get());
    while (at < m_FileSize) {
        const auto n = std::fread(
            piece, 1, static_cast<std::size_t>(std::min<std::uint64_t>(sizeof piece, m_FileSize - at)), m_File.get());
        if (n == 0)
            break;
        for (std::size_t i = 0; i < n; ++i)
            if (hexcodec::NibbleOf(piece[i]) < 0) {
                Rewind();
                return Invalid(at + i, NotAHexDigit(piece[i]));
            }
        at += n;
    }
    Rewind();
    return Invalid(m_FileSize, "an odd number of hex digits, the last byte's second digit is missing");
}

TLoadStatus TMemoryFileReader::Rewind()
{
    if (!m_File || std::fseek(m_File.get(), 0, SEEK_SET) != 0) {
        m_Reason = m_File ? SystemReason(errno) : std::string("the file is not open");
        return TLoadStatus::ReadError;
    }
    m_Consumed = 0;
    m_Taken = 0;
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
    if (portion.status == TLoadStatus::Ok) {
        portion.fileBytes = reader.ContentBytes();
        portion.status = reader.Plan(wholeFile, byteCount, space);
    }
    if (portion.status != TLoadStatus::Ok) {
        portion.reason = reader.Reason();
        portion.badOffset = reader.BadOffset();
        portion.format = reader.Format();
        return portion;
    }
    if (!portion.bytes.Allocate(reader.StoredSize(reader.Count()))) {
        portion.status = TLoadStatus::ReadError;
        return portion;
    }
    portion.status = reader.Read(portion.bytes.data.get(), reader.Count());
    portion.reason = reader.Reason();
    portion.badOffset = reader.BadOffset();
    portion.format = reader.Format();
    portion.bytes.size = portion.status == TLoadStatus::Ok ? reader.Count() : 0;
    return portion;
}

} // namespace memory
