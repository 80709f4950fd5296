#include "core/IntelHex.h"

#include "core/HexCodec.h"
#include "core/Names.h"

#include <algorithm>
#include <string>
#include <utility>
#include <optional>
#include <string_view>
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

// The text's lines, read in large pieces, each with its offset in the text and its number.
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
        ++m_Line;
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
    // The number of the line Next gave last, counted from 1.
    std::uint64_t Line() const { return m_Line; }

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
    std::uint64_t m_Line = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Notepad's "UTF-8" starts the text with it.
constexpr const char* BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// One record as the image sees it: a data record's address already has its base.
struct TRecord {
    std::uint8_t type = 0;
    std::uint64_t address = 0;
    const std::uint8_t* data = nullptr;
    std::size_t count = 0;
    std::uint64_t line = 0;
    std::uint64_t offset = 0; // of the record's ':' in the text
};

// The records of a text in their order, address records applied to the data records
// after them, faults found in the text itself (not in what the records say).
class TRecordReader {
public:
    enum class TNext {
        Record,
        Fault
    };

    explicit TRecordReader(std::FILE* text)
        : m_Lines(text)
    { }

    // The next data or end-of-file record; a fault sets Problem() and Offset().
    TNext Next(TRecord& record)
    {
        for (;;) {
            const TNext next = Line(record);
            if (next != TNext::Record)
                return next;
            switch (record.type) {
            case TYPE_DATA:
            case TYPE_END:
                return TNext::Record;
            case TYPE_SEGMENT:
            case TYPE_LINEAR: {
                if (record.count != 2)
                    return Fault(record.offset, "an address record that is not two bytes long");
                const std::uint32_t value = static_cast<std::uint32_t>(record.data[0]) << 8 | record.data[1];
                m_Base = record.type == TYPE_LINEAR ? std::uint64_t{value} << 16 : std::uint64_t{value} << 4;
                break;
            }
            case TYPE_START_SEGMENT:
            case TYPE_START_LINEAR:
                break; // where a processor starts: nothing for a memory
            default:
                return Fault(record.offset, "a record of unknown type " + std::to_string(record.type));
            }
        }
    }
    const std::string& Problem() const { return m_Problem; }
    std::uint64_t Offset() const { return m_FaultOffset; }

    // After the end-of-file record: the offset and line of the first text that is not
    // blank, if any.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> TextAfter()
    {
        std::uint64_t offset = 0;
        bool tooLong = false;
        while (m_Lines.Next(m_Line, offset, tooLong)) {
            // DOS tools end a text with Ctrl-Z.
            std::size_t from = 0;
            while (from < m_Line.size() && (IsBlank(m_Line[from]) || m_Line[from] == '\x1a'))
                ++from;
            if (tooLong || from < m_Line.size())
                return std::pair(offset + from, m_Lines.Line());
        }
        return std::nullopt;
    }

private:
    TNext Fault(std::uint64_t offset, std::string problem)
    {
        m_FaultOffset = offset;
        m_Problem = std::move(problem);
        return TNext::Fault;
    }

    // The next record of any type, as the text gives it.
    TNext Line(TRecord& record)
    {
        std::uint64_t offset = 0;
        bool tooLong = false;
        for (;;) {
            if (!m_Lines.Next(m_Line, offset, tooLong))
                return Fault(offset + m_Line.size(), "no end-of-file record: the text is cut off");
            if (tooLong)
                return Fault(offset, "a line longer than any record");
            // Blanks around a record are no part of it: some tools indent their records.
            std::size_t end = m_Line.size();
            while (end > 0 && IsBlank(m_Line[end - 1]))
                --end;
            std::size_t from = m_Lines.Line() == 1 && m_Line.rfind(BYTE_ORDER_MARK, 0) == 0 ? 3 : 0;
            while (from < end && IsBlank(m_Line[from]))
                ++from;
            if (from < end)
                return Parse(std::string_view(m_Line).substr(from, end - from), offset + from, record);
        }
    }

    TNext Parse(std::string_view line, std::uint64_t offset, TRecord& record)
    {
        if (line[0] != ':')
            return Fault(offset, "a record that does not start with ':'");
        const std::size_t bytes = (line.size() - 1) / 2;
        if (bytes > sizeof m_Record)
            return Fault(offset, "a record whose length is not its byte count");
        const std::size_t decoded = hexcodec::DecodeHexPrefix(line.data() + 1, bytes, m_Record);
        if (decoded < bytes) {
            const std::size_t at = 1 + 2 * decoded + (hexcodec::NibbleOf(line[1 + 2 * decoded]) < 0 ? 0 : 1);
            return Fault(offset + at, "a character that is not a hex digit, " + names::QuotedCharacter(line[at]) + ",");
        }
        if (line.size() % 2 == 0 || bytes < 5 || m_Record[0] != bytes - 5)
            return Fault(offset, "a record whose length is not its byte count");
        unsigned sum = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            sum += m_Record[i];
        if ((sum & 0xFF) != 0)
            return Fault(offset, "a record with a wrong checksum");
        record.count = m_Record[0];
        record.type = m_Record[3];
        record.address = m_Base + (static_cast<std::uint32_t>(m_Record[1]) << 8 | m_Record[2]);
        record.data = m_Record + 4;
        record.line = m_Lines.Line();
        record.offset = offset;
        return TNext::Record;
    }

    TLineReader m_Lines;
    std::string m_Line;
    std::uint8_t m_Record[5 + 255] = {};
    std::uint64_t m_Base = 0;
    std::string m_Problem;
    std::uint64_t m_FaultOffset = 0;
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

// Which bytes of the image records gave: a bit a byte, so that even a whole SDRAM's image
// costs 16 MB at most, whatever order the records come in.
class TGivenBytes {
public:
    // The first byte of the range that a record gave before, if any.
    std::optional<std::uint64_t> FirstGiven(std::uint64_t address, std::size_t count) const
    {
        for (std::uint64_t a = address; a < address + count; ++a)
            if (a / 64 < m_Bits.size() && (m_Bits[a / 64] >> (a % 64) & 1))
                return a;
        return std::nullopt;
    }
    void Give(std::uint64_t address, std::size_t count)
    {
        const std::uint64_t end = address + count;
        if ((end + 63) / 64 > m_Bits.size())
            m_Bits.resize((end + 63) / 64);
        for (std::uint64_t a = address; a < end; ++a)
            m_Bits[a / 64] |= std::uint64_t{1} << (a % 64);
    }

private:
    std::vector<std::uint64_t> m_Bits;
};

TDecodeResult Fault(std::uint64_t offset, std::string problem)
{
    TDecodeResult result;
    result.badOffset = offset;
    result.problem = std::move(problem);
    return result;
}

std::string HexAddress(std::uint64_t address)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(address));
    return text;
}

// The line of the first data record of the text from `start` that gives the byte at
// `address`, found only when a later record gives it again; 0 when the text cannot be
// read again.
std::uint64_t LineThatGave(std::FILE* text, long start, std::uint64_t address)
{
    if (start < 0 || std::fseek(text, start, SEEK_SET) != 0)
        return 0;
    TRecordReader records(text);
    TRecord record;
    while (records.Next(record) == TRecordReader::TNext::Record && record.type == TYPE_DATA)
        if (address >= record.address && address < record.address + record.count)
            return record.line;
    return 0;
}

// Two records that give the same byte: which one a tool meant is not for us to guess.
TDecodeResult Overlap(std::FILE* text, long start, const TRecord& later, std::uint64_t address)
{
    const std::uint64_t earlier = LineThatGave(text, start, address);
    const std::string lines = earlier
        ? "the records on lines " + std::to_string(earlier) + " and " + std::to_string(later.line) + " overlap"
        : "the record on line " + std::to_string(later.line) + " overlaps an earlier one";
    return Fault(later.offset, lines + ": both give the byte at " + HexAddress(address));
}

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
    const long start = std::ftell(text);
    TRecordReader records(text);
    TImageWriter writer(image);
    TGivenBytes given;
    TRecord record;
    while (records.Next(record) == TRecordReader::TNext::Record) {
        if (record.type == TYPE_END) {
            // Records after the end would be left out unsaid: `cat a.hex b.hex` is a's alone.
            if (const auto after = records.TextAfter())
                return Fault(after->first,
                    "text after the end-of-file record (line " + std::to_string(after->second)
                        + "; two files joined?)");
            TDecodeResult result;
            result.ok = true;
            result.size = writer.Size();
            return result;
        }
        if (record.address + record.count > limit)
            return Fault(record.offset, "a record beyond the end of the largest memory");
        if (const auto again = given.FirstGiven(record.address, record.count))
            return Overlap(text, start, record, *again);
        given.Give(record.address, record.count);
        if (!writer.Put(record.address, record.data, record.count))
            return Fault(record.offset, "a record that could not be stored (the temporary file failed)");
    }
    return Fault(records.Offset(), records.Problem());
}

} // namespace ihex
