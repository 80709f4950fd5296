#include "core/IntelHex.h"

#include "core/HexCodec.h"

#include <algorithm>
#include <vector>

namespace ihex {

namespace {

constexpr std::uint8_t TYPE_DATA = 0x00;
constexpr std::uint8_t TYPE_END = 0x01;
constexpr std::uint8_t TYPE_SEGMENT = 0x02;
constexpr std::uint8_t TYPE_START_SEGMENT = 0x03;
constexpr std::uint8_t TYPE_LINEAR = 0x04;
constexpr std::uint8_t TYPE_START_LINEAR = 0x05;
// ":" and 255 data bytes with their frame, as text.
constexpr std::size_t MAX_RECORD_CHARS = 1 + 2 * (5 + 255);
constexpr std::size_t READ_PIECE = 1 << 16;

void AppendRecord(std::string& text, std::uint8_t type, std::uint16_t address, const std::uint8_t* data,
    std::size_t count)
{
    std::uint8_t record[5 + 255];
    record[0] = static_cast<std::uint8_t>(count);
    record[1] = static_cast<std::uint8_t>(address >> 8);
    record[2] = static_cast<std::uint8_t>(address);
    record[3] = type;
    std::copy(data, data + count, record + 4);
    unsigned sum = 0;
    for (std::size_t i = 0; i < 4 + count; ++i)
        sum += record[i];
    record[4 + count] = static_cast<std::uint8_t>(-sum);
    char hex[2 * sizeof record];
    hexcodec::EncodeHex(record, 5 + count, hex);
    text += ':';
    text.append(hex, 2 * (5 + count));
    text += '\n';
}

// The text's lines, read in large pieces, each with its offset in the text.
class TLineReader {
public:
    explicit TLineReader(std::FILE* file)
        : m_File(file)
    { }

    // The next line without its line end; false at the end of the text or when a line is
    // longer than any record (`tooLong`).
    bool Next(std::string& line, std::uint64_t& offset, bool& tooLong)
    {
        line.clear();
        offset = m_Offset;
        tooLong = false;
        for (;;) {
            if (m_At == m_Piece.size() && !Fill())
                return !line.empty();
            const char c = m_Piece[m_At++];
            ++m_Offset;
            if (c == '\n')
                return true;
            if (line.size() > MAX_RECORD_CHARS + 2) {
                tooLong = true;
                return true;
            }
            line += c;
        }
    }

private:
    bool Fill()
    {
        m_Piece.resize(READ_PIECE);
        m_Piece.resize(std::fread(m_Piece.data(), 1, READ_PIECE, m_File));
        m_At = 0;
        return !m_Piece.empty();
    }

    std::FILE* m_File;
    std::vector<char> m_Piece;
    std::size_t m_At = 0;
    std::uint64_t m_Offset = 0;
};

// The image as records fill it: sequential records are written where the file stands,
// others after a seek; a gap is filled with FF first.
class TImageWriter {
public:
    explicit TImageWriter(std::FILE* image)
        : m_Image(image)
    { }

    bool Put(std::uint64_t address, const std::uint8_t* data, std::size_t count)
    {
        if (address > m_Size && !Fill(address))
            return false;
        if (address != m_Position && std::fseek(m_Image, static_cast<long>(address), SEEK_SET) != 0)
            return false;
        if (std::fwrite(data, 1, count, m_Image) != count)
            return false;
        m_Position = address + count;
        m_Size = std::max(m_Size, m_Position);
        return true;
    }
    std::uint64_t Size() const { return m_Size; }

private:
    bool Fill(std::uint64_t until)
    {
        static const std::vector<std::uint8_t> erased(READ_PIECE, 0xFF);
        if (m_Position != m_Size && std::fseek(m_Image, static_cast<long>(m_Size), SEEK_SET) != 0)
            return false;
        while (m_Size < until) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(until - m_Size, erased.size()));
            if (std::fwrite(erased.data(), 1, n, m_Image) != n)
                return false;
            m_Size += n;
        }
        m_Position = m_Size;
        return true;
    }

    std::FILE* m_Image;
    std::uint64_t m_Size = 0;
    std::uint64_t m_Position = 0;
};

TDecodeResult Fault(std::uint64_t offset, std::string problem)
{
    TDecodeResult result;
    result.badOffset = offset;
    result.problem = std::move(problem);
    return result;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

} // namespace

void TIntelHexEncoder::Append(const std::uint8_t* bytes, std::size_t count, std::string& text)
{
    for (std::size_t i = 0; i < count; ++i) {
        m_Pending[m_Count++] = bytes[i];
        if (m_Count == RECORD_BYTES)
            Flush(text);
    }
}

void TIntelHexEncoder::Finish(std::string& text)
{
    Flush(text);
    AppendRecord(text, TYPE_END, 0, nullptr, 0);
}

void TIntelHexEncoder::Flush(std::string& text)
{
    if (m_Count == 0)
        return;
    // Records start at multiples of 16, so that none crosses a 64 KB boundary.
    const auto upper = static_cast<std::uint32_t>(m_Offset >> 16);
    if (upper != m_Upper) {
        const std::uint8_t base[2] = {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)};
        AppendRecord(text, TYPE_LINEAR, 0, base, 2);
        m_Upper = upper;
    }
    AppendRecord(text, TYPE_DATA, static_cast<std::uint16_t>(m_Offset), m_Pending, m_Count);
    m_Offset += m_Count;
    m_Count = 0;
}

TDecodeResult DecodeIntelHex(std::FILE* text, std::FILE* image, std::uint64_t limit)
{
    TLineReader lines(text);
    TImageWriter writer(image);
    std::uint64_t base = 0;
    std::string line;
    std::uint64_t offset = 0;
    bool tooLong = false;
    std::uint8_t record[5 + 255];
    while (lines.Next(line, offset, tooLong)) {
        if (tooLong)
            return Fault(offset, "a line longer than any record");
        while (!line.empty() && IsBlank(line.back()))
            line.pop_back();
        if (line.empty())
            continue;
        if (line[0] != ':')
            return Fault(offset, "a record that does not start with ':'");
        const std::size_t bytes = (line.size() - 1) / 2;
        if (bytes > sizeof record)
            return Fault(offset, "a record whose length is not its byte count");
        const std::size_t decoded = hexcodec::DecodeHexPrefix(line.data() + 1, bytes, record);
        if (decoded < bytes) {
            const std::size_t at = 1 + 2 * decoded + (hexcodec::NibbleOf(line[1 + 2 * decoded]) < 0 ? 0 : 1);
            return Fault(offset + at, "a character that is not a hex digit");
        }
        if (line.size() % 2 == 0 || bytes < 5 || record[0] != bytes - 5)
            return Fault(offset, "a record whose length is not its byte count");
        unsigned sum = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            sum += record[i];
        if ((sum & 0xFF) != 0)
            return Fault(offset, "a record with a wrong checksum");
        const std::size_t count = record[0];
        const std::uint8_t type = record[3];
        const std::uint32_t address = static_cast<std::uint32_t>(record[1]) << 8 | record[2];
        const std::uint32_t value = count >= 2 ? static_cast<std::uint32_t>(record[4]) << 8 | record[5] : 0;
        switch (type) {
        case TYPE_DATA:
            if (base + address + count > limit)
                return Fault(offset, "a record beyond the end of the largest memory");
            if (!writer.Put(base + address, record + 4, count))
                return Fault(offset, "a record that could not be stored (the temporary file failed)");
            break;
        case TYPE_END: {
            TDecodeResult result;
            result.ok = true;
            result.size = writer.Size();
            return result;
        }
        case TYPE_SEGMENT:
        case TYPE_LINEAR:
            if (count != 2)
                return Fault(offset, "an address record that is not two bytes long");
            base = type == TYPE_LINEAR ? std::uint64_t{value} << 16 : std::uint64_t{value} << 4;
            break;
        case TYPE_START_SEGMENT:
        case TYPE_START_LINEAR:
            break; // where a processor starts: nothing for a memory
        default:
            return Fault(offset, "a record of unknown type " + std::to_string(type));
        }
    }
    return Fault(offset + line.size(), "no end-of-file record: the text is cut off");
}

} // namespace ihex
