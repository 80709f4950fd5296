#include "sim/MemoryFaults.h"

namespace sim {

namespace {

void DescribeStuck(std::vector<std::string>& out, const char* what, std::uint32_t mask, int value)
{
    for (int i = 0; i < 32; ++i)
        if (mask & (std::uint32_t{1} << i))
            out.push_back(what + std::to_string(i) + " stuck at " + std::to_string(value));
}

} // namespace

std::uint32_t TMemoryFaults::MapByteAddress(std::uint32_t address) const
{
    std::uint32_t word = address >> 1;
    for (const auto& [a, b] : addressShorts) {
        const std::uint32_t both = (word >> a) & (word >> b) & 1u;
        word = (word & ~((1u << a) | (1u << b))) | (both << a) | (both << b);
    }
    word = (word & ~addressStuck0) | addressStuck1;
    return (word << 1) | (address & 1u);
}

std::uint8_t TMemoryFaults::CrossData(std::uint8_t value, bool odd) const
{
    const int shift = odd ? 8 : 0;
    const auto zeros = static_cast<std::uint8_t>(dataStuck0 >> shift);
    const auto ones = static_cast<std::uint8_t>(dataStuck1 >> shift);
    return static_cast<std::uint8_t>((value & ~zeros) | ones);
}

std::vector<std::string> TMemoryFaults::Describe() const
{
    std::vector<std::string> out;
    DescribeStuck(out, "data line ", dataStuck0, 0);
    DescribeStuck(out, "data line ", dataStuck1, 1);
    DescribeStuck(out, "address line A", addressStuck0, 0);
    DescribeStuck(out, "address line A", addressStuck1, 1);
    for (const auto& [a, b] : addressShorts)
        out.push_back("address lines A" + std::to_string(a) + " and A" + std::to_string(b) + " shorted");
    return out;
}

int AddressLinesOf(std::uint32_t sizeBytes)
{
    int lines = 0;
    while (lines < 31 && (std::uint64_t{2} << lines) < sizeBytes)
        ++lines;
    return lines;
}

void ReadThrough(const TSparseMemory& memory, const TMemoryFaults& faults, std::uint32_t address, std::uint8_t* dest,
    std::uint32_t length)
{
    if (!faults.Any()) {
        memory.Read(address, dest, length);
        return;
    }
    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint32_t at = address + i;
        std::uint8_t value = 0;
        memory.Read(faults.MapByteAddress(at), &value, 1);
        dest[i] = faults.CrossData(value, at & 1u);
    }
}

void WriteThrough(TSparseMemory& memory, const TMemoryFaults& faults, std::uint32_t address, const std::uint8_t* source,
    std::uint32_t length, bool program)
{
    if (!faults.Any()) {
        program ? memory.Program(address, source, length) : memory.Write(address, source, length);
        return;
    }
    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint32_t at = address + i;
        const std::uint8_t value = faults.CrossData(source[i], at & 1u);
        const std::uint32_t target = faults.MapByteAddress(at);
        program ? memory.Program(target, &value, 1) : memory.Write(target, &value, 1);
    }
}

} // namespace sim
