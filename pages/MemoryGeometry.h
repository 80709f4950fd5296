#pragma once

#include <cstdint>
#include <string>

// The memories of the board as the memory page presents them: list positions, memory
// codes, names and sizes, and the checks of the hexadecimal fields the user types.
// Plain arithmetic, no widgets, so that it is tested alone.
namespace memorypage {

constexpr int MEMORY_LIST_COUNT = 6;

// The memory code of the list position (0..5): SSRAM-0, SSRAM-1, SDRAM, EEPROM, EPCS,
// FLASH in list order. Positions outside the list give SSRAM-0's code.
std::uint8_t MemoryTypeOfPosition(int position);

// Display name of a memory code ("SSRAM-0", "FLASH", ...); "" for an unknown code.
const char* MemoryTypeName(std::uint8_t memoryType);

// The list text of a memory: its name, its size in words in hexadecimal and its size
// in bytes in the largest whole unit, e.g. "SDRAM (4000000h WORDS, 128 MB)".
std::string MemoryListText(const char* name, std::uint32_t sizeBytes);

// The sizes of the six memories, looked up by memory code. Held in the order EPCS,
// FLASH, SSRAM-0, SSRAM-1, EEPROM, SDRAM, filled when constructed.
class TMemoryGeometry {
public:
    TMemoryGeometry();
    std::uint32_t SizeBytes(std::uint8_t memoryType) const;
    std::uint32_t SizeWords(std::uint8_t memoryType) const { return SizeBytes(memoryType) >> 1; }

private:
    std::uint32_t m_Sizes[MEMORY_LIST_COUNT];
};

// As many "0" characters as `words - 1` has hexadecimal digits ("00000" for 100000h
// words): the address text of word 0 of a memory.
std::string ZeroAddressText(std::uint32_t words);

// "%X" of a word count, the text the length fields show.
std::string HexText(std::uint32_t value);

// Result of checking one hexadecimal input field. On failure `error` is the text of the
// error box the page shows.
struct THexField {
    bool ok = false;
    std::int32_t value = 0;
    std::string error;
};

// Checks the text of a hexadecimal field: one to eight hexadecimal digits and nothing
// else; the value, taken as a signed 32-bit integer, must lie in [minimum, maximum].
// Longer texts are refused rather than cut to their low 32 bits, so that a typed
// address is never silently replaced by a different one.
THexField ParseHexField(
    const std::string& text, const std::string& fieldName, std::int32_t maximum, std::int32_t minimum);

} // namespace memorypage
