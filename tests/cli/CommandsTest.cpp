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
        {"seg7 0x12", "/seg7", 0x12},
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
        {"set keys 5", "keys --json", "{\"keys\":5,\"pressed\":[\"KEY0\",\"KEY2\"]}\n"},
        {"mem write sdram 0x20 34 12 CD AB", "mem read SDRAM 10 2", "00000010: 1234 ABCD\n"},
        {"mem write flash 0 00 00", "mem read flash 0 9",
            "00000000: 0000 FFFF FFFF FFFF FFFF FFFF FFFF FFFF\n00000008: FFFF\n"},
        {"mem write epcs 0x7ffffe 11 22", "mem read Epcs 3FFFFF", "003FFFFF: 2211\n"},
        {"mem write epcs 0x7ffffe 11 22", "mem read epcs 3FFFFF --json", "{\"memory\":\"EPCS\",\"address\":4194303,"
                                                                         "\"words\":[8721]}\n"},
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
    EXPECT_EQ(Vx5h("mem read SSRAM-1 7FFFE 2").out, "0007FFFE: BEEF CAFE\n");
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

// A board whose FPGA holds another design: the stream opens and nothing answers, so that
// any command that reaches for the board would configure it with the panel's image.
class OtherDesign : public clitest::CliTest {
protected:
    OtherDesign() { configured = false; }
    void SetUp() override
    {
        CliTest::SetUp();
        sim->Ctl("unconfigured silent");
    }
};

TEST_F(OtherDesign, BadArgumentsAreRefusedWithTheirRuleBeforeTheBoardIsTouched)
{
    sim->Ctl("mem write sdram 0 11 22");
    const TBadInput inputs[] = {
        {"inf", 2, "unknown command 'inf' (did you mean info?)"},
        {"mem reed sdram 0", 2, "unknown command 'mem reed' (did you mean mem read?)"},
        {"info extra", 2, "not expected: extra"},
        {"--bogus", 2, "vx5h: unknown option '--bogus'\nUsage: vx5h [OPTIONS] COMMAND\n"},
        {"--cable", 2, "vx5h: --cable needs a value after it\n"},
        {"--cable , info", 2, "vx5h: --cable: the list names no cable (--cable A,B names each)"},
        {"--cable all,sim info", 2, "vx5h: --cable: all names every cable and stands alone, not in a list"},
        {"led --trace= 1 5", 2, "vx5h: --trace: the value after '=' is empty"},
        {"--cable= led 1", 2, "vx5h: --cable: the value after '=' is empty"},
        {"boards --budget", 2, "vx5h: --budget needs a value after it\n"},
        {"mem dump sdram x.bin --start", 2, "vx5h: --start needs a value after it\n"},
        {"info --jsno", 2, "unknown option '--jsno' (did you mean --json?)"},
        {"rs232", 2, "vx5h: a command is missing: one of send, receive, term\nUsage: vx5h rs232 [OPTIONS] COMMAND\n"},
        {"lcd", 2, "LINE0 is missing: the first line"},
        {"lcd one two three", 2, "vx5h: not expected: three\nUsage: vx5h lcd [OPTIONS] LINE0 [LINE1]\n"},
        {"boards --budget 200", 2, "--budget: seconds must lie between 0.5 and 120, not '200'"},
        {"led 8000000", 2, "MASK: 8000000 is too large; the largest MASK is 7FFFFFF"},
        {"led 123456789", 2, "MASK: '123456789' has more than eight hex digits; the largest MASK is 7FFFFFF"},
        {"led FFFFFFFF", 2, "MASK: FFFFFFFF is too large; the largest MASK is 7FFFFFF"},
        {"led xyz", 2, "MASK: 'xyz' is not a hex number (one to eight hex digits, 0x allowed)"},
        {"led", 2, "vx5h: MASK is missing: hex mask, at most 7FFFFFF\nUsage: vx5h led [OPTIONS] MASK\n"},
        {"seg7 123456789", 2, "DIGITS: '123456789' must have one to eight hexadecimal digits"},
        {"seg7 12G4", 2, "hexadecimal digits only"},
        {"lcd 12345678901234567", 2, "LINE0: '12345678901234567' is longer than the LCD's 16 characters"},
        {"lcd ok '\xC3\xA9'", 2, "LINE1: character 1, \"\xC3\xA9\", is not in the LCD's character set"},
        {"mem read dram 0", 2,
            "MEMORY: 'dram' is not a memory of the board; it is one of SSRAM-0, SSRAM-1, SDRAM, EEPROM, EPCS, FLASH"},
        {"mem read sdram 4000000", 2, "ADDRESS: 4000000 is too large; the largest ADDRESS in SDRAM is 3FFFFFF"},
        {"mem read eeprom 0 0", 2, "COUNT: 0 is too small; the smallest COUNT is 1"},
        {"mem read eeprom 7FF 2", 2, "COUNT: 2 is too large; the largest COUNT from ADDRESS 7FF in EEPROM is 1"},
        {"mem write sdram 0 10000", 2, "WORD 1: 10000 is too large; the largest WORD 1 is FFFF"},
        {"mem write sdram 0 5 -1", 2, "WORD 2: '-1' is not a hex number"},
        {"mem write eeprom 7FF 1 2", 2, "WORD: 2 words from ADDRESS 7FF run past the end of EEPROM; 1 fits"},
        {"mem dump sdram x.bin --format elf", 2, "--format: 'elf' is none of bin, hex, ihex"},
        {"mem load sdram x.bin --erase", 2, "--erase: SDRAM has no erase; only FLASH and EPCS are erased"},
        {"mem verify sdram x.bin --start 4000000", 2, "--start: 4000000 is too large"},
        {"mem erase sdram", 2, "MEMORY: SDRAM has no erase"},
        {"configure /nonexistent/image.sof", 5, "IMAGE: cannot read '/nonexistent/image.sof'"},
        {"vga nosuch", 2, "PATTERN: 'nosuch' is neither a pattern's number (0-9) nor its name: 'Color Scale', 'Red',"},
        {"sd extra", 2, "not expected: extra"},
        {"hsmc extra", 2, "not expected: extra"},
        {"doctor extra", 2, "not expected: extra"},
        {"switches --rate 0 --watch", 2, "--rate: samples a second must lie between 0.1 and 1000"},
        {"keys --rate 2000", 2, "--rate: samples a second must lie between 0.1 and 1000"},
        {"gsensor --rate 0", 2, "--rate: samples a second must lie between 0.1 and 1000"},
        {"ir --rate 0", 2, "--rate: samples a second must lie between 0.1 and 1000"},
        {"ir --timeout -1", 2, "--timeout: seconds must lie between 0 and 86400"},
        {"rs232 receive --rate x", 2, "--rate: samples a second must lie between 0.1 and 1000"},
        {"rs232 send", 2, "TEXT is missing: the text"},
        {"rs232 term", 2, "rs232 term needs a terminal on standard input"},
        {"rs232 term extra", 2, "not expected: extra"},
        {"gsensor --csv --json", 2, "--csv and --json exclude each other"},
        {"selftest --only nosuch", 2, "--only: no test named \"nosuch\""},
        {"selftest --only sdram --skip sdram", 2, "--only and --skip leave no test to run"},
        {"selftest --interactive --only leds", 2, "--interactive: the tests a person watches need a terminal"},
        {"selftest --junit /nonexistent/report.xml", 5, "--junit: cannot create '/nonexistent/report.xml'"},
    };
    for (const TBadInput& input : inputs) {
        const clitest::TRun run = Vx5h(input.args);
        EXPECT_EQ(run.code, input.code) << input.args;
        EXPECT_NE(run.err.find(input.message), std::string::npos) << input.args << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << input.args;
        // Every usage error ends with the usage line of the command it concerns.
        if (input.code == 2) {
            EXPECT_EQ(run.err.substr(run.err.rfind('\n', run.err.size() - 2) + 1, 12), "Usage: vx5h ") << run.err;
        }
    }
    const json state = State();
    EXPECT_FALSE(state.at("configured").get<bool>()) << "the other design stays";
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
    EXPECT_EQ(Vx5h("--version").out, "vx5h " VX5H_VERSION "\n");

    // Bare vx5h is a usage error that shows what there is to type.
    const clitest::TRun bare = Vx5h("");
    EXPECT_EQ(bare.code, 2);
    EXPECT_EQ(bare.err.rfind("Usage: vx5h [OPTIONS] COMMAND\n", 0), 0u) << bare.err;
    EXPECT_NE(bare.err.find("\nCommands:\n  info "), std::string::npos) << bare.err;
}

// Every command's help names its arguments as its errors do, its rules and defaults in
// words, and nothing of the parser's own notation.
TEST_F(CliTest, EveryHelpSpeaksInTheCommandsOwnWords)
{
    const char* commands[] = {"", "info", "configure", "led", "seg7", "switches", "keys", "lcd", "mem", "mem read",
        "mem write", "mem dump", "mem load", "mem verify", "mem erase", "vga", "sd", "hsmc", "gsensor", "ir", "rs232",
        "rs232 send", "rs232 receive", "rs232 term", "doctor", "selftest", "trace", "trace show", "trace stats",
        "boards"};
    for (const char* command : commands) {
        const clitest::TRun run = Vx5h(std::string(command) + " --help");
        EXPECT_EQ(run.code, 0) << command;
        const std::string path = *command ? std::string("vx5h ") + command : "vx5h";
        EXPECT_EQ(run.out.rfind("Usage: " + path + " ", 0), 0u) << run.out;
        for (const char* parserWord : {"REQUIRED", "TEXT=", "TEXT ...", "FLOAT", "UINT", " INT", "=[]", "(1x)",
                 "POSITIONALS", "SUBCOMMAND", "Excludes:", "HELP", " in ["})
            EXPECT_EQ(run.out.find(parserWord), std::string::npos) << command << " says " << parserWord << ":\n"
                                                                   << run.out;
    }
    const std::string lcd = Vx5h("lcd --help").out;
    EXPECT_NE(lcd.find("Usage: vx5h lcd [OPTIONS] LINE0 [LINE1]\n"), std::string::npos) << lcd;
    EXPECT_NE(lcd.find("\n  LINE1 "), std::string::npos) << lcd;
    const std::string boards = Vx5h("boards --help").out;
    EXPECT_NE(boards.find("--budget SECONDS "), std::string::npos) << boards;
    EXPECT_NE(boards.find("(0.5 to 120; default 5)"), std::string::npos) << boards;
    EXPECT_NE(Vx5h("ir --help").out.find("(0.1 to 1000; default 10)"), std::string::npos);
}

} // namespace
