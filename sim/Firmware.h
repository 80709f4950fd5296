#pragma once

#include "sim/BoardState.h"

#include <cstdint>
#include <vector>

namespace sim {

// Status bytes of the firmware's replies (byte 0 of every reply payload).
enum Status : std::uint8_t {
    STATUS_OK = 0,
    STATUS_EMPTY = 1,        // RS232: nothing received; SD card: no card
    STATUS_BAD_ARGUMENT = 2, // address, length, block, channel, memory or mode refused
    STATUS_NOT_READY = 3,    // sensor not initialised, channel switched off
    STATUS_BAD_REQUEST = 4,  // request payload of the wrong length
    STATUS_UNKNOWN_COMMAND = 0xFF,
};

struct FirmwareReply {
    std::vector<std::uint8_t> payload; // byte 0 is the status
    std::uint64_t costUs = 0;          // time the real chips would need (erase, program)
};

// The board's firmware: one reply payload for each request, of exactly the length the
// command fixes, whether the command succeeds or is refused.
class TFirmware {
public:
    explicit TFirmware(TBoardState& state)
        : state_(state)
    { }

    FirmwareReply Execute(std::uint8_t command, const std::uint8_t* payload, std::uint32_t length);

private:
    using Handler = void (TFirmware::*)(const std::uint8_t* request, std::uint32_t length, FirmwareReply& reply);
    struct CommandSpec {
        std::uint8_t code;
        std::int64_t requestLength; // -1: variable (checked by the handler)
        std::uint32_t replyLength;  // for MemoryRead: the refusal's length
        Handler handler;
    };
    static const CommandSpec COMMANDS[];

    void QueryBoardName(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void Ping(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void SetLed(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void GetSwitchKeyState(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void SetSeg7(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void GetSdCardInfo(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void GetEraseBlockCount(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void EraseBlock(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void MemoryWrite(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void MemoryRead(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void GsensorInit(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void GsensorRead(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void SetVgaPattern(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void ChannelWrite(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void ChannelRead(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void ChannelEnable(const std::uint8_t*, std::uint32_t, FirmwareReply&);
    void HsmcLoopbackTest(const std::uint8_t*, std::uint32_t, FirmwareReply&);

    void WriteLcd(const std::uint8_t* bytes, std::uint32_t count);
    void SendRs232(const std::uint8_t* bytes, std::uint32_t count);
    RxChannel* ReceiveChannel(std::uint8_t channel);

    TBoardState& state_;
};

// The SD card in the slot: a 4 GB SDHC card formatted FAT32.
extern const std::uint8_t SDCARD_CSD[16];
extern const std::uint8_t SDCARD_CID[16];
constexpr std::uint8_t SDCARD_FILE_SYSTEM = 2; // FAT32

// The reply words W1, W5, W9 of the HSMC loopback test for a 41-bit IO failure mask as
// the panel numbers the pairs (the inverse of the panel's remapping).
struct HsmcWords {
    std::uint32_t w1, w5, w9;
};
HsmcWords HsmcWordsFromIoMask(std::uint64_t ioMask);

constexpr std::uint64_t HSMC_IO_ALL = (std::uint64_t(1) << 41) - 1;
constexpr std::uint32_t HSMC_XCVR_ALL = 0x0F; // four transceiver lanes

} // namespace sim
