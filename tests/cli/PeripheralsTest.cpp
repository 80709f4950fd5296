// The peripheral commands of vx5h against the simulator: VGA, SD card, HSMC, G-sensor,
// IR and RS232, the watch modes and the interactive terminal.
#include "CliHarness.h"

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
};

TEST_F(CliTest, PeripheralCommandsPrintAndExitAsTheBoardAnswers)
{
    const TCase cases[] = {
        {"", "vga", 0, "9 Composite-In\n"},
        {"", "vga 'red scale'", 0, ""},
        {"", "sd", 0, "File system: FAT32\nCID\n-Manufacturer ID:03h"},
        {"sdcard remove", "sd", 3, ""},
        {"hsmc adapter", "hsmc", 0, "PASS\n"},
        {"hsmc fail 0x5 0x2", "hsmc", 1, "NG\nHSMC Test:NG\n<Transceiver Error:>\nHSMC Pin 27/25-28/26\n"},
        {"set gsensor -16384 8192 16384", "gsensor", 0, "X=-1000.0mg Y=-500.0mg Z=1000.0mg tiltX=45.0 tiltY=26.6\n"},
        {"", "gsensor --csv", 0, "x_mg,y_mg,z_mg,tilt_x_deg,tilt_y_deg\n-1000.0,-500.0,1000.0,45.0,26.6\n"},
        {"", "vga nosuch", 2, ""},
        {"", "rs232 send 'hi there'", 0, ""},
    };
    for (const TCase& c : cases) {
        if (*c.setup)
            sim->Ctl(c.setup);
        const clitest::TRun run = Vx5h(c.args);
        EXPECT_EQ(run.code, c.code) << c.args << ": " << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << c.args << ": " << run.out;
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
        {"switches --watch --rate 50", "CTL set switches 3; sleep 0.3; kill -INT $PID", 0, "00000 none\n00003 SW0 SW1\n"},
        {"ir --watch", "CTL ir 0x12 0x0F; sleep 0.3; kill -INT $PID", 0, "12"},
        {"rs232 receive --watch", "CTL rs232 from board; sleep 0.3; kill -INT $PID", 0, "from board"},
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
