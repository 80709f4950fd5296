#pragma once

#include "core/IntelHex.h"
#include "core/MemoryTransfer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The formats of memory content files and how bytes are written in each: raw bytes, the
// window's HEX text (two hex digits a byte, nothing else) and Intel HEX records.
namespace memory {

enum class TFileFormat {
    Binary,
    Hex,
    IntelHex
};

// By the name, as the window decides: ".hex" in any case is HEX text, anything else raw.
// A HEX file whose first character after any blank lines is ':' is read as Intel HEX
// (see TMemoryFileReader).
TFileFormat FormatOfName(const std::filesystem::path& path);
// "bin", "hex", "ihex": the names --format takes.
const char* FormatName(TFileFormat format);
std::optional<TFileFormat> FindFormat(std::string_view name);

// Bytes in pieces to a file in a format; the Intel HEX records carry offsets from the
// first byte written.
class TContentEncoder {
public:
    explicit TContentEncoder(TFileFormat format)
        : m_Format(format)
    { }
    // False when the file did not take them (errno tells why).
    bool Write(std::FILE* file, const std::uint8_t* bytes, std::size_t count);
    // What ends the content: the end-of-file record of Intel HEX.
    bool Finish(std::FILE* file);

private:
    bool Put(std::FILE* file, const std::string& text);

    TFileFormat m_Format;
    ihex::TIntelHexEncoder m_IntelHex;
    std::string m_Text; // one piece's text, kept to be reused
};

// A read sink that writes what it gets to an open stream (standard output) as it comes.
class TStreamSink final : public IReadSink {
public:
    TStreamSink(std::FILE* stream, TFileFormat format)
        : m_Stream(stream)
        , m_Encoder(format)
    { }
    std::uint8_t* Room(std::size_t count) override;
    bool Filled(std::size_t count) override;
    // Ends the content and flushes it; false when the stream did not take everything.
    bool Finish();

private:
    std::FILE* m_Stream;
    TContentEncoder m_Encoder;
    std::unique_ptr<std::uint8_t[]> m_Room;
    std::size_t m_RoomSize = 0;
};

} // namespace memory
