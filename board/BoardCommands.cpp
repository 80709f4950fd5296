// TBoard: one operation per firmware command. Each builds its request payload, exchanges
// it through Transact with the reply length it expects, and decodes the reply. Byte 0 of
// every reply is the command's status, 0 = success.
#include "board/Board.h"

#include "board/SdCardText.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

using namespace protocol;

namespace {

constexpr std::uint8_t STATUS_OK = 0;
// The RS232 channel answers a read with status 1 when nothing is waiting.
constexpr std::uint8_t STATUS_NOTHING_WAITING = 1;
constexpr std::size_t BOARD_NAME_MAX = 32;

// Offsets in the GetSdCardInfo reply.
constexpr std::size_t SD_CSD_AT = 1;
constexpr std::size_t SD_CID_AT = 18;
constexpr std::size_t SD_FILE_SYSTEM_AT = 35;

// Offsets in the ChannelRead reply.
constexpr std::size_t CHANNEL_COUNT_AT = 1;
constexpr std::size_t CHANNEL_DATA_AT = 2;

// Where the pieces of the HSMC reply words land in the 41-bit IO error mask.
struct HsmcBitField {
    int word;     // 0 = W1, 1 = W5, 2 = W9
    int firstBit; // in the word
    int count;
    int maskBit; // first bit in the IO error mask
};
constexpr std::array<HsmcBitField, 5> HSMC_IO_LAYOUT = {{
    {2, 0, 1, 0},   // W9 bit 0
    {0, 0, 18, 1},  // W1 bits 0-17
    {2, 1, 2, 19},  // W9 bits 1-2
    {1, 0, 18, 21}, // W5 bits 0-17
    {2, 3, 2, 39},  // W9 bits 3-4
}};

} // namespace

bool TBoard::QueryBoardName(std::string& name)
{
    std::array<std::uint8_t, REPLY_LEN_BOARD_NAME> reply{};
    if (!Transact(CMD_QUERY_BOARD_NAME, reply.data(), DEFAULT_TIMEOUT_MS, 0, nullptr, REPLY_LEN_BOARD_NAME)
        || reply[0] != STATUS_OK)
        return false;
    const char* text = reinterpret_cast<const char*>(&reply[1]);
    const void* nul = std::memchr(text, 0, BOARD_NAME_MAX);
    const std::size_t length = nul ? static_cast<const char*>(nul) - text : BOARD_NAME_MAX;
    if (length > 0)
        name.assign(text, length);
    return true;
}

bool TBoard::Ping()
{
    std::uint8_t status = 0xFF;
    return Transact(CMD_PING, &status, DEFAULT_TIMEOUT_MS, 0, nullptr, REPLY_LEN_STATUS) && status == STATUS_OK;
}

bool TBoard::SetLed(std::uint32_t mask)
{
    std::array<std::uint8_t, 4> request{};
    PutU32(request.data(), mask);
    std::uint8_t status = 0xFF;
    return Transact(CMD_SET_LED, &status, DEFAULT_TIMEOUT_MS, request.size(), request.data(), REPLY_LEN_STATUS)
        && status == STATUS_OK;
}

bool TBoard::GetSwitchKeyState(std::uint32_t& state)
{
    std::array<std::uint8_t, REPLY_LEN_SWITCH_KEY> reply{};
    if (!Transact(CMD_GET_SWITCH_KEY_STATE, reply.data(), DEFAULT_TIMEOUT_MS, 0, nullptr, REPLY_LEN_SWITCH_KEY)
        || reply[0] != STATUS_OK)
        return false;
    const std::uint32_t keys = GetU32(&reply[1]);
    const std::uint32_t switches = GetU32(&reply[9]);
    state = ((switches & 0x3FFFF) << 4) | (keys & 0xF);
    return true;
}

bool TBoard::SetSeg7(std::uint32_t digits, std::uint8_t extra)
{
    std::array<std::uint8_t, 5> request{};
    PutU32(request.data(), digits);
    request[4] = extra;
    std::uint8_t status = 0xFF;
    return Transact(CMD_SET_SEG7, &status, DEFAULT_TIMEOUT_MS, request.size(), request.data(), REPLY_LEN_STATUS)
        && status == STATUS_OK;
}

bool TBoard::GetSdCardInfo(bool& present, std::string& csdText, std::string& fileSystem, std::string& cidText)
{
    std::array<std::uint8_t, REPLY_LEN_SDCARD_INFO> reply{};
    if (!Transact(CMD_GET_SDCARD_INFO, reply.data(), SDCARD_TIMEOUT_MS, 0, nullptr, REPLY_LEN_SDCARD_INFO))
        return false;
    present = reply[0] == STATUS_OK;
    if (present) {
        csdText = sdcard::CsdText(&reply[SD_CSD_AT]);
        cidText = sdcard::CidText(&reply[SD_CID_AT]);
        fileSystem = sdcard::FileSystemText(reply[SD_FILE_SYSTEM_AT]);
    }
    return true;
}

std::uint32_t TBoard::GetEraseBlockCount(std::uint8_t memoryType)
{
    std::array<std::uint8_t, REPLY_LEN_ERASE_BLOCK_COUNT> reply{};
    if (!Transact(
            CMD_GET_ERASE_BLOCK_COUNT, reply.data(), DEFAULT_TIMEOUT_MS, 1, &memoryType, REPLY_LEN_ERASE_BLOCK_COUNT)
        || reply[0] != STATUS_OK)
        return 0;
    return GetU32(&reply[1]);
}

bool TBoard::EraseBlock(bool& ok, std::uint8_t memoryType, std::uint16_t blockIndex)
{
    ok = false;
    std::array<std::uint8_t, 5> request{};
    request[0] = memoryType;
    PutU32(&request[1], blockIndex);
    std::uint8_t status = 0xFF;
    if (!Transact(CMD_ERASE_BLOCK, &status, DEFAULT_TIMEOUT_MS, request.size(), request.data(), REPLY_LEN_STATUS))
        return false;
    ok = status == STATUS_OK;
    return true;
}

bool TBoard::MemoryWrite(
    std::uint8_t memoryType, std::uint32_t address, std::uint32_t length, const std::uint8_t* source)
{
    bool ok = false;
    return MemoryWrite(ok, memoryType, address, length, source) && ok;
}

bool TBoard::MemoryWrite(
    bool& ok, std::uint8_t memoryType, std::uint32_t address, std::uint32_t length, const std::uint8_t* source)
{
    ok = length == 0;
    if (length == 0)
        return true;
    if (!source)
        return false;
    std::lock_guard guard(m_Lock); // one transfer's chunks are never interleaved
    std::vector<std::uint8_t> request(5 + std::min(length, MEMORY_WRITE_CHUNK));
    for (std::uint32_t done = 0; done < length;) {
        const std::uint32_t chunk = std::min(MEMORY_WRITE_CHUNK, length - done);
        request[0] = memoryType;
        PutU32(&request[1], address + done);
        std::memcpy(&request[5], source + done, chunk);
        std::uint8_t status = 0xFF;
        if (!Transact(CMD_MEMORY_WRITE, &status, DEFAULT_TIMEOUT_MS, 5 + chunk, request.data(), REPLY_LEN_STATUS))
            return false;
        if (status != STATUS_OK)
            return true;
        done += chunk;
    }
    ok = true;
    return true;
}

bool TBoard::MemoryRead(std::uint8_t memoryType, std::uint32_t address, std::uint32_t length, std::uint8_t* dest)
{
    bool ok = false;
    return MemoryRead(ok, memoryType, address, length, dest) && ok;
}

bool TBoard::MemoryRead(
    bool& ok, std::uint8_t memoryType, std::uint32_t address, std::uint32_t length, std::uint8_t* dest)
{
    ok = length == 0;
    if (length == 0)
        return true;
    if (!dest)
        return false;
    std::lock_guard guard(m_Lock);
    std::vector<std::uint8_t> reply(1 + std::min(length, MEMORY_READ_CHUNK));
    for (std::uint32_t done = 0; done < length;) {
        const std::uint32_t chunk = std::min(MEMORY_READ_CHUNK, length - done);
        std::array<std::uint8_t, 9> request{};
        request[0] = memoryType;
        PutU32(&request[1], address + done);
        PutU32(&request[5], chunk);
        if (!Transact(CMD_MEMORY_READ, reply.data(), DEFAULT_TIMEOUT_MS, request.size(), request.data(), 1 + chunk))
            return false;
        if (reply[0] != STATUS_OK)
            return true;
        std::memcpy(dest + done, &reply[1], chunk);
        done += chunk;
    }
    ok = true;
    return true;
}

bool TBoard::GsensorInit()
{
    std::uint8_t status = 0xFF;
    return Transact(CMD_GSENSOR_INIT, &status, DEFAULT_TIMEOUT_MS, 0, nullptr, REPLY_LEN_STATUS) && status == STATUS_OK;
}

bool TBoard::GsensorRead(std::int16_t& x, std::int16_t& y, std::int16_t& z)
{
    std::array<std::uint8_t, REPLY_LEN_GSENSOR> reply{};
    if (!Transact(CMD_GSENSOR_READ, reply.data(), DEFAULT_TIMEOUT_MS, 0, nullptr, REPLY_LEN_GSENSOR)
        || reply[0] != STATUS_OK)
        return false;
    x = GetI16(&reply[1]);
    y = GetI16(&reply[3]);
    z = GetI16(&reply[5]);
    return true;
}

bool TBoard::SetVgaPattern(std::uint8_t mode, std::uint8_t pattern)
{
    const std::array<std::uint8_t, 2> request = {mode, pattern};
    std::uint8_t status = 0xFF;
    return Transact(CMD_SET_VGA_PATTERN, &status, DEFAULT_TIMEOUT_MS, request.size(), request.data(), REPLY_LEN_STATUS)
        && status == STATUS_OK;
}

bool TBoard::ChannelWrite(bool& ok, std::uint8_t channel, std::int32_t length, const std::uint8_t* source)
{
    ok = true;
    if (length > 0 && !source) {
        ok = false;
        return false;
    }
    std::lock_guard guard(m_Lock);
    bool exchanged = true;
    for (std::int32_t sent = 0; exchanged && ok && sent < length;) {
        const std::int32_t chunk = std::min<std::int32_t>(CHANNEL_CHUNK, length - sent);
        std::array<std::uint8_t, REQUEST_LEN_CHANNEL_WRITE> request{}; // unused data bytes go as 0
        request[0] = channel;
        request[1] = static_cast<std::uint8_t>(chunk);
        std::memcpy(&request[2], source + sent, static_cast<std::size_t>(chunk));
        std::uint8_t status = 0xFF;
        exchanged = Transact(
            CMD_CHANNEL_WRITE, &status, DEFAULT_TIMEOUT_MS, request.size(), request.data(), REPLY_LEN_STATUS);
        if (exchanged && status != STATUS_OK)
            ok = false;
        sent += chunk;
    }
    return exchanged;
}

bool TBoard::ChannelRead(bool& ok, std::uint8_t channel, std::uint8_t& count, std::uint8_t* dest)
{
    ok = false;
    std::array<std::uint8_t, REPLY_LEN_CHANNEL_READ> reply{};
    if (!Transact(CMD_CHANNEL_READ, reply.data(), DEFAULT_TIMEOUT_MS, 1, &channel, REPLY_LEN_CHANNEL_READ))
        return false;
    const std::uint8_t status = reply[0];
    const std::uint8_t received = reply[CHANNEL_COUNT_AT];
    if (status == STATUS_OK && received <= CHANNEL_CHUNK) {
        ok = true;
        count = received;
        if (dest) {
            std::memcpy(dest, &reply[CHANNEL_DATA_AT], received);
            dest[received] = 0;
        }
    } else if (channel == CHANNEL_RS232 && status == STATUS_NOTHING_WAITING) {
        ok = true;
        count = 0;
        if (dest)
            dest[0] = 0;
    }
    return true;
}

bool TBoard::ChannelEnable(bool& ok, std::uint8_t channel, std::uint8_t enable)
{
    ok = false;
    const std::array<std::uint8_t, 2> request = {channel, enable};
    std::uint8_t status = 0xFF;
    if (!Transact(CMD_CHANNEL_ENABLE, &status, DEFAULT_TIMEOUT_MS, request.size(), request.data(), REPLY_LEN_STATUS))
        return false;
    ok = status == STATUS_OK;
    return true;
}

bool TBoard::HsmcLoopbackTest(bool& ok, std::uint32_t& xcvrErrorMask, std::uint64_t& ioErrorMask)
{
    const std::uint8_t request = 0;
    std::array<std::uint8_t, REPLY_LEN_HSMC> reply{};
    if (!Transact(CMD_HSMC_LOOPBACK_TEST, reply.data(), DEFAULT_TIMEOUT_MS, 1, &request, REPLY_LEN_HSMC))
        return false;
    xcvrErrorMask = 0;
    ioErrorMask = 0;
    if (reply[0] != STATUS_OK) {
        ok = false;
        return true;
    }
    const std::array<std::uint32_t, 3> words = {GetU32(&reply[1]), GetU32(&reply[5]), GetU32(&reply[9])};
    for (const HsmcBitField& field : HSMC_IO_LAYOUT) {
        const std::uint64_t bits = (words[field.word] >> field.firstBit) & ((1u << field.count) - 1);
        ioErrorMask |= bits << field.maskBit;
    }
    xcvrErrorMask = GetU32(&reply[13]) & 0xFF;
    ok = true;
    return true;
}
