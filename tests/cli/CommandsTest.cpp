// The board commands of vx5h against the simulator: what they print, what they do to
// the board, and what they refuse.
#include "CliHarness.h"

using clitest::CliTest;
using clitest::Vx5h;
using nlohmann::json;

namespace {

struct TEffect {
    const char* args;
    const char* pointer; // where the simulator's state shows the effect
    json expected;
};

TEST_F(CliTest, EachOutputCommandChangesTheBoard)
{
    const TEffect effects[] = {
        {"led 1FF", "/leds", 0x1FF},
        {"led 0x7FFFFFF", "/leds", 0x7FFFFFF},
        {"seg7 20260D09", "/seg7", 0x20260D09},
        {"seg7 a", "/seg7", 0xA},
        {"lcd Hello 'World  wide'", "/lcd", json::array({"Hello", "World  wide"})},
        {"lcd OnlyOne", "/lcd", json::array({"OnlyOne", ""})},
        {"--cable sim led 3", "/leds", 3},
    };
    for (const TEffect& effect : effects) {
        const clitest::TRun run = Vx5h(effect.args);
        EXPECT_EQ(run.code, 0) << effect.args << ": " << run.err;
        EXPECT_EQ(State().at(json::json_pointer(effect.pointer)), effect.expected) << effect.args;
    }
}

struct TReadout {
    const char* setup; // control command
    const char* args;
    const char* out;
};

TEST_F(CliTest, EachInputCommandPrintsTheBoardsState)
{
    const TReadout readouts[] = {
        {"set switches 0x2A5", "switches", "002A5 SW0 SW2 SW5 SW7 SW9\n"},
        {"set switches 0", "switches", "00000 none\n"},
        {"set switches 0x3FFFF", "switches --csv", "switches\n262143\n"},
        {"set keys 5", "keys", "5 KEY0 KEY2\n"},
        {"mem write sdram 0x20 34 12 CD AB", "mem read SDRAM 10 2", "1234 ABCD\n"},
        {"mem write flash 0 00 00", "mem read flash 0 9", "0000 FFFF FFFF FFFF FFFF FFFF FFFF FFFF\nFFFF\n"},
        {"mem write epcs 0x7ffffe 11 22", "mem read Epcs 3FFFFF", "2211\n"},
    };
    for (const TReadout& readout : readouts) {
        sim->Ctl(readout.setup);
        const clitest::TRun run = Vx5h(readout.args);
        EXPECT_EQ(run.code, 0) << readout.args << ": " << run.err;
        EXPECT_EQ(run.out, readout.out) << readout.args;
    }
}

TEST_F(CliTest, MemWriteWritesWordsThatMemReadGivesBack)
{
    ASSERT_EQ(Vx5h("mem write ssram-1 7FFFE BEEF 0xcafe").code, 0);
    EXPECT_EQ(sim->Ctl("mem read ssram1 0xFFFFC 4"), "ef be fe ca\n");
    EXPECT_EQ(Vx5h("mem read SSRAM-1 7FFFE 2").out, "BEEF CAFE\n");
}

TEST_F(CliTest, InfoJsonHasStableKeys)
{
    const clitest::TRun run = Vx5h("info --json");
    ASSERT_EQ(run.code, 0) << run.err;
    const json info = json::parse(run.out);
    EXPECT_EQ(info.at("board"), "VX5h-260");
    EXPECT_TRUE(info.at("simulator").get<bool>());
    EXPECT_NE(info.at("link").get<std::string>().find("simulator"), std::string::npos);
    EXPECT_EQ(info.size(), 3u);
}

struct TBadInput {
    const char* args;
    int code;
    const char* message;
};

TEST_F(CliTest, BadArgumentsAreRefusedWithTheirRuleAndTouchNothing)
{
    sim->Ctl("mem write sdram 0 11 22");
    const TBadInput inputs[] = {
        {"led 8000000", 2, "MASK: The input value(8000000) for the field 'MASK' is expected to less or equal to 7FFFFFFh."},
        {"led 123456789", 2, "MASK: Value '123456789' is invalid for 'MASK'"},
        {"led xyz", 2, "Value 'xyz' is invalid for 'MASK'"},
        {"led", 2, "MASK is required"},
        {"seg7 123456789", 2, "DIGITS: '123456789' must have one to eight hexadecimal digits"},
        {"seg7 12G4", 2, "hexadecimal digits only"},
        {"lcd 12345678901234567", 2, "LINE0: '12345678901234567' is longer than the LCD's 16 characters"},
        {"mem read dram 0", 2, "MEMORY: 'dram' is not a memory of the board; it is one of SSRAM-0, SSRAM-1, SDRAM, EEPROM, EPCS, FLASH"},
        {"mem read sdram 4000000", 2, "ADDRESS: The input value(4000000) for the field 'ADDRESS' is expected to less or equal to 3FFFFFFh."},
        {"mem read eeprom 0 0", 2, "LENGTH: The intput value(0) for the field 'LENGTH' is expected to larger or equal to 1h."},
        {"mem read eeprom 7FF 2", 2, "'LENGTH' is expected to less or equal to 1h."},
        {"mem write sdram 0 10000", 2, "WORD 1: The input value(10000)"},
        {"mem write sdram 0 5 -1", 2, "WORD 2: Value '-1' is invalid"},
        {"nosuch", 2, "A subcommand is required"},
        {"switches --rate 0 --watch", 2, "--rate: samples a second must lie between 0.1 and 1000"},
    };
    for (const TBadInput& input : inputs) {
        const clitest::TRun run = Vx5h(input.args);
        EXPECT_EQ(run.code, input.code) << input.args;
        EXPECT_NE(run.err.find(input.message), std::string::npos) << input.args << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << input.args;
    }
    const json state = State();
    EXPECT_EQ(state.at("leds"), 0) << "nothing was sent";
    EXPECT_EQ(sim->Ctl("mem read sdram 0 2"), "11 22\n");
}

TEST_F(CliTest, HelpListsTheExitCodes)
{
    const clitest::TRun run = Vx5h("--help");
    EXPECT_EQ(run.code, 0);
    for (const char* line : {"0    success", "2    bad arguments", "3    the board refused", "4    no board",
             "5    a file could not be read"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
}

} // namespace
