// The memory files' reader on any file the user may pick, above all HEX text: read whole,
// as the window does, and in pieces, as the command line streams it.
//
// Input: flags u8 (bit 0 a binary file, bit 1 exactly `count` bytes instead of the whole
// file), piece u8 (bytes per streamed piece, 0 = 256), count u16 (the byte count, or
// the room the whole file is cut to), then the file's content.
//
// Properties: the file is read exactly when the bytes it must give are all there and,
// for HEX, are hexadecimal digit pairs (an odd last character taken as followed by "0");
// content beyond the bytes asked for is never looked at; the bytes are the text decoded
// (and encode back to it); read in pieces, the file gives the same bytes as read whole
// and fails where the whole read fails.
#include "core/HexCodec.h"
#include "core/MemoryFile.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using fuzz::Require;

// The file the reader opens: one memory file for the whole run, rewritten per input.
class TMemoryFile {
public:
    TMemoryFile()
        : m_Fd(::memfd_create("vx5h-fuzz-memory-file", MFD_CLOEXEC))
        , m_Path("/proc/self/fd/" + std::to_string(m_Fd))
    {
        Require(m_Fd >= 0, "a memory file to hold the input");
    }
    ~TMemoryFile() { ::close(m_Fd); }

    const std::string& Path() const { return m_Path; }

    void Hold(const std::vector<std::uint8_t>& content)
    {
        Require(::ftruncate(m_Fd, 0) == 0, "the memory file empties");
        Require(content.empty()
                || ::pwrite(m_Fd, content.data(), content.size(), 0) == static_cast<ssize_t>(content.size()),
            "the memory file takes the input");
    }

private:
    int m_Fd;
    std::string m_Path;
};

// What the reader must give: the status and, when it succeeds, the bytes.
// A HEX file's content ends before its trailing blanks and line breaks.
std::vector<std::uint8_t> HexContent(std::vector<std::uint8_t> content)
{
    while (!content.empty() && std::strchr(" \t\r\n", content.back()) && content.back())
        content.pop_back();
    return content;
}

memory::TLoadStatus Expected(
    std::vector<std::uint8_t> content, bool hex, bool wholeFile, std::uint32_t count, std::vector<std::uint8_t>& bytes)
{
    if (hex)
        content = HexContent(std::move(content));
    const std::size_t available = hex ? content.size() / 2 : content.size();
    if (wholeFile)
        count = std::min<std::uint32_t>(hex ? (content.size() + 1) / 2 : content.size(), count);
    else if (available < count)
        return memory::TLoadStatus::SizeLess;
    bytes.assign(count, 0);
    if (!hex) {
        std::copy_n(content.begin(), count, bytes.begin());
        return memory::TLoadStatus::Ok;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const int high = hexcodec::NibbleOf(static_cast<char>(content[2 * i]));
        const int low = 2 * i + 1 < content.size() ? hexcodec::NibbleOf(static_cast<char>(content[2 * i + 1])) : 0;
        if (high < 0 || low < 0)
            return memory::TLoadStatus::InvalidHex;
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return memory::TLoadStatus::Ok;
}

// The planned bytes read in pieces of `piece`; the status of the first piece that fails.
memory::TLoadStatus ReadInPieces(const std::string& path, bool hex, bool wholeFile, std::uint32_t count,
    std::size_t piece, std::vector<std::uint8_t>& bytes)
{
    memory::TMemoryFileReader reader;
    memory::TLoadStatus status = reader.Open(path, hex);
    if (status == memory::TLoadStatus::Ok)
        status = reader.Plan(wholeFile, count, count);
    if (status != memory::TLoadStatus::Ok)
        return status;
    memory::TFileSource source(reader);
    while (reader.Left() > 0) {
        const std::size_t n = std::min<std::size_t>(piece, reader.Left());
        const std::uint8_t* next = source.Next(n);
        if (!next)
            return source.Status();
        bytes.insert(bytes.end(), next, next + n);
    }
    return memory::TLoadStatus::Ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TMemoryFile file;
    fuzz::TInput in(data, size);
    const std::uint8_t flags = in.U8();
    const bool hex = (flags & 1) == 0;
    const bool wholeFile = (flags & 2) == 0;
    const std::uint8_t pieceByte = in.U8();
    const std::size_t piece = pieceByte ? pieceByte : 256;
    const std::uint32_t count = in.U16();
    const std::vector<std::uint8_t> content = in.Rest();
    file.Hold(content);
    // A byte order mark at the very start (Notepad's "UTF-8") does not hide Intel HEX.
    static const std::uint8_t BYTE_ORDER_MARK[] = {0xEF, 0xBB, 0xBF};
    const bool marked = content.size() >= 3 && std::equal(BYTE_ORDER_MARK, BYTE_ORDER_MARK + 3, content.begin());
    const auto first = std::find_if(content.begin() + (marked ? 3 : 0), content.end(),
        [](std::uint8_t c) { return !std::strchr(" \t\r\n", c) || c == 0; });
    if (hex && first != content.end() && *first == ':') {
        // Intel HEX records (after a byte order mark and blank lines), which the reader decodes as a whole
        // first: of them only that reading whole or in pieces ends without a fault, either way.
        std::vector<std::uint8_t> pieces;
        memory::ReadFilePortion(file.Path(), hex, wholeFile, count, count);
        ReadInPieces(file.Path(), hex, wholeFile, count, piece, pieces);
        return 0;
    }

    std::vector<std::uint8_t> expected;
    const memory::TLoadStatus expectedStatus = Expected(content, hex, wholeFile, count, expected);

    const memory::TFilePortion whole = memory::ReadFilePortion(file.Path(), hex, wholeFile, count, count);
    Require(whole.status == expectedStatus, "the whole read succeeds or fails as the content says");
    if (whole.status == memory::TLoadStatus::Ok)
        Require(
            whole.bytes.size == expected.size() && std::equal(expected.begin(), expected.end(), whole.bytes.data.get()),
            "the whole read gives the decoded content");

    std::vector<std::uint8_t> pieces;
    const memory::TLoadStatus piecesStatus = ReadInPieces(file.Path(), hex, wholeFile, count, piece, pieces);
    Require(piecesStatus == expectedStatus, "read in pieces, the same verdict as read whole");
    if (piecesStatus == memory::TLoadStatus::Ok)
        Require(pieces == expected, "read in pieces, the same bytes as read whole");

    if (hex && expectedStatus == memory::TLoadStatus::Ok) {
        const std::vector<std::uint8_t> text = HexContent(content);
        std::vector<char> encoded(2 * expected.size());
        hexcodec::EncodeHex(expected.data(), expected.size(), encoded.data());
        for (std::size_t i = 0; i < encoded.size(); ++i) {
            const char typed = i < text.size() ? static_cast<char>(std::toupper(text[i])) : '0';
            Require(encoded[i] == typed, "the bytes encode back to the text");
        }
    }
    return 0;
}
