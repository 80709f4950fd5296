#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Intel HEX, the text format that compilers, objcopy and flash tools write images in:
// one record a line, ":" then byte count, 16-bit address, type, data and a checksum that
// makes the record's bytes sum to 0. Addresses above 64 KB come from extended linear
// (type 04) or extended segment (type 02) address records. The addresses count from the
// start of the range a file is loaded to or dumped from, as the offsets of a binary file
// do.
namespace ihex {

// Writes an image as records of 16 data bytes, given in pieces of any size, with an
// extended linear address record before each 64 KB that needs one.
class TIntelHexEncoder {
public:
    // Appends the records for the next `count` bytes of the image to `text`.
    void Append(const std::uint8_t* bytes, std::size_t count, std::string& text);
    // Appends the last, partial record and the end-of-file record.
    void Finish(std::string& text);

private:
    void Flush(std::string& text);

    static constexpr std::size_t RECORD_BYTES = 16;
    std::uint64_t m_Offset = 0; // image offset of the first pending byte
    std::uint8_t m_Pending[RECORD_BYTES] = {};
    std::size_t m_Count = 0;
    std::uint32_t m_Upper = 0; // the upper 16 address bits the last type-04 record gave
};

struct TDecodeResult {
    bool ok = false;
    std::uint64_t size = 0;      // bytes of the image: its highest address + 1
    std::uint64_t badOffset = 0; // where in the text the first fault is
    std::string problem;         // what is wrong there, e.g. "wrong checksum"
};

// Reads Intel HEX text from `text` up to its end-of-file record and writes the image it
// describes to `image` (a new, empty file open for update). Bytes no record gives read FF,
// as erased flash does, so that a gap programs nothing. Records that reach `limit` or
// beyond are refused, so that a stray address cannot make a file of gigabytes, and so
// are two records that give the same byte (which of them a tool meant is not for us to
// guess), naming both records' lines and the address. Blank lines, blanks around a
// record and LF or CRLF line ends are allowed; a text without its end-of-file record is
// refused as cut off.
TDecodeResult DecodeIntelHex(std::FILE* text, std::FILE* image, std::uint64_t limit);

} // namespace ihex
