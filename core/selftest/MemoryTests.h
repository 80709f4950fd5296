#pragma once

#include "core/selftest/TestContext.h"

#include <cstdint>
#include <string>

// The classic three tests of a memory, as 16-bit words: data bus, address bus and the
// device itself; and the tests of the memories that keep their contents.
namespace selftest {

struct TMemory {
    std::uint8_t type;
    std::string name; // "SDRAM"
    std::uint32_t sizeBytes;

    std::uint32_t Words() const { return sizeBytes / 2; }
    int AddressLines() const; // word address lines A0 ...
};

TMemory MemoryOf(std::uint8_t type);

// Walking ones at one address: names each data line stuck at 0 or 1, or otherwise faulty.
TVerdict DataBusTest(TContext& ctx, const TMemory& memory);
// Writes at word 0 and every power-of-two offset: names stuck and shorted address lines.
TVerdict AddressBusTest(TContext& ctx, const TMemory& memory);
// Incrementing pattern and its inverse over sampled blocks, or every word with --full.
TVerdict DeviceTest(TContext& ctx, const TMemory& memory);
// FLASH, EPCS: erase, program a pattern, verify, erase (sampled blocks, or all with --full).
TVerdict FlashTest(TContext& ctx, const TMemory& memory);
// EEPROM: saved, tested with a pattern and its inverse, restored.
TVerdict EepromTest(TContext& ctx, const TMemory& memory);

} // namespace selftest
