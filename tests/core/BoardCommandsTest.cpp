#include "tests/core/CoreTestSupport.h"

#include <numeric>

using namespace coretest;
using Bytes = std::vector<std::uint8_t>;

namespace {

class BoardCommandsTest : public ConnectedBoard {
protected:
    static Bytes Words(std::uint8_t status, std::initializer_list<std::uint32_t> words)
    {
        Bytes payload = {status};
        for (std::uint32_t word : words) {
            payload.resize(payload.size() + 4);
            protocol::PutU32(&payload[payload.size() - 4], word);
        }
        return payload;
    }
    static Bytes Counting(std::size_t count)
    {
        Bytes bytes(count);
        for (std::size_t i = 0; i < count; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
        return bytes;
    }
};

} // namespace

TEST_F(BoardCommandsTest, BoardNameStopsAtNulAndMayFillAllThirtyTwoBytes)
{
    Bytes reply(33, 0);
    const std::string name = "VX5h-260";
    std::copy(name.begin(), name.end(), reply.begin() + 1);
    Reply(protocol::CMD_QUERY_BOARD_NAME, reply);
    std::string got;
    EXPECT_TRUE(board.QueryBoardName(got));
    EXPECT_EQ(got, "VX5h-260");

    Reply(protocol::CMD_QUERY_BOARD_NAME, Bytes(33, 0)); // empty name: success, output kept
    EXPECT_TRUE(board.QueryBoardName(got));
    EXPECT_EQ(got, "VX5h-260");

    Bytes full(33, 'N');
    full[0] = 0;
    Reply(protocol::CMD_QUERY_BOARD_NAME, full);
    EXPECT_TRUE(board.QueryBoardName(got));
    EXPECT_EQ(got, std::string(32, 'N'));

    Reply(protocol::CMD_QUERY_BOARD_NAME, Bytes(33, 1)); // refused
    got.clear();
    EXPECT_FALSE(board.QueryBoardName(got));
    EXPECT_EQ(got, "");
}

TEST_F(BoardCommandsTest, StatusOnlyCommandsSendTheirPayloadAndFailOnRefusal)
{
    Reply(protocol::CMD_SET_SEG7, {0});
    EXPECT_TRUE(board.SetSeg7(0x87654321, 0x9A));
    EXPECT_EQ(RequestPayload(0), (Bytes{0x21, 0x43, 0x65, 0x87, 0x9A}));

    Reply(protocol::CMD_SET_LED, {2});
    EXPECT_FALSE(board.SetLed(0x7FFFFFF));
    Reply(protocol::CMD_PING, {1});
    EXPECT_FALSE(board.Ping());
    Reply(protocol::CMD_GSENSOR_INIT, {4});
    EXPECT_FALSE(board.GsensorInit());
    Reply(protocol::CMD_SET_VGA_PATTERN, {1});
    EXPECT_FALSE(board.SetVgaPattern(2, 3));
    EXPECT_EQ(RequestPayload(4), (Bytes{2, 3}));
}

TEST_F(BoardCommandsTest, SwitchKeyStateKeepsOnlyKeysAndSwitches)
{
    Reply(protocol::CMD_GET_SWITCH_KEY_STATE, Words(0, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}));
    std::uint32_t state = 0;
    EXPECT_TRUE(board.GetSwitchKeyState(state));
    EXPECT_EQ(state, 0x3FFFFFu);

    Reply(protocol::CMD_GET_SWITCH_KEY_STATE, Words(0, {0x5, 0xFFFF, 0x20001}));
    EXPECT_TRUE(board.GetSwitchKeyState(state));
    EXPECT_EQ(state, (0x20001u << 4) | 0x5u);

    Reply(protocol::CMD_GET_SWITCH_KEY_STATE, Words(1, {1, 1, 1}));
    EXPECT_FALSE(board.GetSwitchKeyState(state));
    EXPECT_EQ(state, (0x20001u << 4) | 0x5u);
}

TEST_F(BoardCommandsTest, GsensorReadingsAreSigned)
{
    Reply(protocol::CMD_GSENSOR_READ, {0, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x80});
    std::int16_t x = 0, y = 0, z = 0;
    EXPECT_TRUE(board.GsensorRead(x, y, z));
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, 256);
    EXPECT_EQ(z, -32768);
}

TEST_F(BoardCommandsTest, SdCardInfoDecodesRegistersAndKeepsTextsWhenAbsent)
{
    const Bytes csd = {0x40, 0x0E, 0x00, 0x32, 0x5B, 0x59, 0x00, 0x00, 0x1D, 0x8A, 0x7F, 0x80, 0x0A, 0x40, 0x00, 0x00};
    const Bytes cid = {0x03, 'S', 'D', 'S', 'U', '0', '4', 'G', 0x80, 0x12, 0x34, 0x56, 0x78, 0x00, 0xC7, 0x01};
    Bytes reply(37, 0);
    std::copy(csd.begin(), csd.end(), reply.begin() + 1);
    std::copy(cid.begin(), cid.end(), reply.begin() + 18);
    reply[35] = 2;
    Reply(protocol::CMD_GET_SDCARD_INFO, reply);

    bool present = false;
    std::string csdText, fs, cidText;
    EXPECT_TRUE(board.GetSdCardInfo(present, csdText, fs, cidText));
    EXPECT_TRUE(present);
    EXPECT_EQ(fs, "FAT32");
    EXPECT_NE(csdText.find("-Memory Capacity:3781MB\n"), std::string::npos);
    EXPECT_EQ(cidText.substr(0, 46), "-Manufacturer ID:03h\n-OEM/Application ID:4453h");

    Bytes absent(37, 0);
    absent[0] = 1;
    Reply(protocol::CMD_GET_SDCARD_INFO, absent);
    EXPECT_TRUE(board.GetSdCardInfo(present, csdText, fs, cidText));
    EXPECT_FALSE(present);
    EXPECT_EQ(fs, "FAT32");

    present = true;
    EXPECT_FALSE(board.GetSdCardInfo(present, csdText, fs, cidText)); // no reply at all
    EXPECT_TRUE(present);
}

TEST_F(BoardCommandsTest, EraseCommandsCarryTypeAndIndex)
{
    Reply(protocol::CMD_GET_ERASE_BLOCK_COUNT, Words(0, {128}));
    EXPECT_EQ(board.GetEraseBlockCount(protocol::MEM_FLASH), 128u);
    EXPECT_EQ(RequestPayload(0), Bytes{2});
    Reply(protocol::CMD_GET_ERASE_BLOCK_COUNT, Words(1, {128}));
    EXPECT_EQ(board.GetEraseBlockCount(protocol::MEM_EPCS), 0u);

    bool ok = true;
    Reply(protocol::CMD_ERASE_BLOCK, {0});
    EXPECT_TRUE(board.EraseBlock(ok, protocol::MEM_EPCS, 0xFFFF));
    EXPECT_TRUE(ok);
    EXPECT_EQ(RequestPayload(2), (Bytes{3, 0xFF, 0xFF, 0x00, 0x00}));
    Reply(protocol::CMD_ERASE_BLOCK, {5});
    EXPECT_TRUE(board.EraseBlock(ok, protocol::MEM_EPCS, 1));
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_FALSE(board.EraseBlock(ok, protocol::MEM_EPCS, 1));
    EXPECT_FALSE(ok);
}

TEST_F(BoardCommandsTest, MemoryWriteSplitsAtTheChunkBoundary)
{
    const Bytes data = Counting(32744);
    Reply(protocol::CMD_MEMORY_WRITE, {0});
    Reply(protocol::CMD_MEMORY_WRITE, {0});
    EXPECT_TRUE(board.MemoryWrite(protocol::MEM_SDRAM, 0x100, 32744, data.data()));
    ASSERT_EQ(fake->writeSizes, (std::vector<std::int32_t>{32756, 14}));

    const Bytes first = RequestPayload(0);
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 5), (Bytes{5, 0x00, 0x01, 0, 0}));
    EXPECT_TRUE(std::equal(first.begin() + 5, first.end(), data.begin()));
    EXPECT_EQ(RequestPayload(1), (Bytes{5, 0xE7, 0x80, 0, 0, data.back()})); // 0x100 + 32743

    EXPECT_TRUE(board.MemoryWrite(protocol::MEM_SDRAM, 0, 0, nullptr));
    EXPECT_EQ(fake->writeCalls, 2);
}

TEST_F(BoardCommandsTest, MemoryWriteStopsAtTheFirstRefusedChunk)
{
    const Bytes data = Counting(3 * 32743);
    Reply(protocol::CMD_MEMORY_WRITE, {0});
    Reply(protocol::CMD_MEMORY_WRITE, {1});
    Reply(protocol::CMD_MEMORY_WRITE, {0});
    EXPECT_FALSE(board.MemoryWrite(protocol::MEM_FLASH, 0, static_cast<std::uint32_t>(data.size()), data.data()));
    EXPECT_EQ(fake->writeCalls, 2);
}

TEST_F(BoardCommandsTest, MemoryReadOfOneFullChunkIsOnePacket)
{
    const Bytes data = Counting(32747);
    Bytes reply = {0};
    reply.insert(reply.end(), data.begin(), data.end());
    Reply(protocol::CMD_MEMORY_READ, reply);
    Bytes dest(32747, 0);
    EXPECT_TRUE(board.MemoryRead(protocol::MEM_SSRAM1, 16, 32747, dest.data()));
    EXPECT_EQ(dest, data);
    EXPECT_EQ(RequestPayload(0), (Bytes{1, 16, 0, 0, 0, 0xEB, 0x7F, 0, 0}));
}

TEST_F(BoardCommandsTest, MemoryReadKeepsEarlierChunksWhenALaterOneFails)
{
    const Bytes data = Counting(32747 + 10);
    Bytes first = {0};
    first.insert(first.end(), data.begin(), data.begin() + 32747);
    Reply(protocol::CMD_MEMORY_READ, first);
    Reply(protocol::CMD_MEMORY_READ, Bytes(11, 1)); // refused
    Bytes dest(data.size(), 0xCC);
    EXPECT_FALSE(board.MemoryRead(protocol::MEM_SSRAM0, 0, static_cast<std::uint32_t>(data.size()), dest.data()));
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 32747, dest.begin()));
    EXPECT_EQ(dest.back(), 0xCC);
    EXPECT_EQ(RequestPayload(1), (Bytes{0, 0xEB, 0x7F, 0, 0, 10, 0, 0, 0}));
}

TEST_F(BoardCommandsTest, ChannelWriteSendsFixedSizeChunks)
{
    const Bytes text = Counting(129);
    Reply(protocol::CMD_CHANNEL_WRITE, {0});
    Reply(protocol::CMD_CHANNEL_WRITE, {0});
    bool ok = false;
    EXPECT_TRUE(board.ChannelWrite(ok, protocol::CHANNEL_LCD, 129, text.data()));
    EXPECT_TRUE(ok);
    const Bytes first = RequestPayload(0), second = RequestPayload(1);
    ASSERT_EQ(first.size(), 130u);
    ASSERT_EQ(second.size(), 130u);
    EXPECT_EQ(first[0], 1);
    EXPECT_EQ(first[1], 128);
    EXPECT_TRUE(std::equal(first.begin() + 2, first.end(), text.begin()));
    EXPECT_EQ(second[1], 1);
    EXPECT_EQ(second[2], text[128]);
    EXPECT_EQ(std::accumulate(second.begin() + 3, second.end(), 0), 0);
}

TEST_F(BoardCommandsTest, ChannelWriteRefusalStopsWithExchangeTrue)
{
    const Bytes text = Counting(300);
    Reply(protocol::CMD_CHANNEL_WRITE, {3});
    bool ok = true;
    EXPECT_TRUE(board.ChannelWrite(ok, protocol::CHANNEL_RS232, 300, text.data()));
    EXPECT_FALSE(ok);
    EXPECT_EQ(fake->writeCalls, 1);

    EXPECT_FALSE(board.ChannelWrite(ok, protocol::CHANNEL_RS232, 300, text.data())); // no reply
}

TEST_F(BoardCommandsTest, ChannelReadCopiesDataAndTerminatesIt)
{
    Bytes reply(130, 0);
    reply[1] = 3;
    reply[2] = 'a';
    reply[3] = 'b';
    reply[4] = 'c';
    reply[5] = 'z';
    Reply(protocol::CMD_CHANNEL_READ, reply);
    bool ok = false;
    std::uint8_t count = 0;
    std::array<std::uint8_t, 129> dest;
    dest.fill(0xCC);
    EXPECT_TRUE(board.ChannelRead(ok, protocol::CHANNEL_IR, count, dest.data()));
    EXPECT_TRUE(ok);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dest.data())), "abc");
    EXPECT_EQ(RequestPayload(0), Bytes{0});

    reply[1] = 128;
    Reply(protocol::CMD_CHANNEL_READ, reply);
    EXPECT_TRUE(board.ChannelRead(ok, protocol::CHANNEL_RS232, count, dest.data()));
    EXPECT_EQ(count, 128);
    EXPECT_EQ(dest[128], 0);
}

TEST_F(BoardCommandsTest, ChannelReadStatusRulesPerChannel)
{
    bool ok = false;
    std::uint8_t count = 77;
    std::array<std::uint8_t, 129> dest{};
    Bytes nothing(130, 0);
    nothing[0] = 1;
    nothing[1] = 5;

    Reply(protocol::CMD_CHANNEL_READ, nothing);
    EXPECT_TRUE(board.ChannelRead(ok, protocol::CHANNEL_RS232, count, dest.data()));
    EXPECT_TRUE(ok);
    EXPECT_EQ(count, 0);

    count = 77;
    Reply(protocol::CMD_CHANNEL_READ, nothing);
    EXPECT_TRUE(board.ChannelRead(ok, protocol::CHANNEL_IR, count, dest.data()));
    EXPECT_FALSE(ok);
    EXPECT_EQ(count, 77);

    Bytes tooMany(130, 0);
    tooMany[1] = 129;
    Reply(protocol::CMD_CHANNEL_READ, tooMany);
    EXPECT_TRUE(board.ChannelRead(ok, protocol::CHANNEL_RS232, count, dest.data()));
    EXPECT_FALSE(ok);
    EXPECT_EQ(count, 77);

    Bytes refused(130, 0);
    refused[0] = 2;
    Reply(protocol::CMD_CHANNEL_READ, refused);
    EXPECT_TRUE(board.ChannelRead(ok, protocol::CHANNEL_RS232, count, dest.data()));
    EXPECT_FALSE(ok);
}

TEST_F(BoardCommandsTest, ChannelEnableReportsRefusalSeparately)
{
    bool ok = false;
    Reply(protocol::CMD_CHANNEL_ENABLE, {0});
    EXPECT_TRUE(board.ChannelEnable(ok, protocol::CHANNEL_IR, 1));
    EXPECT_TRUE(ok);
    EXPECT_EQ(RequestPayload(0), (Bytes{0, 1}));
    Reply(protocol::CMD_CHANNEL_ENABLE, {1});
    EXPECT_TRUE(board.ChannelEnable(ok, protocol::CHANNEL_RS232, 0));
    EXPECT_FALSE(ok);
}

TEST_F(BoardCommandsTest, HsmcMasksAreRemapped)
{
    bool ok = false;
    std::uint32_t xcvr = 99;
    std::uint64_t io = 99;
    Reply(protocol::CMD_HSMC_LOOPBACK_TEST, Words(0, {1, 0, 0, 0}));
    EXPECT_TRUE(board.HsmcLoopbackTest(ok, xcvr, io));
    EXPECT_TRUE(ok);
    EXPECT_EQ(io, 1ull << 1);
    EXPECT_EQ(xcvr, 0u);
    EXPECT_EQ(RequestPayload(0), Bytes{0});

    Reply(protocol::CMD_HSMC_LOOPBACK_TEST, Words(0, {0, 0, 0x1F, 0}));
    EXPECT_TRUE(board.HsmcLoopbackTest(ok, xcvr, io));
    EXPECT_EQ(io, (1ull << 0) | (1ull << 19) | (1ull << 20) | (1ull << 39) | (1ull << 40));

    Reply(protocol::CMD_HSMC_LOOPBACK_TEST, Words(0, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}));
    EXPECT_TRUE(board.HsmcLoopbackTest(ok, xcvr, io));
    EXPECT_EQ(io, (1ull << 41) - 1);
    EXPECT_EQ(xcvr, 0xFFu);

    Reply(protocol::CMD_HSMC_LOOPBACK_TEST, Words(0, {0, 1u << 17, 0, 0x100}));
    EXPECT_TRUE(board.HsmcLoopbackTest(ok, xcvr, io));
    EXPECT_EQ(io, 1ull << 38);
    EXPECT_EQ(xcvr, 0u);

    Reply(protocol::CMD_HSMC_LOOPBACK_TEST, Words(4, {1, 1, 1, 1}));
    EXPECT_TRUE(board.HsmcLoopbackTest(ok, xcvr, io));
    EXPECT_FALSE(ok);
    EXPECT_EQ(io, 0u);
    EXPECT_EQ(xcvr, 0u);

    ok = true;
    xcvr = 5;
    EXPECT_FALSE(board.HsmcLoopbackTest(ok, xcvr, io)); // no reply: outputs untouched
    EXPECT_TRUE(ok);
    EXPECT_EQ(xcvr, 5u);
}
