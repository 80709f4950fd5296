#include "pages/MemoryGeometry.h"

#include "board/Protocol.h"

#include <cstdio>

namespace memorypage {

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

std::string Quoted(const char* format, const std::string& text, const std::string& field)
{
    std::string result;
    result.resize(text.size() + field.size() + 128);
    const int n = std::snprintf(result.data(), result.size(), format, text.c_str(), field.c_str());
    result.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return result;
}

std::string Bounded(const char* format, const std::string& text, const std::string& field, std::int32_t bound)
{
    std::string result;
    result.resize(text.size() + field.size() + 128);
    const int n = std::snprintf(
        result.data(), result.size(), format, text.c_str(), field.c_str(), static_cast<unsigned>(bound));
    result.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return result;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
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

THexField ParseHexField(
    const std::string& text, const std::string& fieldName, std::int32_t maximum, std::int32_t minimum)
{
    THexField result;
    std::uint32_t value = 0;
    bool valid = !text.empty() && text.size() <= 8;
    for (std::size_t i = 0; valid && i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        valid = digit >= 0;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    if (!valid) {
        result.error = Quoted("Value '%s' is invalid for '%s'", text, fieldName);
        return result;
    }
    const auto signedValue = static_cast<std::int32_t>(value);
    if (signedValue > maximum) {
        result.error = Bounded(
            "The input value(%s) for the field '%s' is expected to less or equal to %Xh.", text, fieldName, maximum);
        return result;
    }
    if (signedValue < minimum) {
        result.error = Bounded(
            "The intput value(%s) for the field '%s' is expected to larger or equal to %Xh.", text, fieldName, minimum);
        return result;
    }
    result.ok = true;
    result.value = signedValue;
    return result;
}

} // namespace memorypage
