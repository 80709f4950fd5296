#pragma once

#include <cstdint>

class TBoard;

// What the acceptance test needs of a board, one call per exchange. Unlike the board's own
// operations, every call tells a refusal (the board answered "no") from a lost link (no
// usable answer), since a refusal fails one test while a lost link ends the run.
namespace selftest {

enum class Access {
    Ok,
    Refused,
    LinkLost
};

// The raw identification registers of the card in the slot.
struct TSdRegisters {
    std::uint8_t csd[16] = {};
    std::uint8_t cid[16] = {};
    std::uint8_t fileSystem = 0;
};

class IBoardAccess {
public:
    virtual ~IBoardAccess() = default;

    virtual Access MemoryRead(std::uint8_t type, std::uint32_t address, std::uint32_t length, std::uint8_t* dest) = 0;
    virtual Access MemoryWrite(
        std::uint8_t type, std::uint32_t address, std::uint32_t length, const std::uint8_t* source)
        = 0;
    virtual Access EraseBlockCount(std::uint8_t type, std::uint32_t& blocks) = 0;
    virtual Access EraseBlock(std::uint8_t type, std::uint16_t block) = 0;

    virtual Access GsensorInit() = 0;
    virtual Access GsensorRead(std::int16_t& x, std::int16_t& y, std::int16_t& z) = 0;
    // Refused: no card in the slot.
    virtual Access SdCard(TSdRegisters& registers) = 0;
    virtual Access HsmcLoopback(std::uint32_t& xcvrMask, std::uint64_t& ioMask) = 0;

    virtual Access ChannelEnable(std::uint8_t channel, bool on) = 0;
    virtual Access ChannelWrite(std::uint8_t channel, const std::uint8_t* data, std::int32_t length) = 0;
    // Up to 128 bytes into `dest` (room for 129); count 0 when nothing waits.
    virtual Access ChannelRead(std::uint8_t channel, std::uint8_t& count, std::uint8_t* dest) = 0;

    virtual Access SetLed(std::uint32_t mask) = 0;
    virtual Access SetSeg7(std::uint32_t digits) = 0;
    virtual Access GetSwitchKeyState(std::uint32_t& state) = 0;
};

// The access through a connected TBoard, each exchange under the board's lock. A failed
// operation is classified by a ping: a board that still answers refused the command.
class TBoardAccess : public IBoardAccess {
public:
    explicit TBoardAccess(TBoard& board)
        : m_Board(board)
    { }

    Access MemoryRead(std::uint8_t type, std::uint32_t address, std::uint32_t length, std::uint8_t* dest) override;
    Access MemoryWrite(
        std::uint8_t type, std::uint32_t address, std::uint32_t length, const std::uint8_t* source) override;
    Access EraseBlockCount(std::uint8_t type, std::uint32_t& blocks) override;
    Access EraseBlock(std::uint8_t type, std::uint16_t block) override;
    Access GsensorInit() override;
    Access GsensorRead(std::int16_t& x, std::int16_t& y, std::int16_t& z) override;
    Access SdCard(TSdRegisters& registers) override;
    Access HsmcLoopback(std::uint32_t& xcvrMask, std::uint64_t& ioMask) override;
    Access ChannelEnable(std::uint8_t channel, bool on) override;
    Access ChannelWrite(std::uint8_t channel, const std::uint8_t* data, std::int32_t length) override;
    Access ChannelRead(std::uint8_t channel, std::uint8_t& count, std::uint8_t* dest) override;
    Access SetLed(std::uint32_t mask) override;
    Access SetSeg7(std::uint32_t digits) override;
    Access GetSwitchKeyState(std::uint32_t& state) override;

private:
    // Pattern A results: true, or a refusal when the board still answers a ping.
    Access Classify(bool succeeded);
    // Pattern B results: the exchange and the board's own verdict.
    static Access Judge(bool exchanged, bool ok);

    TBoard& m_Board;
};

} // namespace selftest
