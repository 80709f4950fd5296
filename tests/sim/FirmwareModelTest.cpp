// The firmware model alone: requests in, replies out.
#include "ModelHarness.h"

#include "sim/Endpoint.h"
#include "sim/Firmware.h"

#include <array>
#include <gtest/gtest.h>

using namespace protocol;

namespace {

std::vector<std::uint8_t> MemRead(std::uint8_t type, std::uint32_t address, std::uint32_t length)
{
    return Cat(Cat({type}, U32(address)), U32(length));
}

std::vector<std::uint8_t> MemWrite(std::uint8_t type, std::uint32_t address, const std::vector<std::uint8_t>& data)
{
    return Cat(Cat({type}, U32(address)), data);
}

std::vector<std::uint8_t> ChannelWrite(std::uint8_t channel, std::uint8_t count, const std::string& text)
{
    std::vector<std::uint8_t> payload(REQUEST_LEN_CHANNEL_WRITE, 0);
    payload[0] = channel;
    payload[1] = count;
    std::copy(text.begin(), text.end(), payload.begin() + 2);
    return payload;
}

} // namespace

TEST(FirmwareModel, UnconfiguredFpgaSwallowsEverything)
{
    ModelHarness h(false);
    EXPECT_TRUE(h.Exchange(ModelHarness::Request(CMD_QUERY_BOARD_NAME)).empty());
    h.nowUs += 10000000;
    EXPECT_TRUE(h.Collect().empty());
}

TEST(FirmwareModel, AnswersTheWorkedExampleByteForByte)
{
    ModelHarness h;
    const std::vector<std::uint8_t> request = {0xAA, 0x05, 0x04, 0, 0, 0, 0x05, 0, 0, 0, 0x0E, 0x55};
    const std::vector<std::uint8_t> reply = {0xAA, 0x05, 0x01, 0, 0, 0, 0x00, 0x06, 0x55};
    EXPECT_EQ(h.Exchange(request), reply);
    EXPECT_EQ(h.board.State().leds, 5u);
}

TEST(FirmwareModel, EveryCommandRepliesWithItsFixedLength)
{
    struct Case {
        std::uint8_t code;
        std::vector<std::uint8_t> payload;
        std::size_t replyLength;
    };
    const std::vector<Case> cases = {
        {CMD_QUERY_BOARD_NAME, {}, 33},
        {CMD_PING, {}, 1},
        {CMD_SET_LED, U32(0x7FFFFFF), 1},
        {CMD_GET_SWITCH_KEY_STATE, {}, 13},
        {CMD_SET_SEG7, Cat(U32(0x12345678), {0}), 1},
        {CMD_GET_SDCARD_INFO, {}, 37},
        {CMD_GET_ERASE_BLOCK_COUNT, {MEM_FLASH}, 5},
        {CMD_GET_ERASE_BLOCK_COUNT, {MEM_SDRAM}, 5}, // refused, same length
        {CMD_ERASE_BLOCK, Cat({MEM_EPCS}, U32(3)), 1},
        {CMD_MEMORY_WRITE, MemWrite(MEM_SSRAM0, 0, {1, 2, 3}), 1},
        {CMD_MEMORY_READ, MemRead(MEM_SSRAM0, 0, 3), 4},
        {CMD_MEMORY_READ, MemRead(MEM_SSRAM0, 0x1FFFFF, 2), 3}, // refused, same length
        {CMD_MEMORY_READ, MemRead(MEM_SDRAM, 0, MEMORY_READ_CHUNK), MEMORY_READ_CHUNK + 1},
        {CMD_GSENSOR_INIT, {}, 1},
        {CMD_GSENSOR_READ, {}, 7},
        {CMD_SET_VGA_PATTERN, {2, 8}, 1},
        {CMD_CHANNEL_WRITE, ChannelWrite(CHANNEL_LCD, 3, "a\n"), 1},
        {CMD_CHANNEL_READ, {CHANNEL_RS232}, 130},
        {CMD_CHANNEL_READ, {7}, 130}, // unknown channel, refused
        {CMD_CHANNEL_ENABLE, {CHANNEL_IR, 1}, 1},
        {CMD_HSMC_LOOPBACK_TEST, {0}, 17},
    };
    ModelHarness h;
    for (const auto& c : cases) {
        bool ok = false;
        const auto reply = h.Command(c.code, c.payload, ok);
        EXPECT_TRUE(ok) << "command " << int(c.code);
        EXPECT_EQ(reply.size(), c.replyLength) << "command " << int(c.code);
    }
}

TEST(FirmwareModel, NamesTheBoardAndKeepsSwitchesAndKeysApart)
{
    ModelHarness h;
    bool ok = false;
    auto reply = h.Command(CMD_QUERY_BOARD_NAME, {}, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(reply[0], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply.data() + 1)), "VX5h-260");

    h.board.State().keys = 0xFFFFFFFF; // only four buttons and eighteen switches exist
    h.board.State().switches = 0xFFFFFFFF;
    reply = h.Command(CMD_GET_SWITCH_KEY_STATE, {}, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(GetU32(reply.data() + 1), 0xFu);
    EXPECT_EQ(GetU32(reply.data() + 5), 0u);
    EXPECT_EQ(GetU32(reply.data() + 9), 0x3FFFFu);
}

TEST(FirmwareModel, RefusesWhatTheFirmwareRefuses)
{
    struct Case {
        const char* what;
        std::uint8_t code;
        std::vector<std::uint8_t> payload;
    };
    const std::vector<Case> cases = {
        {"read past the end", CMD_MEMORY_READ, MemRead(MEM_EEPROM, 4095, 2)},
        {"read wrapping the address", CMD_MEMORY_READ, MemRead(MEM_SDRAM, 0xFFFFFFFF, 2)},
        {"read longer than a reply", CMD_MEMORY_READ, MemRead(MEM_SDRAM, 0, MEMORY_READ_CHUNK + 1)},
        {"write past the end", CMD_MEMORY_WRITE, MemWrite(MEM_SSRAM1, 0x1FFFFF, {1, 2})},
        {"unknown memory", CMD_MEMORY_WRITE, MemWrite(6, 0, {1})},
        {"block count of RAM", CMD_GET_ERASE_BLOCK_COUNT, {MEM_SSRAM0}},
        {"block count of EEPROM", CMD_GET_ERASE_BLOCK_COUNT, {MEM_EEPROM}},
        {"block past the last", CMD_ERASE_BLOCK, Cat({MEM_FLASH}, U32(128))},
        {"erase EEPROM", CMD_ERASE_BLOCK, Cat({MEM_EEPROM}, U32(0))},
        {"chunk of 0", CMD_CHANNEL_WRITE, ChannelWrite(CHANNEL_RS232, 0, "")},
        {"chunk of 129", CMD_CHANNEL_WRITE, ChannelWrite(CHANNEL_RS232, 129, "x")},
        {"sending on IR", CMD_CHANNEL_WRITE, ChannelWrite(CHANNEL_IR, 1, "x")},
        {"unknown channel", CMD_CHANNEL_ENABLE, {3, 1}},
        {"reading the LCD", CMD_CHANNEL_READ, {CHANNEL_LCD}},
        {"accelerometer before init", CMD_GSENSOR_READ, {}},
        {"IR read while off", CMD_CHANNEL_READ, {CHANNEL_IR}},
        {"VGA mode 3", CMD_SET_VGA_PATTERN, {3, 0}},
        {"pattern 9 in mode 2", CMD_SET_VGA_PATTERN, {2, 9}},
        {"HSMC with a non-zero byte", CMD_HSMC_LOOPBACK_TEST, {1}},
        {"short LED request", CMD_SET_LED, {1, 2}},
    };
    ModelHarness h;
    for (const auto& c : cases) {
        bool ok = false;
        const auto reply = h.Command(c.code, c.payload, ok);
        ASSERT_TRUE(ok) << c.what;
        EXPECT_NE(reply[0], 0) << c.what;
    }
    bool ok = false;
    const auto unknown = h.Command(2, {}, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(unknown, std::vector<std::uint8_t>{0xFF});
}

TEST(FirmwareModel, MemoriesHaveTheBoardsSizesUpToTheLastByte)
{
    ModelHarness h;
    const std::pair<std::uint8_t, std::uint32_t> sizes[] = {{MEM_SSRAM0, 0x200000}, {MEM_SSRAM1, 0x200000},
        {MEM_FLASH, 0x800000}, {MEM_EPCS, 0x800000}, {MEM_EEPROM, 4096}, {MEM_SDRAM, 0x8000000}};
    for (const auto& [type, size] : sizes) {
        bool ok = false;
        auto reply = h.Command(CMD_MEMORY_WRITE, MemWrite(type, size - 2, {0x12, 0x34}), ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(reply[0], 0) << int(type);
        reply = h.Command(CMD_MEMORY_READ, MemRead(type, size - 2, 2), ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(reply, (std::vector<std::uint8_t>{0, 0x12, 0x34})) << int(type);
        reply = h.Command(CMD_MEMORY_READ, MemRead(type, size - 1, 2), ok);
        EXPECT_NE(reply[0], 0) << int(type);
    }
}

TEST(FirmwareModel, FlashIsNorAndErasesBySector)
{
    ModelHarness h;
    bool ok = false;
    auto reply = h.Command(CMD_GET_ERASE_BLOCK_COUNT, {MEM_FLASH}, ok);
    EXPECT_EQ(GetU32(reply.data() + 1), 128u);
    reply = h.Command(CMD_GET_ERASE_BLOCK_COUNT, {MEM_EPCS}, ok);
    EXPECT_EQ(GetU32(reply.data() + 1), 128u);

    const std::uint32_t at = 0x10000 * 5 - 1; // last byte of sector 4, first of sector 5
    reply = h.Command(CMD_MEMORY_READ, MemRead(MEM_FLASH, at, 2), ok);
    EXPECT_EQ(reply, (std::vector<std::uint8_t>{0, 0xFF, 0xFF}));
    h.Command(CMD_MEMORY_WRITE, MemWrite(MEM_FLASH, at, {0xF0, 0x3C}), ok);
    h.Command(CMD_MEMORY_WRITE, MemWrite(MEM_FLASH, at, {0x0F, 0xFF}), ok); // cannot set bits
    reply = h.Command(CMD_MEMORY_READ, MemRead(MEM_FLASH, at, 2), ok);
    EXPECT_EQ(reply, (std::vector<std::uint8_t>{0, 0x00, 0x3C}));

    reply = h.Command(CMD_ERASE_BLOCK, Cat({MEM_FLASH}, U32(5)), ok);
    EXPECT_EQ(reply[0], 0);
    reply = h.Command(CMD_MEMORY_READ, MemRead(MEM_FLASH, at, 2), ok);
    EXPECT_EQ(reply, (std::vector<std::uint8_t>{0, 0x00, 0xFF})); // sector 4 untouched

    // EEPROM and RAM are written as given.
    h.Command(CMD_MEMORY_WRITE, MemWrite(MEM_EEPROM, 0, {0xF0}), ok);
    h.Command(CMD_MEMORY_WRITE, MemWrite(MEM_EEPROM, 0, {0x0F}), ok);
    reply = h.Command(CMD_MEMORY_READ, MemRead(MEM_EEPROM, 0, 1), ok);
    EXPECT_EQ(reply, (std::vector<std::uint8_t>{0, 0x0F}));
}

TEST(FirmwareModel, SdramCostsMemoryOnlyWhereWritten)
{
    ModelHarness h;
    bool ok = false;
    for (std::uint32_t at = 0; at < 0x8000000; at += 0x1000000)
        h.Command(CMD_MEMORY_READ, MemRead(MEM_SDRAM, at, MEMORY_READ_CHUNK), ok);
    EXPECT_EQ(h.board.State().memories[MEM_SDRAM]->AllocatedBytes(), 0u);
    h.Command(CMD_MEMORY_WRITE, MemWrite(MEM_SDRAM, 0x7FFFFFF, {1}), ok);
    EXPECT_EQ(h.board.State().memories[MEM_SDRAM]->AllocatedBytes(), 65536u);
}

TEST(FirmwareModel, AccelerometerAnswersAfterInitWithAFlatBoard)
{
    ModelHarness h;
    bool ok = false;
    EXPECT_EQ(h.Command(CMD_GSENSOR_READ, {}, ok)[0], sim::STATUS_NOT_READY);
    EXPECT_EQ(h.Command(CMD_GSENSOR_INIT, {}, ok)[0], 0);
    auto reply = h.Command(CMD_GSENSOR_READ, {}, ok);
    EXPECT_EQ(reply, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0x00, 0x40}));
    h.board.State().gsensor = {-1, 300, -16384};
    reply = h.Command(CMD_GSENSOR_READ, {}, ok);
    EXPECT_EQ(GetI16(reply.data() + 1), -1);
    EXPECT_EQ(GetI16(reply.data() + 3), 300);
    EXPECT_EQ(GetI16(reply.data() + 5), -16384);
}

TEST(FirmwareModel, SdCardRegistersAndRemoval)
{
    ModelHarness h;
    bool ok = false;
    auto reply = h.Command(CMD_GET_SDCARD_INFO, {}, ok);
    ASSERT_EQ(reply.size(), 37u);
    EXPECT_EQ(reply[0], 0);
    EXPECT_TRUE(std::equal(sim::SDCARD_CSD, sim::SDCARD_CSD + 16, reply.begin() + 1));
    EXPECT_TRUE(std::equal(sim::SDCARD_CID, sim::SDCARD_CID + 16, reply.begin() + 18));
    EXPECT_EQ(reply[35], 2);     // FAT32
    EXPECT_EQ(reply[1] >> 6, 1); // CSD version 2.0
    EXPECT_EQ(reply[16] & 1, 1); // the register's CRC byte ends in its stop bit
    h.board.State().sdPresent = false;
    reply = h.Command(CMD_GET_SDCARD_INFO, {}, ok);
    ASSERT_EQ(reply.size(), 37u);
    EXPECT_NE(reply[0], 0);
}

TEST(FirmwareModel, LcdShowsTwoLinesOfSixteenWhenTheTextEnds)
{
    ModelHarness h;
    bool ok = false;
    const std::string text = std::string("VX5h-260\nControl Panel\n") + '\0';
    EXPECT_EQ(h.Command(CMD_CHANNEL_WRITE, ChannelWrite(CHANNEL_LCD, text.size(), text), ok)[0], 0);
    EXPECT_EQ(h.board.State().lcd[0], "VX5h-260");
    EXPECT_EQ(h.board.State().lcd[1], "Control Panel");

    // A text in two chunks shows when its NUL arrives; long lines are cut at 16.
    h.Command(CMD_CHANNEL_WRITE, ChannelWrite(CHANNEL_LCD, 18, "ABCDEFGHIJKLMNOPQ\n"), ok);
    EXPECT_EQ(h.board.State().lcd[0], "VX5h-260");
    const std::string rest = std::string("x\nthird\n") + '\0';
    h.Command(CMD_CHANNEL_WRITE, ChannelWrite(CHANNEL_LCD, rest.size(), rest), ok);
    EXPECT_EQ(h.board.State().lcd[0], "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(h.board.State().lcd[1], "x");
}

TEST(FirmwareModel, ReceiversDeliverInChunksOf128OnlyWhileOn)
{
    ModelHarness h;
    auto& s = h.board.State();
    bool ok = false;
    EXPECT_EQ(h.Command(CMD_CHANNEL_READ, {CHANNEL_RS232}, ok)[0], sim::STATUS_NOT_READY);
    EXPECT_EQ(h.Command(CMD_CHANNEL_ENABLE, {CHANNEL_RS232, 1}, ok)[0], 0);
    auto reply = h.Command(CMD_CHANNEL_READ, {CHANNEL_RS232}, ok);
    EXPECT_EQ(reply[0], 1); // nothing waiting
    for (int i = 0; i < 200; ++i)
        s.rs232.fifo.push_back(static_cast<std::uint8_t>(i));
    reply = h.Command(CMD_CHANNEL_READ, {CHANNEL_RS232}, ok);
    EXPECT_EQ(reply[0], 0);
    EXPECT_EQ(reply[1], 128);
    EXPECT_EQ(reply[129], 127);
    reply = h.Command(CMD_CHANNEL_READ, {CHANNEL_RS232}, ok);
    EXPECT_EQ(reply[1], 72);
    EXPECT_EQ(reply[2], 128);

    // IR answers an empty FIFO with status 0 and count 0.
    h.Command(CMD_CHANNEL_ENABLE, {CHANNEL_IR, 1}, ok);
    reply = h.Command(CMD_CHANNEL_READ, {CHANNEL_IR}, ok);
    EXPECT_EQ(reply[0], 0);
    EXPECT_EQ(reply[1], 0);

    const std::string text = std::string("hi") + '\0';
    h.Command(CMD_CHANNEL_WRITE, ChannelWrite(CHANNEL_RS232, 3, text), ok);
    EXPECT_EQ(s.rs232Sent, text);
}

// A board that sends for hours: `state` shows the last of what went out, and stays an
// answer the control client takes.
TEST(FirmwareModel, Rs232SentKeepsItsLastBytesWithinTheAnswersLimit)
{
    ModelHarness h;
    FakeHost host;
    bool ok = false;
    const std::string nuls(128, '\0'); // six characters each as JSON
    for (std::size_t sent = 0; sent < 1536 * 1024; sent += nuls.size())
        h.Command(CMD_CHANNEL_WRITE, ChannelWrite(CHANNEL_RS232, 128, nuls), ok);
    h.Command(CMD_CHANNEL_WRITE, ChannelWrite(CHANNEL_RS232, 4, "last"), ok);
    ASSERT_TRUE(ok);
    EXPECT_LE(h.board.State().rs232Sent.size(), 2 * sim::RS232_SENT_KEPT);
    const std::string state = sim::RunControl({"state"}, h.board, host).text;
    EXPECT_LT(state.size(), sim::MAX_CONTROL_MESSAGE);
    std::string tail;
    for (std::size_t i = 0; i + 4 < sim::RS232_SENT_KEPT; ++i)
        tail += "\\u0000";
    EXPECT_NE(state.find("\"rs232_sent\":\"" + tail + "last\""), std::string::npos) << "the last bytes, in order";
}

TEST(FirmwareModel, HsmcWordsComeBackAsTheSameMasksThroughThePanelsMapping)
{
    // The panel's remapping of the reply words into its 41-bit IO mask.
    auto panelMask = [](std::uint32_t w1, std::uint32_t w5, std::uint32_t w9) {
        std::uint64_t m = w9 & 1;
        for (int i = 1; i <= 18; ++i)
            m |= std::uint64_t((w1 >> (i - 1)) & 1) << i;
        for (int i = 19; i <= 20; ++i)
            m |= std::uint64_t((w9 >> (i - 18)) & 1) << i;
        for (int i = 21; i <= 38; ++i)
            m |= std::uint64_t((w5 >> (i - 21)) & 1) << i;
        for (int i = 39; i <= 40; ++i)
            m |= std::uint64_t((w9 >> (i - 36)) & 1) << i;
        return m;
    };
    for (int bit = 0; bit < 41; ++bit) {
        const auto w = sim::HsmcWordsFromIoMask(std::uint64_t(1) << bit);
        EXPECT_EQ(panelMask(w.w1, w.w5, w.w9), std::uint64_t(1) << bit) << bit;
    }

    ModelHarness h;
    bool ok = false;
    auto reply = h.Command(CMD_HSMC_LOOPBACK_TEST, {0}, ok);
    EXPECT_EQ(reply, std::vector<std::uint8_t>(17, 0));
    h.board.State().hsmcAdapter = sim::HsmcAdapter::Absent;
    reply = h.Command(CMD_HSMC_LOOPBACK_TEST, {0}, ok);
    EXPECT_EQ(panelMask(GetU32(&reply[1]), GetU32(&reply[5]), GetU32(&reply[9])), sim::HSMC_IO_ALL);
    EXPECT_EQ(GetU32(&reply[13]), sim::HSMC_XCVR_ALL);
    h.board.State().hsmcAdapter = sim::HsmcAdapter::Faulty;
    h.board.State().hsmcIoFail = 0x10000000001ull;
    h.board.State().hsmcXcvrFail = 0x09;
    reply = h.Command(CMD_HSMC_LOOPBACK_TEST, {0}, ok);
    EXPECT_EQ(reply[0], 0);
    EXPECT_EQ(panelMask(GetU32(&reply[1]), GetU32(&reply[5]), GetU32(&reply[9])), 0x10000000001ull);
    EXPECT_EQ(GetU32(&reply[13]), 0x09u);
}

// What the outputs show: lit LEDs, 8 on every digit and the greeting while the firmware
// runs (as the panel's pages start), nothing while the FPGA is unconfigured.
void ExpectOutputs(const sim::TBoardState& s, bool firmwareRuns)
{
    EXPECT_EQ(s.leds, firmwareRuns ? 0x07FFFFFFu : 0u);
    EXPECT_EQ(s.seg7, firmwareRuns ? 0x88888888u : 0u);
    EXPECT_EQ(s.seg7Extra, 0u);
    const std::array<std::string, 2> greeting{"VX5h-260", "Control Panel"};
    EXPECT_EQ(s.lcd, (firmwareRuns ? greeting : std::array<std::string, 2>{}));
}

TEST(FirmwareModel, ReconfiguringResetsTheFirmwareButPowerCycleAlsoClearsRam)
{
    ModelHarness fresh(false);
    ExpectOutputs(fresh.board.State(), false);

    ModelHarness h;
    ExpectOutputs(h.board.State(), true);
    bool ok = false;
    h.Command(CMD_SET_LED, U32(7), ok);
    h.Command(CMD_SET_SEG7, Cat(U32(0x87654321), {1}), ok);
    h.Command(CMD_GSENSOR_INIT, {}, ok);
    h.Command(CMD_MEMORY_WRITE, MemWrite(MEM_SDRAM, 100, {9}), ok);
    h.Command(CMD_MEMORY_WRITE, MemWrite(MEM_FLASH, 100, {9}), ok);
    const auto image = sim::MakeImage(64);
    std::string why;
    ASSERT_TRUE(h.board.Configure(image.data(), image.size(), why));
    ExpectOutputs(h.board.State(), true);
    EXPECT_FALSE(h.board.State().gsensorReady);
    EXPECT_EQ(h.Command(CMD_MEMORY_READ, MemRead(MEM_SDRAM, 100, 1), ok)[1], 9);

    h.board.PowerCycle();
    EXPECT_FALSE(h.board.Configured());
    ExpectOutputs(h.board.State(), false);
    // An image the FPGA refuses leaves it unconfigured and dark.
    const std::vector<std::uint8_t> junk(64, 0x5A);
    EXPECT_FALSE(h.board.Configure(junk.data(), junk.size(), why));
    ExpectOutputs(h.board.State(), false);
    ASSERT_TRUE(h.board.Configure(image.data(), image.size(), why));
    ExpectOutputs(h.board.State(), true);
    EXPECT_EQ(h.Command(CMD_MEMORY_READ, MemRead(MEM_SDRAM, 100, 1), ok)[1], 0);
    EXPECT_EQ(h.Command(CMD_MEMORY_READ, MemRead(MEM_FLASH, 100, 1), ok)[1], 9);
}
