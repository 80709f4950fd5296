// TBoard through our driver libraries against the simulated board: the connect path,
// every command, chunking on real memory, refusals and every fault of the link.
#include "SimulatedBoard.h"
#include "BytePattern.h"

#include "board/Board.h"
#include "config/Download.h"
#include "platform/Hooks.h"
#include "platform/Paths.h"
#include "platform/Tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using testsupport::BytePattern;
using testsupport::SimulatedBoard;
using namespace protocol;

namespace {

class BoardOnSimulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::OverrideExecutableFolder(SimulatedBoard::BinFolder());
        platform::SetBeepHandler([this] { ++beeps; });
        platform::SetErrorDialogHandler([this](const std::string& text) { dialogs.push_back(text); });
        sim = std::make_unique<SimulatedBoard>(configured);
        if (!configured)
            sim->Ctl("unconfigured silent"); // a design whose JTAG UART does not answer
        std::string error;
        ASSERT_TRUE(board.Connect(error, 0)) << error;
    }
    void TearDown() override
    {
        board.Disconnect();
        sim.reset(); // quits the simulator, also after a failed test
        platform::SetBeepHandler({});
        platform::SetErrorDialogHandler({});
        platform::OverrideExecutableFolder(std::nullopt);
    }

    std::string State() const { return sim->Ctl("state"); }
    bool StateHas(const std::string& part) const { return State().find(part) != std::string::npos; }

    bool configured = true;
    std::unique_ptr<SimulatedBoard> sim;
    TBoard board;
    int beeps = 0;
    std::vector<std::string> dialogs;
};

class UnconfiguredBoard : public BoardOnSimulator {
protected:
    UnconfiguredBoard() { configured = false; }
};

} // namespace

TEST_F(UnconfiguredBoard, NameQueryGoesUnansweredUntilTheDownloadConfiguresTheFpga)
{
    EXPECT_TRUE(board.IsOpen());
    EXPECT_NE(board.LinkDescription().find("USB-Blaster"), std::string::npos);
    std::string name;
    const std::uint32_t start = platform::TickCount();
    EXPECT_FALSE(board.QueryBoardName(name));
    EXPECT_LT(platform::TicksSince(start), 6500u);

    // The panel closes the link, configures, and connects again.
    board.Disconnect();
    {
        TDownload download;
        ASSERT_TRUE(download.IsLoaded());
        EXPECT_NE(download.GetQuartusVersion(), 0.0);
        ASSERT_TRUE(
            download.DownloadImage(platform::ExecutableFolder() + "VX5h_260_ControlPanel.sof", 20000, 0, 0, 0, 0, 1));
    }
    std::string error;
    ASSERT_TRUE(board.Connect(error, 0));
    board.FlushInput();
    ASSERT_TRUE(board.QueryBoardName(name));
    EXPECT_EQ(name, "VX5h-260");
    EXPECT_TRUE(dialogs.empty());
}

TEST_F(BoardOnSimulator, OutputsReachTheBoard)
{
    EXPECT_TRUE(board.Ping());
    EXPECT_TRUE(board.KeepAlive());
    EXPECT_TRUE(board.SetLed(0x5A5A5A5));
    EXPECT_TRUE(board.SetSeg7(0x89ABCDEF, 0));
    EXPECT_TRUE(board.SetVgaPattern(1, 9));
    EXPECT_FALSE(board.SetVgaPattern(2, 9)); // refused
    bool ok = false;
    const std::string text = "VX5h-260\nControl Panel\n";
    EXPECT_TRUE(board.ChannelWrite(ok, CHANNEL_LCD, static_cast<std::int32_t>(text.size() + 1),
        reinterpret_cast<const std::uint8_t*>(text.c_str())));
    EXPECT_TRUE(ok);
    const std::string state = State();
    for (const char* part : {"\"leds\":94741925", "\"seg7\":2309737967", "\"vga\":{\"mode\":1,\"pattern\":9}",
             "\"lcd\":[\"VX5h-260\",\"Control Panel\"]"})
        EXPECT_NE(state.find(part), std::string::npos) << part;
}

TEST_F(BoardOnSimulator, InputsSetOutsideAreRead)
{
    sim->Ctl("set keys 0x5");
    sim->Ctl("set switches 0x20001");
    std::uint32_t state = 0;
    ASSERT_TRUE(board.GetSwitchKeyState(state));
    EXPECT_EQ(state, (0x20001u << 4) | 0x5u);

    std::int16_t x = 1, y = 1, z = 1;
    EXPECT_FALSE(board.GsensorRead(x, y, z)); // before its init
    ASSERT_TRUE(board.GsensorInit());
    ASSERT_TRUE(board.GsensorRead(x, y, z));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(z, 16384);
    sim->Ctl("set gsensor -8192 100 0x3000");
    ASSERT_TRUE(board.GsensorRead(x, y, z));
    EXPECT_EQ(x, -8192);
    EXPECT_EQ(y, 100);
    EXPECT_EQ(z, 0x3000);
}

TEST_F(BoardOnSimulator, SdCardTextsOfTheSimulatedCard)
{
    bool present = false;
    std::string csd, fs, cid;
    ASSERT_TRUE(board.GetSdCardInfo(present, csd, fs, cid));
    EXPECT_TRUE(present);
    EXPECT_EQ(csd,
        "-CSD Version 2.0\n-Read Access Time:1000 us\n-Read Access Time (NSAC):0 (x100 cycle) \n"
        "-Max. Data Transfer Rate:25 Mbits/s\n-Max. Read Data Block Length:512 Byte\n"
        "-Memory Capacity:3781MB\n");
    EXPECT_EQ(cid,
        "-Manufacturer ID:03h\n-OEM/Application ID:4453h\n-Product Name:SU04G\n"
        "-Product Revision:80h\n-Serial No.:1A2B3C4Dh\n-Date Code:0A6h\n");
    EXPECT_EQ(fs, "FAT32");

    sim->Ctl("sdcard remove");
    present = true;
    csd = "unchanged";
    ASSERT_TRUE(board.GetSdCardInfo(present, csd, fs, cid));
    EXPECT_FALSE(present);
    EXPECT_EQ(csd, "unchanged");
}

TEST_F(BoardOnSimulator, MemoryTransfersAcrossBothChunkBoundaries)
{
    // 32744 bytes: write chunks of 32743 and 1; reads of 32747 (one chunk) and 32748 (two).
    const auto data = BytePattern(MEMORY_READ_CHUNK + 1, 1);
    const std::uint32_t at = 0x200000 - static_cast<std::uint32_t>(data.size()); // up to SSRAM-1's last byte
    ASSERT_TRUE(board.MemoryWrite(MEM_SSRAM1, at, MEMORY_WRITE_CHUNK + 1, data.data()));
    ASSERT_TRUE(board.MemoryWrite(MEM_SSRAM1, at + MEMORY_WRITE_CHUNK + 1,
        static_cast<std::uint32_t>(data.size()) - MEMORY_WRITE_CHUNK - 1, data.data() + MEMORY_WRITE_CHUNK + 1));
    std::vector<std::uint8_t> back(data.size());
    ASSERT_TRUE(board.MemoryRead(MEM_SSRAM1, at, MEMORY_READ_CHUNK, back.data()));
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + MEMORY_READ_CHUNK, data.begin()));
    std::fill(back.begin(), back.end(), 0);
    ASSERT_TRUE(board.MemoryRead(MEM_SSRAM1, at, static_cast<std::uint32_t>(back.size()), back.data()));
    EXPECT_EQ(back, data);

    // One byte past the end is refused; the link stays up.
    EXPECT_FALSE(board.MemoryRead(MEM_SSRAM1, at, static_cast<std::uint32_t>(data.size()) + 1, back.data()));
    EXPECT_FALSE(board.MemoryWrite(MEM_EEPROM, 4095, 2, data.data()));
    EXPECT_FALSE(board.MemoryRead(6, 0, 2, back.data()));
    EXPECT_TRUE(board.Ping());
    EXPECT_EQ(beeps, 0);
}

TEST_F(BoardOnSimulator, FlashEraseAndProgramming)
{
    EXPECT_EQ(board.GetEraseBlockCount(MEM_FLASH), 128u);
    EXPECT_EQ(board.GetEraseBlockCount(MEM_EPCS), 128u);
    EXPECT_EQ(board.GetEraseBlockCount(MEM_SDRAM), 0u);
    EXPECT_EQ(board.GetEraseBlockCount(MEM_EEPROM), 0u);
    const std::uint8_t zeros[2] = {0x00, 0x0F};
    ASSERT_TRUE(board.MemoryWrite(MEM_EPCS, 0x10000, 2, zeros));
    bool ok = false;
    ASSERT_TRUE(board.EraseBlock(ok, MEM_EPCS, 1));
    EXPECT_TRUE(ok);
    std::uint8_t back[2] = {};
    ASSERT_TRUE(board.MemoryRead(MEM_EPCS, 0x10000, 2, back));
    EXPECT_EQ(back[0], 0xFF);
    ASSERT_TRUE(board.EraseBlock(ok, MEM_EPCS, 128));
    EXPECT_FALSE(ok);
    ASSERT_TRUE(board.EraseBlock(ok, MEM_SSRAM0, 0));
    EXPECT_FALSE(ok);
}

TEST_F(BoardOnSimulator, ChannelsReceiveWhileOnAndRs232SaysNothingWaiting)
{
    bool ok = false;
    std::uint8_t count = 99;
    std::uint8_t data[129] = {};
    ASSERT_TRUE(board.ChannelRead(ok, CHANNEL_RS232, count, data));
    EXPECT_FALSE(ok); // reception is off
    ASSERT_TRUE(board.ChannelEnable(ok, CHANNEL_RS232, 1));
    EXPECT_TRUE(ok);
    ASSERT_TRUE(board.ChannelRead(ok, CHANNEL_RS232, count, data));
    EXPECT_TRUE(ok); // status 1: nothing waiting
    EXPECT_EQ(count, 0);

    sim->Ctl("rs232 hello board");
    ASSERT_TRUE(board.ChannelRead(ok, CHANNEL_RS232, count, data));
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data)), "hello board");

    const std::string text(300, 'x');
    ASSERT_TRUE(board.ChannelWrite(ok, CHANNEL_RS232, 301, reinterpret_cast<const std::uint8_t*>(text.c_str())));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(StateHas("\"rs232_sent\":\"" + text + "\\u0000\""));

    ASSERT_TRUE(board.ChannelEnable(ok, CHANNEL_IR, 1));
    sim->Ctl("ir 0x05 0x40");
    ASSERT_TRUE(board.ChannelRead(ok, CHANNEL_IR, count, data));
    EXPECT_TRUE(ok);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(data[0], 0x05);
    EXPECT_EQ(data[1], 0x40);
    ASSERT_TRUE(board.ChannelEnable(ok, CHANNEL_IR, 0));
    ASSERT_TRUE(board.ChannelRead(ok, CHANNEL_IR, count, data));
    EXPECT_FALSE(ok);
    ASSERT_TRUE(board.ChannelWrite(ok, CHANNEL_IR, 1, data));
    EXPECT_FALSE(ok);
}

TEST_F(BoardOnSimulator, HsmcMasksComeOutAsSetOutside)
{
    bool ok = false;
    std::uint32_t xcvr = 1;
    std::uint64_t io = 1;
    ASSERT_TRUE(board.HsmcLoopbackTest(ok, xcvr, io));
    EXPECT_TRUE(ok);
    EXPECT_EQ(io, 0u);
    EXPECT_EQ(xcvr, 0u);

    sim->Ctl("hsmc fail 0x18000180003 0x09");
    ASSERT_TRUE(board.HsmcLoopbackTest(ok, xcvr, io));
    EXPECT_EQ(io, 0x18000180003ull);
    EXPECT_EQ(xcvr, 0x09u);

    sim->Ctl("hsmc none");
    ASSERT_TRUE(board.HsmcLoopbackTest(ok, xcvr, io));
    EXPECT_EQ(io, (std::uint64_t(1) << 41) - 1);
    EXPECT_EQ(xcvr, 0x0Fu);
}

// Each fault ends in the packet layer's failure within its budget, and the next exchange
// succeeds. A header or body wait lasts its 3000 ms budget plus up to one more link read
// of 3000 ms, so a stall must outlast 6000 ms to fail the exchange for sure.
struct FaultCase {
    const char* fault;
    bool beeps;
    std::uint32_t maxMs;
    std::uint32_t settleMs = 0; // until a late reply has surely arrived, to be flushed
};

class FaultOnSimulator : public BoardOnSimulator, public ::testing::WithParamInterface<FaultCase> { };

TEST_P(FaultOnSimulator, FailsOneExchangeAndTheNextSucceeds)
{
    const FaultCase& c = GetParam();
    ASSERT_EQ(sim->Ctl(std::string("fault ") + c.fault), "ok\n");
    const std::uint32_t start = platform::TickCount();
    EXPECT_FALSE(board.SetLed(1));
    EXPECT_LT(platform::TicksSince(start), c.maxMs);
    EXPECT_EQ(beeps > 0, c.beeps);
    std::this_thread::sleep_for(std::chrono::milliseconds(c.settleMs));
    EXPECT_TRUE(board.SetLed(2));
    std::string name;
    EXPECT_TRUE(board.QueryBoardName(name));
    EXPECT_EQ(name, "VX5h-260");
    EXPECT_TRUE(StateHas("\"leds\":2"));
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultOnSimulator,
    ::testing::Values(FaultCase{"checksum", true, 500}, FaultCase{"echo", false, 500}, FaultCase{"length", false, 500},
        FaultCase{"garbage 7", false, 500}, FaultCase{"truncate", true, 6500}, FaultCase{"drop", false, 6500},
        FaultCase{"stall 6500", false, 6500, 700}, FaultCase{"refuse", false, 500}),
    [](const ::testing::TestParamInfo<FaultCase>& info) {
        std::string name = info.param.fault;
        return name.substr(0, name.find(' '));
    });

TEST_F(BoardOnSimulator, PulledCableFailsTheExchangeUntilReconnected)
{
    sim->Ctl("unplug");
    EXPECT_FALSE(board.SetLed(1));
    std::string error;
    EXPECT_FALSE(board.Connect(error, 0));
    EXPECT_EQ(error, "Fail to connect FPGA borad.");
    sim->Ctl("plug");
    ASSERT_TRUE(board.Connect(error, 0));
    EXPECT_TRUE(board.SetLed(3));
}
