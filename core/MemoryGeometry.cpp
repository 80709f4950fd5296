#include "core/MemoryGeometry.h"

#include "board/Protocol.h"
#include "core/Names.h"

#include <cstdio>

namespace memory {

namespace {

struct TMemoryFacts {
    std::uint8_t code;
    const char* name;
    std::uint32_t sizeBytes;
};

// In list order.
constexpr TMemoryFacts MEMORY_LIST[MEMORY_LIST_COUNT] = {
    {protocol::MEM_SSRAM0, "SSRAM-0", 0x200000},
    {protocol::MEM_SSRAM1, "SSRAM-1", 0x200000},
    {protocol::MEM_SDRAM, "SDRAM", 0x8000000},
    {protocol::MEM_EEPROM, "EEPROM", 4096},
    {protocol::MEM_EPCS, "EPCS", 0x800000},
    {protocol::MEM_FLASH, "FLASH", 0x800000},
};

// By memory code.
constexpr const char* MEMORY_NAMES[MEMORY_LIST_COUNT] = {"SSRAM-0", "SSRAM-1", "FLASH", "EPCS", "EEPROM", "SDRAM"};

// The order in which the sizes are held.
constexpr std::uint8_t GEOMETRY_ORDER[MEMORY_LIST_COUNT] = {
    protocol::MEM_EPCS,
    protocol::MEM_FLASH,
    protocol::MEM_SSRAM0,
    protocol::MEM_SSRAM1,
    protocol::MEM_EEPROM,
    protocol::MEM_SDRAM,
};

std::uint32_t FactSize(std::uint8_t code)
{
    for (const auto& facts : MEMORY_LIST)
        if (facts.code == code)
            return facts.sizeBytes;
    return 0;
}

std::string Format(const char* format, const char* text, unsigned hex, unsigned count)
{
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, format, text, hex, count);
    return buffer;
}

} // namespace

std::uint8_t MemoryTypeOfPosition(int position)
{
    if (position < 0 || position >= MEMORY_LIST_COUNT)
        return MEMORY_LIST[0].code;
    return MEMORY_LIST[position].code;
}

const char* MemoryTypeName(std::uint8_t memoryType)
{
    return memoryType < MEMORY_LIST_COUNT ? MEMORY_NAMES[memoryType] : "";
}

std::optional<std::uint8_t> FindMemoryType(std::string_view name)
{
    for (const auto& facts : MEMORY_LIST)
        if (names::SameMemoryName(name, facts.name))
            return facts.code;
    return std::nullopt;
}

std::string UnknownMemoryText(std::string_view name)
{
    std::string names;
    for (int position = 0; position < MEMORY_LIST_COUNT; ++position)
        names += std::string(position ? ", " : "") + MemoryTypeName(MemoryTypeOfPosition(position));
    return "'" + std::string(name) + "' is not a memory of the board; it is one of " + names
        + " (in any case, with or without the hyphen)";
}

bool IsErasable(std::uint8_t memoryType)
{
    return memoryType == protocol::MEM_FLASH || memoryType == protocol::MEM_EPCS;
}

std::string MemoryListText(const char* name, std::uint32_t sizeBytes)
{
    const unsigned words = sizeBytes >> 1;
    if (sizeBytes < 1024)
        return Format("%s (%Xh WORDS, %u Bytes)", name, words, sizeBytes);
    if (sizeBytes < 0x100000)
        return Format("%s (%Xh WORDS, %u KB)", name, words, sizeBytes >> 10);
    if (sizeBytes < 0x40000000)
        return Format("%s (%Xh WORDS, %u MB)", name, words, sizeBytes >> 20);
    return Format("%s (%Xh WORDS, %u GB)", name, words, sizeBytes >> 30);
}

TMemoryGeometry::TMemoryGeometry()
{
    for (int i = 0; i < MEMORY_LIST_COUNT; ++i)
        m_Sizes[i] = FactSize(GEOMETRY_ORDER[i]);
}

std::uint32_t TMemoryGeometry::SizeBytes(std::uint8_t memoryType) const
{
    for (int i = 0; i < MEMORY_LIST_COUNT; ++i)
        if (GEOMETRY_ORDER[i] == memoryType)
            return m_Sizes[i];
    return 0;
}

std::string ZeroAddressText(std::uint32_t words)
{
    std::uint32_t last = words ? words - 1 : 0;
    std::size_t digits = 1;
    while (last >>= 4)
        ++digits;
    return std::string(digits, '0');
}

std::string HexText(std::uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", value);
    return buffer;
}

} // namespace memory
