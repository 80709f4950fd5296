#pragma once

#include "sim/SparseMemory.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sim {

// The memories are wired to the FPGA as 16-bit words: data lines D0-D15 (D0-D7 carry
// the even byte) and word address lines A0 upwards.
constexpr int DATA_LINES = 16;

// Broken wiring between the FPGA and one memory chip, as a bad solder joint or a bridged
// pair of pins would break it. Every access of the firmware goes through it; the outside
// world's own programmer (`mem read/write`) reaches the chip directly.
struct TMemoryFaults {
    std::uint16_t dataStuck0 = 0; // data lines that always read and write 0
    std::uint16_t dataStuck1 = 0;
    std::uint32_t addressStuck0 = 0; // word address lines held at 0 or 1
    std::uint32_t addressStuck1 = 0;
    // Pairs of shorted address lines: the line driven low wins, so each of the two
    // carries the AND of both.
    std::vector<std::pair<int, int>> addressShorts;

    bool Any() const { return dataStuck0 || dataStuck1 || addressStuck0 || addressStuck1 || !addressShorts.empty(); }
    // The byte address the chip sees for the byte address the firmware drives.
    std::uint32_t MapByteAddress(std::uint32_t address) const;
    // A byte as it crosses the faulty data lines; `odd`: the byte travels on D8-D15.
    std::uint8_t CrossData(std::uint8_t value, bool odd) const;
    // One text per fault ("data line 13 stuck at 0", "address lines A17 and A18 shorted").
    std::vector<std::string> Describe() const;
};

// Word address lines of a memory of `sizeBytes` bytes.
int AddressLinesOf(std::uint32_t sizeBytes);

// Reads and writes of the firmware through the chip's wiring (byte by byte only when the
// wiring is faulty). `program`: NOR programming instead of a plain write.
void ReadThrough(const TSparseMemory& memory, const TMemoryFaults& faults, std::uint32_t address, std::uint8_t* dest,
    std::uint32_t length);
void WriteThrough(TSparseMemory& memory, const TMemoryFaults& faults, std::uint32_t address, const std::uint8_t* source,
    std::uint32_t length, bool program);

} // namespace sim
