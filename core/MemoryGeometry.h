#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The memories of the board as both faces present them: list positions, memory codes,
// names and sizes. The command line takes the names the window lists.
namespace memory {

constexpr int MEMORY_LIST_COUNT = 6;

// The memory code of the list position (0..5): SSRAM-0, SSRAM-1, SDRAM, EEPROM, EPCS,
// FLASH in list order. Positions outside the list give SSRAM-0's code.
std::uint8_t MemoryTypeOfPosition(int position);

// Display name of a memory code ("SSRAM-0", "FLASH", ...); "" for an unknown code.
const char* MemoryTypeName(std::uint8_t memoryType);

// The memory code of a display name in any case, with or without the hyphen ("sdram",
// "Ssram-0", "ssram0": the simulator's control commands spell them so), or nothing.
std::optional<std::uint8_t> FindMemoryType(std::string_view name);

// Why `name` is no memory's name, naming the memories: "'dram' is not a memory of the
// board; it is one of SSRAM-0, SSRAM-1, SDRAM, EEPROM, EPCS, FLASH (in any case, with or
// without the hyphen)".
std::string UnknownMemoryText(std::string_view name);

// FLASH and EPCS are erased block by block before they are written; the others are RAM
// or EEPROM and have no erase.
bool IsErasable(std::uint8_t memoryType);

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

} // namespace memory
