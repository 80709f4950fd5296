#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// What the fuzz targets share: a reader over the fuzzer's bytes that never runs past
// their end (missing bytes read as 0), and the check that turns a broken property into a
// finding.
namespace fuzz {

class TInput {
public:
    TInput(const std::uint8_t* data, std::size_t size)
        : m_Data(data)
        , m_Size(size)
    { }

    bool AtEnd() const { return m_At >= m_Size; }
    std::size_t Left() const { return m_Size - m_At; }

    std::uint8_t U8() { return AtEnd() ? 0 : m_Data[m_At++]; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | U8() << 8); }
    std::uint32_t U32() { return std::uint32_t(U16()) | std::uint32_t(U16()) << 16; }

    // Up to `count` bytes, fewer when the input ends first.
    std::vector<std::uint8_t> Bytes(std::size_t count)
    {
        const std::size_t n = count < Left() ? count : Left();
        std::vector<std::uint8_t> bytes(m_Data + m_At, m_Data + m_At + n);
        m_At += n;
        return bytes;
    }
    std::vector<std::uint8_t> Rest() { return Bytes(Left()); }

private:
    const std::uint8_t* m_Data;
    std::size_t m_Size;
    std::size_t m_At = 0;
};

// A property of the code under test that must hold for every input.
inline void Require(bool holds, const char* what)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}

// The text is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(const std::string& text);

// The texts of the SD card's registers as the SD card page shows them: valid UTF-8, every
// line starting with "-" and ending with a line feed, and one of the file system names.
void RequireSdCardTexts(const std::string& csdText, const std::string& cidText, const std::string& fileSystem);

} // namespace fuzz
