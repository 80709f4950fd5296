#pragma once

#include "sim/MemoryFaults.h"
#include "sim/SparseMemory.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

namespace sim {

// The facts of one of the board's memories, indexed by the protocol's memory code.
struct MemorySpec {
    std::uint8_t code;
    const char* name; // the control commands' name: ssram0 ... epcs
    std::uint32_t size;
    bool nor;                // erased bytes read FF; programming only clears bits
    bool isVolatile;         // lost at power-off
    std::uint32_t blockSize; // erase block, 0 = the memory has no erase blocks
    std::uint32_t blockCount;
    // Real chip timing (used only with "timing real").
    std::uint32_t eraseBlockUs;
    double programUsPerByte;
};

constexpr int MEMORY_COUNT = 6;
const MemorySpec& MemorySpecOf(std::uint8_t code); // code < MEMORY_COUNT
// Code for a memory's name in any case, with or without the hyphen ("sdram", "ssram0",
// "SSRAM-0": the names vx5h takes too), or -1.
int MemoryCodeByName(const std::string& name);

enum class HsmcAdapter {
    Fitted,
    Absent,
    Faulty
};

// A character channel's receive side: switched on and off by the panel, filled by the
// outside world (IR codes, RS232 bytes) only while it is on.
struct RxChannel {
    bool enabled = false;
    std::deque<std::uint8_t> fifo;
    static constexpr std::size_t CAPACITY = 4096;
};

// Two lines of 16 characters.
constexpr std::size_t LCD_COLUMNS = 16;
// How many of the bytes last sent out of the RS232 port `state` shows: a terminal session's
// worth, and as JSON (a control byte may take six characters) far within an answer's limit.
constexpr std::size_t RS232_SENT_KEPT = 64 * 1024;

// What the firmware shows once the FPGA is configured, before the PC has sent anything:
// every LED lit, 8 on every digit and its greeting on the LCD. The panel's LED,
// seven-segment and LCD pages start with the same, so that window and board agree after
// a connect and the first click changes one LED, not 26.
constexpr std::uint32_t START_LEDS = 0x07FFFFFF;
constexpr std::uint32_t START_SEG7 = 0x88888888;
constexpr const char* START_LCD[2] = {"VX5h-260", "Control Panel"};

// Everything the board's firmware and its peripherals hold.
struct TBoardState {
    TBoardState();

    // Outputs the panel drives.
    std::uint32_t leds = 0;
    std::uint32_t seg7 = 0;
    std::uint8_t seg7Extra = 0;
    std::array<std::string, 2> lcd;
    std::string lcdPending; // text of an LCD write whose NUL has not arrived yet
    std::uint8_t vgaMode = 2;
    std::uint8_t vgaPattern = 0;
    // What the panel sent out of the RS232 port: its last bytes, at least RS232_SENT_KEPT
    // of them (Rs232SentTail), so that a board that sends for hours grows nothing.
    std::string rs232Sent;

    // Inputs the outside world drives.
    std::uint32_t keys = 0;
    std::uint32_t switches = 0;
    std::array<std::int16_t, 3> gsensor{0, 0, 16384}; // a flat board: 1 g on Z
    bool gsensorReady = false;
    bool sdPresent = true;
    RxChannel ir;
    RxChannel rs232;
    HsmcAdapter hsmcAdapter = HsmcAdapter::Fitted;
    std::uint64_t hsmcIoFail = 0; // 41 IO pairs, as the panel numbers them
    std::uint32_t hsmcXcvrFail = 0;
    bool rs232Loopback = false; // a plug joining TX to RX (and RTS to CTS) on the port

    // The board's hardware faults survive power cycles and reconfiguration.
    std::array<TMemoryFaults, MEMORY_COUNT> memoryFaults;

    std::array<std::unique_ptr<TSparseMemory>, MEMORY_COUNT> memories;

    // What the firmware starts with after the FPGA was configured.
    void ResetFirmware();
    // No firmware runs (the FPGA is unconfigured): every output dark, every receiver off.
    void StopFirmware();
    // Power off and on: the firmware stops and every volatile memory is gone.
    void PowerCycle();
    // Notes bytes sent out of the RS232 port, forgetting the oldest beyond what is kept.
    void Rs232Sent(const std::uint8_t* bytes, std::size_t count);
    // The last RS232_SENT_KEPT bytes sent out of the RS232 port (all, when fewer).
    std::string_view Rs232SentTail() const;
};

} // namespace sim
