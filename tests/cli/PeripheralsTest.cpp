// The peripheral commands of vx5h against the simulator: VGA, SD card, HSMC, G-sensor,
// IR and RS232, the watch modes and the interactive terminal.
#include "CliHarness.h"

#include <algorithm>
#include <chrono>

using clitest::CliTest;
using clitest::Vx5h;
using clitest::Vx5hWhile;
using nlohmann::json;

namespace {

struct TCase {
    const char* setup; // control command, or ""
    const char* args;
    int code;
    const char* out; // a part of standard output
    const char* err = ""; // a part of standard error
};

TEST_F(CliTest, PeripheralCommandsPrintAndExitAsTheBoardAnswers)
{
    const TCase cases[] = {
        {"", "vga", 0, "9 Composite-In\n"},
        {"", "vga 'red scale'", 0, ""},
        {"", "sd", 0, "File system: FAT32\nCID\n-Manufacturer ID:03h"},
        {"", "sd --json", 0, "\"file_system\":\"FAT32\""},
        // A field ends where its text does, without the blank the window's text has there.
        {"", "sd", 0, "-Read Access Time (NSAC):0 (x100 cycle)\n"},
        {"", "sd --json", 0, "\"-Read Access Time (NSAC):0 (x100 cycle)\","},
        {"sdcard remove", "sd", 3, ""},
        {"hsmc adapter", "hsmc", 0, "PASS\n"},
        {"hsmc fail 0x5 0x2", "hsmc", 1, "NG\nHSMC Test:NG\n<Transceiver Error:>\nHSMC Pin 27/25-28/26\n"},
        {"set gsensor -16384 8192 16384", "gsensor", 0, "X=-1000.0mg Y=-500.0mg Z=1000.0mg tiltX=45.0 tiltY=26.6\n"},
        {"", "gsensor --csv", 0, "x_mg,y_mg,z_mg,tilt_x_deg,tilt_y_deg\n-1000.0,-500.0,1000.0,45.0,26.6\n"},
        {"", "gsensor --json", 0,
            "{\"tilt_x_deg\":45.0,\"tilt_y_deg\":26.6,\"x_mg\":-1000.0,\"y_mg\":-500.0,\"z_mg\":1000.0}\n"},
        {"hsmc fail 0x5 0x2", "hsmc --json", 1, "\"report\":[\"HSMC Test:NG\",\"<Transceiver Error:>\","},
        {"", "vga --json", 0, "{\"patterns\":[{\"name\":\"Color Scale\",\"number\":0},"},
        {"", "vga nosuch", 2, ""},
        {"", "rs232 send 'hi there'", 0, ""},
        // Flash takes only what was erased: a write over a programmed word is no success.
        {"mem write flash 0x20 04 02", "mem write flash 10 0F0F", 3, "",
            "mem write: FLASH word 10 reads 0204, not 0F0F: programming cannot set bits that were not erased; erase "
            "first"},
        {"mem write flash 0x20 ff ff", "mem write flash 10 0F0F", 0, ""},
    };
    for (const TCase& c : cases) {
        if (*c.setup)
            sim->Ctl(c.setup);
        const clitest::TRun run = Vx5h(c.args);
        EXPECT_EQ(run.code, c.code) << c.args << ": " << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << c.args << ": " << run.out;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << c.args << ": " << run.err;
    }
    const json state = State();
    EXPECT_EQ(state.at("vga"), json({{"mode", 2}, {"pattern", 6}}));
    EXPECT_EQ(state.at("rs232_sent"), std::string("hi there", 8) + '\0');
}

struct TWatchCase {
    const char* args;
    const char* during; // shell words while it watches
    int code;
    const char* out;
};

TEST_F(CliTest, WatchesPrintWhatArrivesAndEndOnCtrlCOrABrokenLink)
{
    const TWatchCase cases[] = {
        {"switches --watch --rate 50", "CTL set switches 3; sleep 0.3; kill -INT $PID", 0,
            "00000 none\n00003 SW0 SW1\n"},
        // Keys by the label printed on them: 0x12 is the power key, 0x05 the key "5".
        {"ir --watch", "CTL ir 0x12 0x12; sleep 0.3; kill -INT $PID", 0,
            "12 key POWER (row 0, column 3)\n12 key POWER (row 0, column 3)\n"},
        {"ir --watch --csv", "CTL ir 0x0F 0x40; sleep 0.3; kill -INT $PID", 0, ",0F,A,0,0\n"},
        {"ir --watch --csv", "CTL ir 0x0F 0x40; sleep 0.3; kill -INT $PID", 0, ",40,,,\n"},
        {"ir --json", "CTL ir 0x05", 0, "{\"code\":5,\"column\":1,\"key\":\"5\",\"row\":2}\n"},
        {"ir", "CTL ir 0x05", 0, "05 key 5 (row 2, column 1)\n"},
        {"ir --csv", "CTL ir 0x1B", 0, "code,key,row,column\n1B,VOL+,3,3\n"},
        {"rs232 receive --timeout 2", "CTL rs232 from board", 0, "from board\n"},
        {"rs232 receive --watch", "CTL rs232 from board; sleep 0.3; kill -INT $PID", 0, "from board"},
        {"rs232 receive --watch --csv", "CTL rs232 'a,\"b'; sleep 0.3; kill -INT $PID", 0, ",\"a,\"\"b\"\n"},
        {"switches --watch --json --rate 20", "sleep 0.2; kill -INT $PID", 0, "\"switches\":3,\"time_s\":"},
        {"keys --watch --csv", "CTL unplug", 4, "time_s,keys\n"},
    };
    for (const TWatchCase& c : cases) {
        const std::string during = clitest::WithSimControl(c.during, *sim);
        const auto start = std::chrono::steady_clock::now();
        const clitest::TRun run = Vx5hWhile(c.args, 500, during);
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(run.code, c.code) << c.args << ": " << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << c.args << ": " << run.out;
        EXPECT_LT(seconds, 15.0) << c.args;
        sim->Ctl("plug");
    }
}

// --watch means one thing in every form: the first reading and each change of a state,
// each arrival of a receiver; CSV and JSON only add the time.
TEST_F(CliTest, AWatchPrintsTheSameReadingsAsTextCsvAndJson)
{
    struct TForm {
        const char* option;
        int headerLines;
    };
    const TForm forms[] = {{"", 0}, {" --csv", 1}, {" --json", 0}};
    const std::pair<const char*, const char*> watches[] = {
        {"keys --watch --rate 50", "sleep 0.3; CTL set keys 1; sleep 0.4; kill -INT $PID"},
        {"ir --watch --rate 50", "CTL ir 0x05 0x40; sleep 0.4; kill -INT $PID"},
    };
    for (const auto& [command, during] : watches)
        for (const TForm& form : forms) {
            sim->Ctl("set keys 0");
            const clitest::TRun run
                = Vx5hWhile(std::string(command) + form.option, 500, clitest::WithSimControl(during, *sim));
            EXPECT_EQ(run.code, 0) << command << form.option << ": " << run.err;
            const long lines = std::count(run.out.begin(), run.out.end(), '\n') - form.headerLines;
            EXPECT_EQ(lines, 2) << command << form.option << ":\n" << run.out;
        }
}

TEST_F(CliTest, TheTerminalSendsKeysUntilTheLeaveKeyAndRestoresTheTerminal)
{
    // On a terminal of its own (script), then the terminal's mode afterwards.
    const std::string program = "'" + testsupport::SimulatedBoard::BinFolder() + "vx5h'";
    const std::string out = testsupport::RunCommand(
        "(sleep 0.5; printf 'abc'; sleep 0.5; printf '\\035') | script -qec \"" + program
        + " rs232 term; echo exit=\\$?; stty -a\" /dev/null");
    EXPECT_NE(out.find("Ctrl-] leaves"), std::string::npos) << out;
    EXPECT_NE(out.find("exit=0"), std::string::npos) << out;
    EXPECT_NE(out.find(" icanon"), std::string::npos) << "line editing back: " << out;
    EXPECT_NE(out.find(" echo"), std::string::npos) << "echo back: " << out;
    EXPECT_EQ(State().at("rs232_sent"), "abc");
}

} // namespace
