#pragma once

#include <cstddef>
#include <cstdint>

// The facts of the board's packet protocol, shared by the PC side (TBoard) and the
// firmware model of the simulator. Frame, both directions:
//   AA | code | length (u32 LE) | payload | checksum | 55
// where the checksum is the low 8 bits of the sum of code, length bytes and payload.
namespace protocol {

constexpr std::uint8_t START_MARKER = 0xAA;
constexpr std::uint8_t END_MARKER = 0x55;
constexpr std::size_t HEADER_LEN = 6;     // marker, code, length
constexpr std::size_t FRAME_OVERHEAD = 8; // header, checksum, end marker

// Largest request payload the firmware accepts, and so the largest reply in use.
constexpr std::uint32_t PKT_PC2NIOS_MAX_PL_LEN = 32748;

enum Command : std::uint8_t {
    CMD_QUERY_BOARD_NAME = 0,
    CMD_PING = 1,
    CMD_SET_LED = 5,
    CMD_GET_SWITCH_KEY_STATE = 6,
    CMD_SET_SEG7 = 7,
    CMD_GET_SDCARD_INFO = 8,
    CMD_GET_ERASE_BLOCK_COUNT = 9,
    CMD_ERASE_BLOCK = 10,
    CMD_MEMORY_WRITE = 12,
    CMD_MEMORY_READ = 13,
    CMD_GSENSOR_INIT = 16,
    CMD_GSENSOR_READ = 17,
    CMD_SET_VGA_PATTERN = 19,
    CMD_CHANNEL_WRITE = 20,
    CMD_CHANNEL_READ = 21,
    CMD_CHANNEL_ENABLE = 22,
    CMD_HSMC_LOOPBACK_TEST = 53,
};

// Reply payload lengths that do not depend on the request (MemoryRead's is 1 + n).
constexpr std::uint32_t REPLY_LEN_BOARD_NAME = 33;
constexpr std::uint32_t REPLY_LEN_STATUS = 1;
constexpr std::uint32_t REPLY_LEN_SWITCH_KEY = 13;
constexpr std::uint32_t REPLY_LEN_SDCARD_INFO = 37;
constexpr std::uint32_t REPLY_LEN_ERASE_BLOCK_COUNT = 5;
constexpr std::uint32_t REPLY_LEN_GSENSOR = 7;
constexpr std::uint32_t REPLY_LEN_CHANNEL_READ = 130;
constexpr std::uint32_t REPLY_LEN_HSMC = 17;

constexpr std::uint32_t REQUEST_LEN_CHANNEL_WRITE = 130;
constexpr std::uint32_t CHANNEL_CHUNK = 128;

// Memory commands carry a 5-byte (write) or 9-byte (read) header before the data, so
// that a whole request still fits the payload limit.
constexpr std::uint32_t MEMORY_WRITE_CHUNK = PKT_PC2NIOS_MAX_PL_LEN - 5; // 32743
constexpr std::uint32_t MEMORY_READ_CHUNK = PKT_PC2NIOS_MAX_PL_LEN - 1;  // 32747

// Header budgets (ms): the SD card answers slowly while it spins up its interface.
constexpr std::uint32_t DEFAULT_TIMEOUT_MS = 3000;
constexpr std::uint32_t SDCARD_TIMEOUT_MS = 10000;
constexpr std::uint32_t BODY_TIMEOUT_MS = 3000;

// Character channels of commands 20-22.
enum Channel : std::uint8_t {
    CHANNEL_IR = 0,
    CHANNEL_LCD = 1,
    CHANNEL_RS232 = 2
};

// The memory code of the memory commands.
enum MemoryType : std::uint8_t {
    MEM_SSRAM0 = 0,
    MEM_SSRAM1 = 1,
    MEM_FLASH = 2,
    MEM_EPCS = 3,
    MEM_EEPROM = 4,
    MEM_SDRAM = 5,
};
constexpr int MEMORY_TYPE_COUNT = 6;

constexpr const char* BOARD_NAME = "VX5h-260";

inline std::uint8_t Checksum(const std::uint8_t* bytes, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return static_cast<std::uint8_t>(sum);
}

inline void PutU32(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
}

inline std::uint32_t GetU32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

inline std::int16_t GetI16(const std::uint8_t* at)
{
    return static_cast<std::int16_t>(std::uint16_t(at[0]) | std::uint16_t(at[1]) << 8);
}

} // namespace protocol
