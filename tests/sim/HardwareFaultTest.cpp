// Broken boards on request: memory wiring faults and the RS232 loopback plug, as the
// firmware's accesses meet them.
#include "ModelHarness.h"

#include <gtest/gtest.h>

using namespace protocol;

namespace {

struct FaultyBoard : ModelHarness {
    FakeHost host;

    sim::ControlAnswer Run(std::vector<std::string> args) { return sim::RunControl(args, board, host); }

    void WriteWord(std::uint8_t type, std::uint32_t word, std::uint16_t value)
    {
        bool ok = false;
        const auto reply = Command(
            CMD_MEMORY_WRITE, Cat(Cat({type}, U32(word * 2)), {std::uint8_t(value), std::uint8_t(value >> 8)}), ok);
        ASSERT_TRUE(ok && reply[0] == 0);
    }
    std::uint16_t ReadWord(std::uint8_t type, std::uint32_t word)
    {
        bool ok = false;
        const auto reply = Command(CMD_MEMORY_READ, Cat(Cat({type}, U32(word * 2)), U32(2)), ok);
        EXPECT_TRUE(ok && reply.size() == 3 && reply[0] == 0);
        return reply.size() == 3 ? static_cast<std::uint16_t>(reply[1] | reply[2] << 8) : 0;
    }
};

} // namespace

TEST(HardwareFaults, MemoryWiringFaultsBendTheFirmwaresAccesses)
{
    struct Case {
        std::vector<std::string> fault;
        std::uint32_t writeWord;
        std::uint16_t value;
        std::uint32_t readWord;
        std::uint16_t expected;
    };
    const std::vector<Case> cases = {
        {{"data", "13", "0"}, 5, 0xFFFF, 5, 0xDFFF},
        {{"data", "2", "1"}, 5, 0x0000, 5, 0x0004},
        {{"address", "3", "0"}, 8, 0x1234, 0, 0x1234},
        {{"address", "3", "1"}, 0, 0x4321, 8, 0x4321},
        {{"short", "17", "18"}, 1u << 17, 0xBEEF, 0, 0xBEEF},
        {{"short", "17", "18"}, 1u << 18, 0xCAFE, 0, 0xCAFE},
        {{"short", "17", "18"}, 3u << 17, 0xF00D, 3u << 17, 0xF00D},
    };
    for (const auto& c : cases) {
        FaultyBoard h;
        std::vector<std::string> args = {"mem", "fault", "sdram"};
        args.insert(args.end(), c.fault.begin(), c.fault.end());
        ASSERT_EQ(h.Run(args).status, 0) << c.fault[0];
        h.WriteWord(MEM_SDRAM, c.writeWord, c.value);
        EXPECT_EQ(h.ReadWord(MEM_SDRAM, c.readWord), c.expected) << c.fault[0] << " " << c.fault[1];
        // Only the faulty memory suffers, and mending it restores plain access.
        h.WriteWord(MEM_SSRAM0, c.writeWord & 0xFFFFF, c.value);
        EXPECT_EQ(h.ReadWord(MEM_SSRAM0, c.writeWord & 0xFFFFF), c.value);
        ASSERT_EQ(h.Run({"mem", "fault", "sdram", "none"}).status, 0);
        h.WriteWord(MEM_SDRAM, c.writeWord, c.value);
        EXPECT_EQ(h.ReadWord(MEM_SDRAM, c.writeWord), c.value);
    }
}

TEST(HardwareFaults, FaultsAreCheckedNamedAndSurvivePowerCycles)
{
    FaultyBoard h;
    const std::vector<std::vector<std::string>> refused = {{"mem", "fault", "sdram", "data", "16", "0"},
        {"mem", "fault", "ssram0", "address", "20", "1"}, {"mem", "fault", "sdram", "short", "3", "3"},
        {"mem", "fault", "sdram", "data", "1", "2"}, {"mem", "fault", "dram", "none"}, {"rs232-loopback", "maybe"}};
    for (const auto& bad : refused)
        EXPECT_EQ(h.Run(bad).status, 2) << bad[1] << " " << bad.back();
    ASSERT_EQ(h.Run({"mem", "fault", "ssram1", "data", "13", "1"}).status, 0);
    ASSERT_EQ(h.Run({"mem", "fault", "ssram1", "data", "13", "0"}).status, 0); // the later level wins
    ASSERT_EQ(h.Run({"mem", "fault", "ssram1", "address", "19", "1"}).status, 0);
    ASSERT_EQ(h.Run({"mem", "fault", "ssram1", "short", "4", "5"}).status, 0);
    ASSERT_EQ(h.Run({"rs232-loopback", "on"}).status, 0);
    h.board.PowerCycle();
    const std::string state = h.Run({"state"}).text;
    EXPECT_NE(state.find("\"memory_faults\":{\"ssram1\":[\"data line 13 stuck at 0\",\"address line A19 stuck at 1\","
                         "\"address lines A4 and A5 shorted\"]}"),
        std::string::npos)
        << state;
    EXPECT_NE(state.find("\"rs232_loopback\":true"), std::string::npos);
}

TEST(HardwareFaults, Rs232LoopbackPlugReturnsWhatIsSentWhileReceptionIsOn)
{
    for (const bool plug : {false, true}) {
        FaultyBoard h;
        h.Run({"rs232-loopback", plug ? "on" : "off"});
        bool ok = false;
        h.Command(CMD_CHANNEL_ENABLE, {CHANNEL_RS232, 1}, ok);
        std::vector<std::uint8_t> write(REQUEST_LEN_CHANNEL_WRITE, 0);
        write[0] = CHANNEL_RS232;
        write[1] = 3;
        write[2] = 'a', write[3] = 0, write[4] = 0xFF;
        h.Command(CMD_CHANNEL_WRITE, write, ok);
        const auto reply = h.Command(CMD_CHANNEL_READ, {CHANNEL_RS232}, ok);
        ASSERT_TRUE(ok);
        if (plug) {
            EXPECT_EQ(std::vector<std::uint8_t>(reply.begin(), reply.begin() + 5),
                (std::vector<std::uint8_t>{0, 3, 'a', 0, 0xFF}));
        } else {
            EXPECT_EQ(reply[0], 1); // nothing waiting
        }
        EXPECT_EQ(h.board.State().rs232Sent.size(), 3u);
    }
}
