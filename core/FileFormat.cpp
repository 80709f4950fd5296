#include "core/FileFormat.h"

#include "core/FileAccess.h"
#include "core/HexCodec.h"
#include "core/Names.h"

#include <algorithm>
#include <cerrno>
#include <new>

namespace memory {

namespace {

// Bytes encoded at a time, so that the text of a 128 MB range is never held whole.
constexpr std::size_t TEXT_PIECE = 1 << 20;

} // namespace

TFileFormat FormatOfName(const std::filesystem::path& path)
{
    return IsHexFileName(path) ? TFileFormat::Hex : TFileFormat::Binary;
}

const char* FormatName(TFileFormat format)
{
    switch (format) {
    case TFileFormat::Hex:
        return "hex";
    case TFileFormat::IntelHex:
        return "ihex";
    case TFileFormat::Binary:
        break;
    }
    return "bin";
}

std::optional<TFileFormat> FindFormat(std::string_view name)
{
    for (TFileFormat format : {TFileFormat::Binary, TFileFormat::Hex, TFileFormat::IntelHex})
        if (names::EqualIgnoringCase(name, FormatName(format)))
            return format;
    return std::nullopt;
}

bool TContentEncoder::Put(std::FILE* file, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

bool TContentEncoder::Write(std::FILE* file, const std::uint8_t* bytes, std::size_t count)
{
    if (m_Format == TFileFormat::Binary)
        return std::fwrite(bytes, 1, count, file) == count;
    try {
        for (std::size_t done = 0; done < count;) {
            const std::size_t n = std::min(TEXT_PIECE, count - done);
            m_Text.clear();
            if (m_Format == TFileFormat::Hex) {
                m_Text.resize(2 * n);
                hexcodec::EncodeHex(bytes + done, n, m_Text.data());
            } else {
                m_IntelHex.Append(bytes + done, n, m_Text);
            }
            if (!Put(file, m_Text))
                return false;
            done += n;
        }
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        return false;
    }
    return true;
}

bool TContentEncoder::Finish(std::FILE* file)
{
    if (m_Format != TFileFormat::IntelHex)
        return true;
    m_Text.clear();
    m_IntelHex.Finish(m_Text);
    return Put(file, m_Text);
}

std::uint8_t* TStreamSink::Room(std::size_t count)
{
    if (count > m_RoomSize || !m_Room) {
        m_Room.reset(new (std::nothrow) std::uint8_t[std::max<std::size_t>(count, 1)]);
        m_RoomSize = m_Room ? count : 0;
    }
    return m_Room.get();
}

bool TStreamSink::Filled(std::size_t count) { return m_Encoder.Write(m_Stream, m_Room.get(), count); }

bool TStreamSink::Finish() { return m_Encoder.Finish(m_Stream) && std::fflush(m_Stream) == 0; }

} // namespace memory
