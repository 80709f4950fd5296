#include "core/selftest/BoardAccess.h"

#include "board/Board.h"

#include <cstring>
#include <mutex>

namespace selftest {

Access TBoardAccess::Classify(bool succeeded)
{
    if (succeeded)
        return Access::Ok;
    return m_Board.Ping() ? Access::Refused : Access::LinkLost;
}

Access TBoardAccess::Judge(bool exchanged, bool ok)
{
    if (!exchanged)
        return Access::LinkLost;
    return ok ? Access::Ok : Access::Refused;
}

Access TBoardAccess::MemoryRead(std::uint8_t type, std::uint32_t address, std::uint32_t length, std::uint8_t* dest)
{
    std::lock_guard lock(m_Board);
    bool ok = false;
    const bool exchanged = m_Board.MemoryRead(ok, type, address, length, dest);
    return Judge(exchanged, ok);
}

Access TBoardAccess::MemoryWrite(
    std::uint8_t type, std::uint32_t address, std::uint32_t length, const std::uint8_t* source)
{
    std::lock_guard lock(m_Board);
    bool ok = false;
    const bool exchanged = m_Board.MemoryWrite(ok, type, address, length, source);
    return Judge(exchanged, ok);
}

Access TBoardAccess::EraseBlockCount(std::uint8_t type, std::uint32_t& blocks)
{
    std::lock_guard lock(m_Board);
    blocks = m_Board.GetEraseBlockCount(type);
    // A count of 0 is the board's answer or a failed exchange; only the link can tell.
    return blocks == 0 && m_Board.LastFailure() != TLinkFailure::None ? Access::LinkLost : Access::Ok;
}

Access TBoardAccess::EraseBlock(std::uint8_t type, std::uint16_t block)
{
    std::lock_guard lock(m_Board);
    bool ok = false;
    const bool exchanged = m_Board.EraseBlock(ok, type, block);
    return Judge(exchanged, ok);
}

Access TBoardAccess::GsensorInit()
{
    std::lock_guard lock(m_Board);
    return Classify(m_Board.GsensorInit());
}

Access TBoardAccess::GsensorRead(std::int16_t& x, std::int16_t& y, std::int16_t& z)
{
    std::lock_guard lock(m_Board);
    return Classify(m_Board.GsensorRead(x, y, z));
}

Access TBoardAccess::SdCard(TSdRegisters& registers)
{
    // The board's own operation keeps only the texts made from the registers; the test
    // checks the registers themselves.
    std::uint8_t reply[protocol::REPLY_LEN_SDCARD_INFO] = {};
    std::lock_guard lock(m_Board);
    if (!m_Board.Transact(protocol::CMD_GET_SDCARD_INFO, reply, protocol::SDCARD_TIMEOUT_MS, 0, nullptr,
            protocol::REPLY_LEN_SDCARD_INFO))
        return Access::LinkLost;
    if (reply[0] != 0)
        return Access::Refused;
    std::memcpy(registers.csd, reply + 1, 16);
    std::memcpy(registers.cid, reply + 18, 16);
    registers.fileSystem = reply[35];
    return Access::Ok;
}

Access TBoardAccess::HsmcLoopback(std::uint32_t& xcvrMask, std::uint64_t& ioMask)
{
    std::lock_guard lock(m_Board);
    bool ok = false;
    const bool exchanged = m_Board.HsmcLoopbackTest(ok, xcvrMask, ioMask);
    return Judge(exchanged, ok);
}

Access TBoardAccess::ChannelEnable(std::uint8_t channel, bool on)
{
    std::lock_guard lock(m_Board);
    bool ok = false;
    const bool exchanged = m_Board.ChannelEnable(ok, channel, on ? 1 : 0);
    return Judge(exchanged, ok);
}

Access TBoardAccess::ChannelWrite(std::uint8_t channel, const std::uint8_t* data, std::int32_t length)
{
    std::lock_guard lock(m_Board);
    bool ok = false;
    const bool exchanged = m_Board.ChannelWrite(ok, channel, length, data);
    return Judge(exchanged, ok);
}

Access TBoardAccess::ChannelRead(std::uint8_t channel, std::uint8_t& count, std::uint8_t* dest)
{
    std::lock_guard lock(m_Board);
    bool ok = false;
    count = 0;
    const bool exchanged = m_Board.ChannelRead(ok, channel, count, dest);
    return Judge(exchanged, ok);
}

Access TBoardAccess::SetLed(std::uint32_t mask)
{
    std::lock_guard lock(m_Board);
    return Classify(m_Board.SetLed(mask));
}

Access TBoardAccess::SetSeg7(std::uint32_t digits)
{
    std::lock_guard lock(m_Board);
    return Classify(m_Board.SetSeg7(digits, 0));
}

Access TBoardAccess::GetSwitchKeyState(std::uint32_t& state)
{
    std::lock_guard lock(m_Board);
    return Classify(m_Board.GetSwitchKeyState(state));
}

} // namespace selftest
