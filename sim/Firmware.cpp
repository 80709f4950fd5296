#include "sim/Firmware.h"

#include "board/Protocol.h"

#include <algorithm>
#include <cstring>

namespace sim {

using namespace protocol;

namespace {

// Register CRC of the SD card (CRC7, polynomial x^7 + x^3 + 1) in bits 7-1 of the last
// byte, with bit 0 always 1, as the card sends it.
constexpr std::uint8_t Crc7Byte(const std::uint8_t (&reg)[15])
{
    std::uint8_t crc = 0;
    for (std::uint8_t byte : reg) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool in = ((byte >> bit) & 1) != ((crc >> 6) & 1);
            crc = static_cast<std::uint8_t>((crc << 1) & 0x7F);
            if (in)
                crc ^= 0x09;
        }
    }
    return static_cast<std::uint8_t>(crc << 1 | 1);
}

// CSD 2.0 of a 4 GB SDHC card: TAAC 1 ms, 25 Mbit/s, 512-byte blocks, C_SIZE 7562.
constexpr std::uint8_t CSD_BODY[15]
    = {0x40, 0x0E, 0x00, 0x32, 0x5B, 0x59, 0x00, 0x00, 0x1D, 0x8A, 0x7F, 0x80, 0x0A, 0x40, 0x00};
// CID: manufacturer 03, OEM "SD", product "SU04G", revision 8.0, serial 1A2B3C4D,
// made June 2010.
constexpr std::uint8_t CID_BODY[15]
    = {0x03, 0x53, 0x44, 0x53, 0x55, 0x30, 0x34, 0x47, 0x80, 0x1A, 0x2B, 0x3C, 0x4D, 0x00, 0xA6};

constexpr std::uint32_t MEMORY_WRITE_HEADER = 5;
constexpr std::uint32_t MEMORY_READ_REQUEST = 9;

} // namespace

const std::uint8_t SDCARD_CSD[16] = {CSD_BODY[0], CSD_BODY[1], CSD_BODY[2], CSD_BODY[3], CSD_BODY[4], CSD_BODY[5],
    CSD_BODY[6], CSD_BODY[7], CSD_BODY[8], CSD_BODY[9], CSD_BODY[10], CSD_BODY[11], CSD_BODY[12], CSD_BODY[13],
    CSD_BODY[14], Crc7Byte(CSD_BODY)};
const std::uint8_t SDCARD_CID[16] = {CID_BODY[0], CID_BODY[1], CID_BODY[2], CID_BODY[3], CID_BODY[4], CID_BODY[5],
    CID_BODY[6], CID_BODY[7], CID_BODY[8], CID_BODY[9], CID_BODY[10], CID_BODY[11], CID_BODY[12], CID_BODY[13],
    CID_BODY[14], Crc7Byte(CID_BODY)};

HsmcWords HsmcWordsFromIoMask(std::uint64_t io)
{
    HsmcWords words{};
    words.w1 = static_cast<std::uint32_t>((io >> 1) & 0x3FFFF);
    words.w5 = static_cast<std::uint32_t>((io >> 21) & 0x3FFFF);
    words.w9 = static_cast<std::uint32_t>((io & 1) | ((io >> 19) & 3) << 1 | ((io >> 39) & 3) << 3);
    return words;
}

const TFirmware::CommandSpec TFirmware::COMMANDS[] = {
    {CMD_QUERY_BOARD_NAME, 0, REPLY_LEN_BOARD_NAME, &TFirmware::QueryBoardName},
    {CMD_PING, 0, REPLY_LEN_STATUS, &TFirmware::Ping},
    {CMD_SET_LED, 4, REPLY_LEN_STATUS, &TFirmware::SetLed},
    {CMD_GET_SWITCH_KEY_STATE, 0, REPLY_LEN_SWITCH_KEY, &TFirmware::GetSwitchKeyState},
    {CMD_SET_SEG7, 5, REPLY_LEN_STATUS, &TFirmware::SetSeg7},
    {CMD_GET_SDCARD_INFO, 0, REPLY_LEN_SDCARD_INFO, &TFirmware::GetSdCardInfo},
    {CMD_GET_ERASE_BLOCK_COUNT, 1, REPLY_LEN_ERASE_BLOCK_COUNT, &TFirmware::GetEraseBlockCount},
    {CMD_ERASE_BLOCK, 5, REPLY_LEN_STATUS, &TFirmware::EraseBlock},
    {CMD_MEMORY_WRITE, -1, REPLY_LEN_STATUS, &TFirmware::MemoryWrite},
    {CMD_MEMORY_READ, MEMORY_READ_REQUEST, REPLY_LEN_STATUS, &TFirmware::MemoryRead},
    {CMD_GSENSOR_INIT, 0, REPLY_LEN_STATUS, &TFirmware::GsensorInit},
    {CMD_GSENSOR_READ, 0, REPLY_LEN_GSENSOR, &TFirmware::GsensorRead},
    {CMD_SET_VGA_PATTERN, 2, REPLY_LEN_STATUS, &TFirmware::SetVgaPattern},
    {CMD_CHANNEL_WRITE, REQUEST_LEN_CHANNEL_WRITE, REPLY_LEN_STATUS, &TFirmware::ChannelWrite},
    {CMD_CHANNEL_READ, 1, REPLY_LEN_CHANNEL_READ, &TFirmware::ChannelRead},
    {CMD_CHANNEL_ENABLE, 2, REPLY_LEN_STATUS, &TFirmware::ChannelEnable},
    {CMD_HSMC_LOOPBACK_TEST, 1, REPLY_LEN_HSMC, &TFirmware::HsmcLoopbackTest},
};

FirmwareReply TFirmware::Execute(std::uint8_t command, const std::uint8_t* payload, std::uint32_t length)
{
    FirmwareReply reply;
    for (const auto& entry : COMMANDS) {
        if (entry.code != command)
            continue;
        reply.payload.assign(entry.replyLength, 0);
        if (entry.requestLength >= 0 && length != entry.requestLength) {
            // MemoryRead's reply length follows its request, which here is malformed: the
            // status byte alone answers it.
            reply.payload[0] = STATUS_BAD_REQUEST;
            return reply;
        }
        (this->*entry.handler)(payload, length, reply);
        return reply;
    }
    reply.payload.assign(1, STATUS_UNKNOWN_COMMAND);
    return reply;
}

void TFirmware::QueryBoardName(const std::uint8_t*, std::uint32_t, FirmwareReply& reply)
{
    const std::size_t n = std::min<std::size_t>(std::strlen(BOARD_NAME), 32);
    std::memcpy(reply.payload.data() + 1, BOARD_NAME, n);
}

void TFirmware::Ping(const std::uint8_t*, std::uint32_t, FirmwareReply&) { }

void TFirmware::SetLed(const std::uint8_t* request, std::uint32_t, FirmwareReply&) { state_.leds = GetU32(request); }

void TFirmware::GetSwitchKeyState(const std::uint8_t*, std::uint32_t, FirmwareReply& reply)
{
    // Four pushbuttons and eighteen slide switches on their own input ports; the word in
    // between belongs to an input the panel does not use.
    PutU32(reply.payload.data() + 1, state_.keys & 0xF);
    PutU32(reply.payload.data() + 9, state_.switches & 0x3FFFF);
}

void TFirmware::SetSeg7(const std::uint8_t* request, std::uint32_t, FirmwareReply&)
{
    state_.seg7 = GetU32(request);
    state_.seg7Extra = request[4];
}

void TFirmware::GetSdCardInfo(const std::uint8_t*, std::uint32_t, FirmwareReply& reply)
{
    if (!state_.sdPresent) {
        reply.payload[0] = STATUS_EMPTY;
        return;
    }
    std::memcpy(reply.payload.data() + 1, SDCARD_CSD, 16);
    std::memcpy(reply.payload.data() + 18, SDCARD_CID, 16);
    reply.payload[35] = SDCARD_FILE_SYSTEM;
    // The card is woken and read over its SPI interface first.
    reply.costUs = 150000;
}

void TFirmware::GetEraseBlockCount(const std::uint8_t* request, std::uint32_t, FirmwareReply& reply)
{
    if (request[0] >= MEMORY_COUNT || MemorySpecOf(request[0]).blockCount == 0) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    PutU32(reply.payload.data() + 1, MemorySpecOf(request[0]).blockCount);
}

void TFirmware::EraseBlock(const std::uint8_t* request, std::uint32_t, FirmwareReply& reply)
{
    const std::uint32_t block = GetU32(request + 1);
    if (request[0] >= MEMORY_COUNT) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    const MemorySpec& chip = MemorySpecOf(request[0]);
    if (chip.blockCount == 0 || block >= chip.blockCount) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    state_.memories[chip.code]->Blank(block * chip.blockSize, chip.blockSize);
    reply.costUs = chip.eraseBlockUs;
}

void TFirmware::MemoryWrite(const std::uint8_t* request, std::uint32_t length, FirmwareReply& reply)
{
    if (length < MEMORY_WRITE_HEADER) {
        reply.payload[0] = STATUS_BAD_REQUEST;
        return;
    }
    const std::uint8_t type = request[0];
    const std::uint32_t address = GetU32(request + 1);
    const std::uint32_t count = length - MEMORY_WRITE_HEADER;
    if (type >= MEMORY_COUNT || !state_.memories[type]->Contains(address, count)) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    const MemorySpec& chip = MemorySpecOf(type);
    WriteThrough(*state_.memories[type], state_.memoryFaults[type], address, request + MEMORY_WRITE_HEADER, count,
        chip.nor);
    reply.costUs = static_cast<std::uint64_t>(chip.programUsPerByte * count);
}

void TFirmware::MemoryRead(const std::uint8_t* request, std::uint32_t, FirmwareReply& reply)
{
    const std::uint8_t type = request[0];
    const std::uint32_t address = GetU32(request + 1);
    const std::uint32_t count = GetU32(request + 5);
    // A count that cannot travel in one reply gets the status byte alone.
    if (count > MEMORY_READ_CHUNK) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    reply.payload.assign(1 + count, 0);
    if (type >= MEMORY_COUNT || !state_.memories[type]->Contains(address, count)) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    ReadThrough(*state_.memories[type], state_.memoryFaults[type], address, reply.payload.data() + 1, count);
}

void TFirmware::GsensorInit(const std::uint8_t*, std::uint32_t, FirmwareReply&) { state_.gsensorReady = true; }

void TFirmware::GsensorRead(const std::uint8_t*, std::uint32_t, FirmwareReply& reply)
{
    if (!state_.gsensorReady) {
        reply.payload[0] = STATUS_NOT_READY;
        return;
    }
    for (int axis = 0; axis < 3; ++axis) {
        const auto raw = static_cast<std::uint16_t>(state_.gsensor[axis]);
        reply.payload[1 + 2 * axis] = static_cast<std::uint8_t>(raw);
        reply.payload[2 + 2 * axis] = static_cast<std::uint8_t>(raw >> 8);
    }
}

void TFirmware::SetVgaPattern(const std::uint8_t* request, std::uint32_t, FirmwareReply& reply)
{
    // Mode 1 passes the composite video input through (its pattern byte is ignored);
    // mode 2 draws one of the nine test patterns.
    const std::uint8_t mode = request[0];
    const std::uint8_t pattern = request[1];
    if ((mode != 1 && mode != 2) || (mode == 2 && pattern > 8)) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    state_.vgaMode = mode;
    state_.vgaPattern = pattern;
}

void TFirmware::WriteLcd(const std::uint8_t* bytes, std::uint32_t count)
{
    // A text ends with its NUL; line feeds move to the next line of the display.
    for (std::uint32_t i = 0; i < count; ++i) {
        if (bytes[i] != 0) {
            if (state_.lcdPending.size() < 256)
                state_.lcdPending.push_back(static_cast<char>(bytes[i]));
            continue;
        }
        std::array<std::string, 2> lines;
        std::size_t line = 0;
        for (char c : state_.lcdPending) {
            if (c == '\n') {
                ++line;
                continue;
            }
            if (line < lines.size() && lines[line].size() < LCD_COLUMNS)
                lines[line].push_back(c);
        }
        state_.lcd = lines;
        state_.lcdPending.clear();
    }
}

RxChannel* TFirmware::ReceiveChannel(std::uint8_t channel)
{
    if (channel == CHANNEL_IR)
        return &state_.ir;
    if (channel == CHANNEL_RS232)
        return &state_.rs232;
    return nullptr;
}

void TFirmware::ChannelWrite(const std::uint8_t* request, std::uint32_t, FirmwareReply& reply)
{
    const std::uint8_t channel = request[0];
    const std::uint8_t count = request[1];
    if (count == 0 || count > CHANNEL_CHUNK) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    if (channel == CHANNEL_LCD)
        WriteLcd(request + 2, count);
    else if (channel == CHANNEL_RS232)
        SendRs232(request + 2, count);
    else
        reply.payload[0] = STATUS_BAD_ARGUMENT; // the IR receiver cannot send
}

void TFirmware::SendRs232(const std::uint8_t* bytes, std::uint32_t count)
{
    state_.Rs232Sent(bytes, count);
    // With a loopback plug every byte sent arrives at the receiver, which keeps it only
    // while it is switched on and has room.
    if (!state_.rs232Loopback || !state_.rs232.enabled)
        return;
    for (std::uint32_t i = 0; i < count && state_.rs232.fifo.size() < RxChannel::CAPACITY; ++i)
        state_.rs232.fifo.push_back(bytes[i]);
}

void TFirmware::ChannelRead(const std::uint8_t* request, std::uint32_t, FirmwareReply& reply)
{
    RxChannel* rx = ReceiveChannel(request[0]);
    if (!rx) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    if (!rx->enabled) {
        reply.payload[0] = STATUS_NOT_READY;
        return;
    }
    if (rx->fifo.empty() && request[0] == CHANNEL_RS232) {
        reply.payload[0] = STATUS_EMPTY;
        return;
    }
    const std::size_t n = std::min<std::size_t>(rx->fifo.size(), CHANNEL_CHUNK);
    reply.payload[1] = static_cast<std::uint8_t>(n);
    std::copy_n(rx->fifo.begin(), n, reply.payload.begin() + 2);
    rx->fifo.erase(rx->fifo.begin(), rx->fifo.begin() + static_cast<std::ptrdiff_t>(n));
}

void TFirmware::ChannelEnable(const std::uint8_t* request, std::uint32_t, FirmwareReply& reply)
{
    const std::uint8_t channel = request[0];
    const std::uint8_t enable = request[1];
    if (enable > 1) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    if (channel == CHANNEL_LCD)
        return; // the LCD has no receiver to switch; accepted and ignored
    RxChannel* rx = ReceiveChannel(channel);
    if (!rx) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    // Switching a receiver on starts with an empty FIFO, as the firmware resets the UART.
    if (enable && !rx->enabled)
        rx->fifo.clear();
    rx->enabled = enable != 0;
}

void TFirmware::HsmcLoopbackTest(const std::uint8_t* request, std::uint32_t, FirmwareReply& reply)
{
    if (request[0] != 0) {
        reply.payload[0] = STATUS_BAD_ARGUMENT;
        return;
    }
    std::uint64_t io = 0;
    std::uint32_t xcvr = 0;
    switch (state_.hsmcAdapter) {
    case HsmcAdapter::Fitted:
        break;
    case HsmcAdapter::Absent:
        io = HSMC_IO_ALL;
        xcvr = HSMC_XCVR_ALL;
        break;
    case HsmcAdapter::Faulty:
        io = state_.hsmcIoFail & HSMC_IO_ALL;
        xcvr = state_.hsmcXcvrFail;
        break;
    }
    const HsmcWords words = HsmcWordsFromIoMask(io);
    PutU32(reply.payload.data() + 1, words.w1);
    PutU32(reply.payload.data() + 5, words.w5);
    PutU32(reply.payload.data() + 9, words.w9);
    PutU32(reply.payload.data() + 13, xcvr);
    reply.costUs = 20000;
}

} // namespace sim
