#include "sim/BoardState.h"

#include "board/Protocol.h"
#include "core/Names.h"

namespace sim {

namespace {

// Sizes as fitted on the board. Erase and programming times are those of such chips:
// a 64 KB sector of the parallel NOR flash takes about 2 s (the panel's chip erase of
// 128 sectors is announced as 260 s), one of the serial configuration flash about 0.5 s.
const MemorySpec MEMORY_SPECS[MEMORY_COUNT] = {
    {protocol::MEM_SSRAM0, "ssram0", 0x200000, false, true, 0, 0, 0, 0.0},
    {protocol::MEM_SSRAM1, "ssram1", 0x200000, false, true, 0, 0, 0, 0.0},
    {protocol::MEM_FLASH, "flash", 0x800000, true, false, 0x10000, 128, 2000000, 8.0},
    {protocol::MEM_EPCS, "epcs", 0x800000, true, false, 0x10000, 128, 500000, 5.5},
    {protocol::MEM_EEPROM, "eeprom", 4096, false, false, 0, 0, 0, 160.0},
    {protocol::MEM_SDRAM, "sdram", 0x8000000, false, true, 0, 0, 0, 0.0},
};

} // namespace

const MemorySpec& MemorySpecOf(std::uint8_t code) { return MEMORY_SPECS[code]; }

int MemoryCodeByName(const std::string& name)
{
    for (const auto& chip : MEMORY_SPECS)
        if (names::SameMemoryName(name, chip.name))
            return chip.code;
    return -1;
}

TBoardState::TBoardState()
{
    for (const auto& chip : MEMORY_SPECS)
        memories[chip.code] = std::make_unique<TSparseMemory>(chip.size, chip.nor ? 0xFF : 0x00);
}

void TBoardState::ResetFirmware()
{
    StopFirmware();
    leds = START_LEDS;
    seg7 = START_SEG7;
    lcd = {START_LCD[0], START_LCD[1]};
}

void TBoardState::StopFirmware()
{
    leds = 0;
    seg7 = 0;
    seg7Extra = 0;
    lcd = {};
    lcdPending.clear();
    vgaMode = 2;
    vgaPattern = 0;
    gsensorReady = false;
    ir = RxChannel{};
    rs232 = RxChannel{};
}

void TBoardState::PowerCycle()
{
    StopFirmware();
    for (const auto& chip : MEMORY_SPECS)
        if (chip.isVolatile)
            memories[chip.code]->Clear();
}

void TBoardState::Rs232Sent(const std::uint8_t* bytes, std::size_t count)
{
    rs232Sent.append(reinterpret_cast<const char*>(bytes), count);
    // Trimmed now and then rather than at every byte: the text moves once per KEPT bytes.
    if (rs232Sent.size() > 2 * RS232_SENT_KEPT)
        rs232Sent.erase(0, rs232Sent.size() - RS232_SENT_KEPT);
}

std::string_view TBoardState::Rs232SentTail() const
{
    const std::string_view sent = rs232Sent;
    return sent.size() > RS232_SENT_KEPT ? sent.substr(sent.size() - RS232_SENT_KEPT) : sent;
}

} // namespace sim
