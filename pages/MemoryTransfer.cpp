#include "pages/MemoryTransfer.h"

#include "board/Board.h"
#include "board/Protocol.h"
#include "pages/HexCodec.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <new>
#include <system_error>

namespace memorypage {

namespace {

constexpr std::uint32_t STEPS = 20;
// Bytes of a dump encoded at a time: the HEX text is made in pieces of twice that.
constexpr std::size_t HEX_PIECE = 1 << 20;

std::string PercentText(int percent)
{
    char text[48];
    std::snprintf(text, sizeof text, "Finish Percentage: %d%%", percent);
    return text;
}

// Shows the percentage only when its whole number grows, so that the dialog is
// redrawn at most a hundred times.
class TPercentShown {
public:
    explicit TPercentShown(ITransferProgress& progress)
        : m_Progress(progress)
    { }
    void Show(int percent)
    {
        if (percent <= m_Last)
            return;
        m_Last = percent;
        m_Progress.SetPercent(percent);
        m_Progress.SetStatus(PercentText(percent));
    }

private:
    ITransferProgress& m_Progress;
    int m_Last = -1;
};

// Destroys the dialog on every way out.
class TProgressSession {
public:
    explicit TProgressSession(ITransferProgress& progress)
        : m_Progress(progress)
    {
        m_Progress.Begin();
        m_Progress.SetStatus("Process...");
    }
    ~TProgressSession() { m_Progress.End(); }
    TProgressSession(const TProgressSession&) = delete;
    TProgressSession& operator=(const TProgressSession&) = delete;

private:
    ITransferProgress& m_Progress;
};

int Percentage(std::uint64_t done, std::uint64_t total) { return static_cast<int>(done * 100 / total); }

std::uint32_t StepOf(std::uint32_t byteCount)
{
    const std::uint32_t step = byteCount / STEPS;
    return step ? step : byteCount;
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
#ifdef _WIN32
    std::wstring wide(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wide.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

struct TFileCloser {
    void operator()(std::FILE* file) const
    {
        if (file)
            std::fclose(file);
    }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

// A new file beside `target` that no one else uses: ".<name>.partN".
TFilePtr CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& temporary)
{
    const std::filesystem::path folder = target.parent_path();
    const std::string name = "." + target.filename().string() + ".part";
    for (int i = 0; i < 1000; ++i) {
        temporary = folder / (name + std::to_string(i));
        if (std::FILE* file = OpenFile(temporary, "wbx"))
            return TFilePtr(file);
        std::error_code error;
        if (!std::filesystem::exists(temporary, error))
            break; // not a name clash: the folder refuses new files
    }
    return nullptr;
}

bool WriteContent(std::FILE* file, const std::uint8_t* bytes, std::size_t count, bool hex)
{
    if (!hex)
        return std::fwrite(bytes, 1, count, file) == count;
    std::unique_ptr<char[]> piece(new (std::nothrow) char[2 * std::min(count, HEX_PIECE)]);
    if (!piece && count)
        return false;
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(HEX_PIECE, count - done);
        hexcodec::EncodeHex(bytes + done, n, piece.get());
        if (std::fwrite(piece.get(), 1, 2 * n, file) != 2 * n)
            return false;
        done += n;
    }
    return true;
}

std::uint64_t FileSize(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    const long size = std::ftell(file);
    std::rewind(file);
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

} // namespace

TRangeResult ReadRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount, std::uint8_t* buffer)
{
    TProgressSession session(progress);
    TPercentShown shown(progress);
    TRangeResult result;
    bool ok = board.KeepAlive();
    const std::uint32_t step = StepOf(byteCount);
    for (std::uint32_t done = 0; done < byteCount && ok && !result.aborted;) {
        const std::uint32_t n = std::min(step, byteCount - done);
        ok = board.MemoryRead(memoryType, byteAddress + done, n, buffer + done);
        done += n;
        shown.Show(Percentage(done, byteCount));
        result.aborted = progress.ProcessEventsAndCheckAbort();
    }
    result.ok = ok && !result.aborted;
    return result;
}

TRangeResult WriteRangeWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType,
    std::uint32_t byteAddress, std::uint32_t byteCount, const std::uint8_t* data, bool& writeFailed)
{
    TProgressSession session(progress);
    TPercentShown shown(progress);
    TRangeResult result;
    bool ok = board.KeepAlive();
    const std::uint32_t step = std::min(StepOf(byteCount), protocol::MEMORY_WRITE_CHUNK);
    for (std::uint32_t done = 0; done < byteCount && ok && !result.aborted;) {
        const std::uint32_t n = std::min(step, byteCount - done);
        ok = board.KeepAlive() && board.MemoryWrite(memoryType, byteAddress + done, n, data + done);
        if (!ok)
            writeFailed = true;
        done += n;
        shown.Show(Percentage(done, byteCount));
        result.aborted = progress.ProcessEventsAndCheckAbort();
    }
    result.ok = ok && !result.aborted;
    return result;
}

TEraseResult EraseChipWithProgress(TBoard& board, ITransferProgress& progress, std::uint8_t memoryType)
{
    TProgressSession session(progress);
    TPercentShown shown(progress);
    TEraseResult result;
    const std::uint32_t blocks = board.GetEraseBlockCount(memoryType);
    bool exchanged = true;
    bool accepted = true;
    std::uint32_t i = 0;
    while (i < blocks && exchanged && accepted && !result.aborted) {
        {
            std::lock_guard guard(board);
            exchanged = board.EraseBlock(accepted, memoryType, static_cast<std::uint16_t>(i));
        }
        if (!exchanged)
            accepted = false;
        shown.Show(Percentage(i, blocks));
        ++i;
        result.aborted = progress.ProcessEventsAndCheckAbort();
    }
    result.blockFailed = blocks > 0 && !(exchanged && accepted);
    result.success = !result.aborted && blocks > 0 && i == blocks && exchanged && accepted;
    return result;
}

bool TByteBuffer::Allocate(std::size_t count)
{
    data.reset(new (std::nothrow) std::uint8_t[count ? count : 1]);
    size = data ? count : 0;
    return data != nullptr;
}

bool IsHexFileName(const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != 4)
        return false;
    const auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
    return lower(name[dot + 1]) == 'h' && lower(name[dot + 2]) == 'e' && lower(name[dot + 3]) == 'x';
}

TDumpStatus WriteDumpFile(const std::filesystem::path& path, const std::uint8_t* bytes, std::size_t count, bool hex)
{
    std::filesystem::path temporary;
    TFilePtr file = CreateTemporaryBeside(path, temporary);
    if (!file)
        return TDumpStatus::CreateFailed;
    bool written = WriteContent(file.get(), bytes, count, hex);
    // Buffered bytes that cannot be flushed are bytes not written, as is a full disk
    // discovered only when the file is closed.
    written = std::fclose(file.release()) == 0 && written;
    std::error_code error;
    if (!written) {
        std::filesystem::remove(temporary, error);
        return TDumpStatus::ShortWrite;
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return TDumpStatus::CreateFailed;
    }
    return TDumpStatus::Ok;
}

TFilePortion ReadFilePortion(
    const std::filesystem::path& path, bool hex, bool wholeFile, std::uint32_t byteCount, std::uint32_t space)
{
    TFilePortion portion;
    TFilePtr file(OpenFile(path, "rb"));
    if (!file)
        return portion; // OpenFailed
    const std::uint64_t fileSize = FileSize(file.get());
    std::uint64_t count = byteCount;
    if (wholeFile)
        count = std::min<std::uint64_t>(hex ? (fileSize + 1) / 2 : fileSize, space);
    else if ((hex ? fileSize / 2 : fileSize) < count) {
        portion.status = TLoadStatus::SizeLess;
        return portion;
    }
    // HEX text is read into the same buffer that then holds the decoded bytes.
    const std::uint64_t stored = hex ? 2 * count : count;
    const std::uint64_t toRead = std::min(stored, fileSize);
    if (!portion.bytes.Allocate(static_cast<std::size_t>(stored))) {
        portion.status = TLoadStatus::ReadError;
        return portion;
    }
    std::uint8_t* data = portion.bytes.data.get();
    if (std::fread(data, 1, static_cast<std::size_t>(toRead), file.get()) != toRead) {
        portion.status = TLoadStatus::ReadError;
        return portion;
    }
    if (toRead < stored)
        data[toRead] = '0'; // an odd last character of a whole HEX file
    if (hex && !hexcodec::DecodeHex(reinterpret_cast<const char*>(data), static_cast<std::size_t>(count), data)) {
        portion.status = TLoadStatus::InvalidHex;
        return portion;
    }
    portion.bytes.size = static_cast<std::size_t>(count);
    portion.status = TLoadStatus::Ok;
    return portion;
}

} // namespace memorypage
