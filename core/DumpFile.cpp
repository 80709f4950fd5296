#include "core/DumpFile.h"

#include "core/HexCodec.h"

#include <algorithm>
#include <new>
#include <string>
#include <system_error>

namespace memory {

namespace {

// Bytes of a dump encoded at a time: the HEX text is made in pieces of twice that.
constexpr std::size_t HEX_PIECE = 1 << 20;

// Room for `count` items in `buffer`, which grows only when it must.
template<typename T> T* Reserve(std::unique_ptr<T[]>& buffer, std::size_t& size, std::size_t count)
{
    if (count > size || !buffer) {
        buffer.reset(new (std::nothrow) T[std::max<std::size_t>(count, 1)]);
        size = buffer ? count : 0;
    }
    return buffer.get();
}

// A new file beside `target` that no one else uses: ".<name>.partN".
TFilePtr CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& temporary)
{
    // Joined as paths, not as narrow text, which cannot spell every name on Windows.
    std::filesystem::path name = ".";
    name += target.filename();
    name += ".part";
    for (int i = 0; i < 1000; ++i) {
        temporary = target.parent_path() / name;
        temporary += std::to_string(i);
        if (std::FILE* file = OpenFile(temporary, "wbx"))
            return TFilePtr(file);
        std::error_code error;
        if (!std::filesystem::exists(temporary, error))
            break; // not a name clash: the folder refuses new files
    }
    return nullptr;
}

} // namespace

TDumpFileWriter::~TDumpFileWriter() { Discard(); }

TDumpStatus TDumpFileWriter::Begin(const std::filesystem::path& path, bool hex)
{
    Discard();
    m_Target = path;
    m_Hex = hex;
    m_Failed = false;
    m_File = CreateTemporaryBeside(path, m_Temporary);
    return m_File ? TDumpStatus::Ok : TDumpStatus::CreateFailed;
}

bool TDumpFileWriter::Write(const std::uint8_t* bytes, std::size_t count)
{
    if (!m_File || m_Failed)
        return false;
    if (!m_Hex) {
        m_Failed = std::fwrite(bytes, 1, count, m_File.get()) != count;
        return !m_Failed;
    }
    char* text = count ? Reserve(m_Text, m_TextSize, 2 * std::min(count, HEX_PIECE)) : m_Text.get();
    m_Failed = count && !text;
    for (std::size_t done = 0; done < count && !m_Failed;) {
        const std::size_t n = std::min(HEX_PIECE, count - done);
        hexcodec::EncodeHex(bytes + done, n, text);
        m_Failed = std::fwrite(text, 1, 2 * n, m_File.get()) != 2 * n;
        done += n;
    }
    return !m_Failed;
}

TDumpStatus TDumpFileWriter::Commit()
{
    if (!m_File)
        return TDumpStatus::CreateFailed;
    // Buffered bytes that cannot be flushed are bytes not written, as is a full disk
    // discovered only when the file is closed.
    const bool written = std::fclose(m_File.release()) == 0 && !m_Failed;
    std::error_code error;
    if (!written) {
        std::filesystem::remove(m_Temporary, error);
        m_Temporary.clear();
        return TDumpStatus::ShortWrite;
    }
    std::filesystem::rename(m_Temporary, m_Target, error);
    if (error) {
        std::filesystem::remove(m_Temporary, error);
        m_Temporary.clear();
        return TDumpStatus::CreateFailed;
    }
    m_Temporary.clear();
    return TDumpStatus::Ok;
}

void TDumpFileWriter::Discard()
{
    m_File.reset();
    if (!m_Temporary.empty()) {
        std::error_code error;
        std::filesystem::remove(m_Temporary, error);
        m_Temporary.clear();
    }
}

std::uint8_t* TDumpSink::Room(std::size_t count) { return Reserve(m_Room, m_RoomSize, count); }

bool TDumpSink::Filled(std::size_t count) { return m_Writer.Write(m_Room.get(), count); }

TDumpStatus WriteDumpFile(const std::filesystem::path& path, const std::uint8_t* bytes, std::size_t count, bool hex)
{
    TDumpFileWriter writer;
    const TDumpStatus created = writer.Begin(path, hex);
    if (created != TDumpStatus::Ok)
        return created;
    writer.Write(bytes, count);
    return writer.Commit();
}

} // namespace memory
