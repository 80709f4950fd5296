// A simulator serving a lab of boards: vx5h reaches each board by its cable name alone,
// each board keeps its own state, and a command on all of them fails only where a board
// does.
#include "CliHarness.h"
#include "sim/BoardState.h"

#include "board/Board.h"
#include "platform/Paths.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

using clitest::Vx5h;
using nlohmann::json;

namespace {

class LabOfThree : public clitest::CliTest {
protected:
    void SetUp() override
    {
        ::setenv("VX5H_SIM_BOARDS", "3", 1);
        CliTest::SetUp();
        ::unsetenv("VX5H_SIM_BOARDS");
    }
    json StateOf(const std::string& board) const { return json::parse(sim->Ctl("--board " + board + " state")); }
    std::string Folder() const
    {
        const auto folder = std::filesystem::temp_directory_path() / ("vx5h-lab-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        return folder.string();
    }
    void TearDown() override
    {
        std::filesystem::remove_all(Folder());
        CliTest::TearDown();
    }
};

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The <testsuite ...> opening tags of a JUnit file, one per board.
std::vector<std::string> SuiteTags(const std::string& xml)
{
    std::vector<std::string> tags;
    for (std::size_t at = xml.find("<testsuite "); at != std::string::npos; at = xml.find("<testsuite ", at + 1))
        tags.push_back(xml.substr(at, xml.find('>', at) - at));
    return tags;
}

TEST_F(LabOfThree, EachBoardIsReachedByItsNameAndKeepsItsOwnState)
{
    EXPECT_EQ(sim->Ctl("boards"), "sim\nsim-2\nsim-3\n");
    const struct {
        const char* cable;
        const char* hex;
        int leds;
    } boards[] = {{"sim", "11", 0x11}, {"sim-2", "22", 0x22}, {"sim-3", "33", 0x33}};
    for (const auto& board : boards) {
        const clitest::TRun run = Vx5h(std::string("--cable ") + board.cable + " led " + board.hex);
        EXPECT_EQ(run.code, 0) << board.cable << ": " << run.err;
        const clitest::TRun info = Vx5h(std::string("--cable ") + board.cable + " info --json");
        EXPECT_EQ(info.code, 0) << info.err;
        EXPECT_NE(info.out.find("simulator"), std::string::npos) << info.out;
    }
    for (const auto& board : boards) {
        const json state = StateOf(board.cable);
        EXPECT_TRUE(state.at("configured").get<bool>()) << board.cable;
        EXPECT_EQ(state.at("leds"), board.leds) << board.cable;
    }
}

TEST_F(LabOfThree, ABoardTheLabDoesNotHaveIsNoCable)
{
    const clitest::TRun run = Vx5h("--cable sim-7 info");
    EXPECT_EQ(run.code, 4);
    EXPECT_NE(run.err.find("sim to sim-3"), std::string::npos) << run.err;
    bool ok = true;
    sim->Ctl("--board sim-9 state", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(StateOf("sim-2").at("leds"), 0); // untouched by the others' work
}

// One board configured, one with an unconfigured FPGA, one whose replies hang: each is
// listed as it is, and the hung one costs its own budget only.
TEST_F(LabOfThree, BoardsListsEachCableAndAHungOneCostsOnlyItsBudget)
{
    ASSERT_EQ(Vx5h("-q --cable sim-3 configure").code, 0);
    sim->Ctl("--board sim-3 fault stall 30000 100");
    const auto start = std::chrono::steady_clock::now();
    const clitest::TRun run = Vx5h("boards --json --budget 1");
    const double seconds = SecondsSince(start);
    ASSERT_EQ(run.code, 0) << run.err;
    const json found = json::parse(run.out);
    ASSERT_EQ(found.size(), 3u) << run.out;
    const struct {
        const char* cable;
        bool answers;
        json image;
    } expected[] = {{"sim", true, true}, {"sim-2", false, false}, {"sim-3", false, nullptr}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(found[i]["cable"], expected[i].cable);
        EXPECT_EQ(found[i]["where"], "simulated");
        EXPECT_EQ(found[i]["answers"], expected[i].answers) << found[i];
        EXPECT_EQ(found[i]["image"], expected[i].image) << found[i];
    }
    EXPECT_NE(found[2]["detail"].get<std::string>().find("no answer within 1.0 s"), std::string::npos);
    EXPECT_LT(seconds, 1.0 + 1.5) << "the hung board's budget, not the sum of all";
    EXPECT_FALSE(StateOf("sim-2").at("configured").get<bool>()) << "listing configures nothing";
    const clitest::TRun table = Vx5h("boards --budget 1");
    EXPECT_NE(table.out.find("sim-2  simulated  no     no"), std::string::npos) << table.out;
}

// Each board gets the command; a memory fault or a cable pulled mid-load fails that
// board's part alone, with its own exit code, and the worst one is vx5h's.
TEST_F(LabOfThree, ACommandOnEveryBoardFailsOnlyWhereABoardDoes)
{
    ASSERT_EQ(Vx5h("-q --cable all configure").code, 0);
    const clitest::TRun leds = Vx5h("--cable all led 0x15");
    EXPECT_EQ(leds.code, 0) << leds.err;
    for (const char* board : {"sim", "sim-2", "sim-3"})
        EXPECT_EQ(StateOf(board).at("leds"), 0x15) << board;
    const clitest::TRun two = Vx5h("--cable sim,sim-3 --json seg7 12345678");
    EXPECT_EQ(two.code, 0) << two.err;
    EXPECT_EQ(json::parse(two.out).size(), 2u) << two.out;
    EXPECT_EQ(StateOf("sim").at("seg7"), 0x12345678);
    EXPECT_EQ(StateOf("sim-2").at("seg7"), sim::START_SEG7) << "a board left out of the list is left alone";

    const std::string file = Folder() + "/big.bin";
    {
        std::ofstream(file, std::ios::binary) << std::string(2u << 20, '\x5a');
    }
    sim->Ctl("--board sim-2 link 1000000 0");
    const clitest::TRun load = clitest::Vx5hWhile(
        "--cable all --json mem load sdram " + file, 700, clitest::WithSimControl("CTL --board sim-2 unplug", *sim));
    EXPECT_EQ(load.code, 4) << load.err;
    const json loaded = json::parse(load.out);
    EXPECT_EQ(loaded["sim"]["exit"], 0);
    EXPECT_EQ(loaded["sim-3"]["exit"], 0);
    EXPECT_EQ(loaded["sim-2"]["exit"], 4);
    EXPECT_NE(loaded["sim-2"]["errors"].get<std::string>().find("the link failed"), std::string::npos) << loaded;
    sim->Ctl("--board sim-2 plug");
    EXPECT_EQ(Vx5h("--cable sim,sim-3 mem verify sdram " + file).code, 0) << "the others' loads are whole";

    sim->Ctl("--board sim-3 mem fault sdram data 3 0");
    const std::string junit = Folder() + "/lab.xml";
    const clitest::TRun test = Vx5h("--cable all selftest --only sdram --junit " + junit);
    EXPECT_EQ(test.code, 1) << test.err;
    EXPECT_NE(test.out.find("== sim-3 (exit 1) =="), std::string::npos) << test.out;
    EXPECT_NE(test.out.find("== sim-2 ==\n"), std::string::npos) << test.out;
    const std::vector<std::string> suites = SuiteTags(Slurp(junit));
    ASSERT_EQ(suites.size(), 3u) << Slurp(junit);
    EXPECT_NE(suites[2].find(": sim-3\""), std::string::npos) << suites[2];
    EXPECT_NE(suites[2].find("failures=\"1\""), std::string::npos) << suites[2];
    EXPECT_NE(suites[0].find("failures=\"0\""), std::string::npos) << suites[0];
}

// The lab's JUnit file is read by CI tools: it must be XML, and JUnit's, whatever the cables
// are called. A cable with markup, control characters, a byte that is not UTF-8 and a
// character XML has no place for gets its suite all the same, its name escaped.
TEST_F(LabOfThree, TheLabsJunitFileIsValidWhateverTheCablesAreCalled)
{
    const std::string junit = Folder() + "/lab.xml";
    const clitest::TRun test = Vx5h("--cable \"sim,sim-2,$(printf 'lab<&\"\\047\\001\\033[31m\\377\\357\\277\\277')\" "
                                    "selftest --only gsensor --junit "
        + junit);
    EXPECT_EQ(test.code, 4) << test.err << "the third cable is no board";
    const clitest::TRun checked = clitest::CheckJunit(junit);
    ASSERT_EQ(checked.code, 0) << checked.out << Slurp(junit);
    const json suites = json::parse(checked.out);
    ASSERT_EQ(suites.size(), 3u) << checked.out;
    const std::string host = suites[0].at("hostname");
    EXPECT_EQ(suites[0].at("name"), host + ": sim");
    EXPECT_EQ(suites[1].at("name"), host + ": sim-2");
    EXPECT_EQ(suites[1].at("failures"), "0");
    EXPECT_EQ(suites[2].at("name"), host + ": lab<&\"'\\x01\\x1b[31m\\xff\\xef\\xbf\\xbf");
    EXPECT_EQ(suites[2].at("errors"), "1");
}

// Ctrl-C reaches every board's selftest, and each puts its EEPROM's contents back.
TEST_F(LabOfThree, CtrlCDuringASelftestOfEveryBoardRestoresEachEeprom)
{
    ASSERT_EQ(Vx5h("-q --cable all configure").code, 0);
    for (const char* board : {"sim", "sim-2", "sim-3"}) {
        ASSERT_EQ(Vx5h(std::string("-q --cable ") + board + " mem write eeprom 0 1234 5678").code, 0);
        sim->Ctl(std::string("--board ") + board + " link 4096 1.5"); // seconds for the EEPROM's test
    }
    const std::string junit = Folder() + "/stopped.xml";
    const clitest::TRun run
        = clitest::Vx5hWhile("--cable all selftest --only eeprom --junit " + junit, 1200, "kill -INT $PID");
    EXPECT_EQ(run.code, 130) << run.err;
    EXPECT_EQ(SuiteTags(Slurp(junit)).size(), 3u);
    for (const char* board : {"sim", "sim-2", "sim-3"}) {
        sim->Ctl(std::string("--board ") + board + " link 0 0");
        const clitest::TRun read = Vx5h(std::string("--cable ") + board + " mem read eeprom 0 2");
        EXPECT_EQ(read.out, "00000000: 1234 5678\n") << board << ": " << read.err;
    }
}

// A second Ctrl-C ends every board's work at once, while it still tidies up, and vx5h
// with it: no board's vx5h is left running on its own.
TEST_F(LabOfThree, ASecondCtrlCEndsEveryBoardsWorkWithIt)
{
    ASSERT_EQ(Vx5h("-q --cable all configure").code, 0);
    for (const char* board : {"sim", "sim-2", "sim-3"})
        sim->Ctl(std::string("--board ") + board + " link 2048 1.5"); // seconds to test and to restore
    const auto start = std::chrono::steady_clock::now();
    const clitest::TRun run
        = clitest::Vx5hWhile("--cable all selftest --only eeprom", 1200, "kill -INT $PID; sleep 0.3; kill -INT $PID");
    EXPECT_EQ(run.code, 130) << run.err;
    EXPECT_LT(SecondsSince(start), 3.5) << "the boards' tidying was not waited for";
    EXPECT_EQ(clitest::RunningVx5h(sim->SocketPath()), 0u) << "a board's vx5h was left running";
}

// A closed terminal (SIGHUP) or SIGTERM reaches vx5h alone, not each board's own group:
// each is handed on to every board's work, which ends tidily, and none is left running.
TEST_F(LabOfThree, AHangUpOrATerminationEndsEveryBoardsWork)
{
    const std::string file = Folder() + "/big.bin";
    std::ofstream(file, std::ios::binary) << std::string(4u << 20, '\x5a');
    for (const char* signal : {"HUP", "TERM"}) {
        for (const char* board : {"sim", "sim-2"})
            sim->Ctl(std::string("--board ") + board + " link 500000 0"); // seconds for the load
        const clitest::TRun run = clitest::Vx5hWhile(
            "-q --cable sim,sim-2 mem load sdram " + file, 700, std::string("kill -") + signal + " $PID");
        EXPECT_EQ(run.code, 130) << signal << ": " << run.err;
        EXPECT_EQ(clitest::RunningVx5h(sim->SocketPath()), 0u) << signal << ": a board's vx5h was left running";
        for (const char* board : {"sim", "sim-2"}) {
            sim->Ctl(std::string("--board ") + board + " link 0 0");
            EXPECT_EQ(Vx5h(std::string("--cable ") + board + " led 1").code, 0) << signal << ", " << board;
        }
    }
}

// What each board's vx5h says on standard error carries its cable, so that two boards
// that fail alike tell which said what; configuring a board on the way is said so too.
TEST_F(LabOfThree, EachLineABoardSaysCarriesItsCable)
{
    const std::string file = Folder() + "/eeprom.bin";
    {
        std::ofstream(file, std::ios::binary) << std::string(4096, '\x5a');
    }
    ASSERT_EQ(Vx5h("-q --cable sim mem load eeprom " + file).code, 0);
    const clitest::TRun run = Vx5h("--cable all mem verify eeprom " + file);
    EXPECT_EQ(run.code, 1) << run.err;
    for (const char* said : {"vx5h: sim-2: EEPROM differs from", "vx5h: sim-3: EEPROM differs from",
             "sim-2: Configured the FPGA with", "sim-3: Configured the FPGA with"})
        EXPECT_NE(run.err.find(said), std::string::npos) << said << " in\n" << run.err;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(line.rfind("vx5h: sim", 0) == 0 || line.rfind("sim", 0) == 0) << line;
}

// A cable another program holds has a board: it is listed as there, with who holds it.
TEST_F(LabOfThree, ABoardAnotherProgramHoldsIsListedWithItsHolder)
{
    ASSERT_EQ(Vx5h("-q --cable sim-2 configure").code, 0);
    platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
    TBoard panel;
    panel.SetCable("sim-2");
    std::string error;
    ASSERT_TRUE(panel.Connect(error, 0)) << error;
    const std::string holder = "cli_tests (pid " + std::to_string(::getpid()) + ")";
    const clitest::TRun run = Vx5h("boards --json --budget 3");
    const clitest::TRun table = Vx5h("boards --budget 3");
    panel.Disconnect();
    platform::OverrideExecutableFolder(std::nullopt);
    const json found = json::parse(run.out);
    ASSERT_EQ(found.size(), 3u) << run.out;
    EXPECT_EQ(found[1]["answers"], true) << found[1];
    EXPECT_EQ(found[1]["in_use"], true) << found[1];
    EXPECT_EQ(found[1]["held_by"], holder) << found[1];
    EXPECT_NE(table.out.find("sim-2  simulated  yes    -      " + holder), std::string::npos) << table.out;
}

TEST_F(LabOfThree, WhatSeveralBoardsCannotShareIsAUsageError)
{
    const struct {
        const char* args;
        const char* why;
    } refusals[] = {
        {"--cable all mem read sdram 0 4", "not with 'mem read'"},
        {"--cable all --trace x.vxt info", "a transcript records one board's link"},
        {"--cable sim,sim-2 selftest --interactive", "needs a person at each board"},
        {"--cable all mem load sdram -", "standard input can feed one board"},
    };
    for (const auto& refusal : refusals) {
        const clitest::TRun run = Vx5h(refusal.args);
        EXPECT_EQ(run.code, 2) << refusal.args;
        EXPECT_NE(run.err.find(refusal.why), std::string::npos) << run.err;
    }
}

#ifdef VX5H_FAKE_QUARTUS
// The vendor's stand-in serves the lab's boards as one local and two remote cables, named
// as jtagconfig names them: spaces, colons and brackets reach the library and the
// programmer intact, and a remote cable one program holds is "in use" to another.
TEST_F(LabOfThree, RemoteCableNamesReachTheLibraryAndTheProgrammerIntact)
{
    const std::string remote = "USB-BlasterII on labhost:1310 [3-1.4.1]";
    const std::string log = Folder() + "/vendor.log";
    const std::pair<const char*, std::string> environment[] = {{"QUARTUS_ROOTDIR", VX5H_FAKE_QUARTUS},
        {"FAKE_ATLANTIC", "cables=USB-Blaster [1-1]|USB-Blaster on labhost [1-1]|" + remote},
        {"FAKE_VENDOR_LOG", log}};
    for (const auto& [name, value] : environment)
        ::setenv(name, value.c_str(), 1);
    const clitest::TRun configured
        = Vx5h("--cable '" + remote + "' configure " VX5H_FAKE_QUARTUS "/board/VX5h_260_ControlPanel.sof");
    EXPECT_EQ(configured.code, 0) << configured.err;
    EXPECT_NE(Slurp(log).find("quartus_pgm\n-c\n" + remote + "\n-m\nJTAG\n"), std::string::npos) << Slurp(log);
    const clitest::TRun led = Vx5h("--cable '" + remote + "' led 7");
    EXPECT_EQ(led.code, 0) << led.err;
    EXPECT_EQ(StateOf("sim-3").at("leds"), 7);
    EXPECT_EQ(StateOf("sim-2").at("leds"), 0);

    const std::string second = Folder() + "/second.txt";
    clitest::Vx5hWhile("--cable '" + remote + "' ir --watch", 800,
        "'" + testsupport::SimulatedBoard::BinFolder() + "vx5h' --cable '" + remote + "' info >'" + second
            + "' 2>&1; echo \"exit $?\" >>'" + second + "'; kill -INT $PID");
    EXPECT_NE(Slurp(second).find("in use by another program"), std::string::npos) << Slurp(second);
    EXPECT_NE(Slurp(second).find("exit 4"), std::string::npos) << Slurp(second);

    const clitest::TRun boards = Vx5h("boards --json --budget 3");
    const json found = json::parse(boards.out);
    std::map<std::string, std::string> where;
    for (const json& cable : found)
        where[cable["cable"]] = cable["where"];
    EXPECT_EQ(where["USB-Blaster [1-1]"], "local");
    EXPECT_EQ(where["USB-Blaster on labhost [1-1]"], "remote");
    EXPECT_EQ(where[remote], "remote");
    EXPECT_EQ(where["sim-3"], "simulated");
    for (const auto& entry : environment)
        ::unsetenv(entry.first);
}

// A cable whose name is not UTF-8 is listed like any other: its board answers, and the
// JSON and the table carry the name escaped (a raw byte such as 0x9B is a terminal's CSI).
TEST_F(LabOfThree, BoardsListsACableWhoseNameIsNotUtf8LikeAnyOther)
{
    ::setenv("QUARTUS_ROOTDIR", VX5H_FAKE_QUARTUS, 1);
    ::setenv("FAKE_ATLANTIC", "cables=Caf\xe9 [2-1]", 1);
    const clitest::TRun run = Vx5h("boards --json --budget 3");
    const clitest::TRun table = Vx5h("boards --budget 3");
    ::unsetenv("QUARTUS_ROOTDIR");
    ::unsetenv("FAKE_ATLANTIC");
    json latin1;
    for (const json& cable : json::parse(run.out))
        if (cable["cable"] == "Caf\\xe9 [2-1]")
            latin1 = cable;
    ASSERT_TRUE(latin1.is_object()) << run.out;
    EXPECT_EQ(latin1["answers"], true) << run.out;
    EXPECT_EQ(latin1["where"], "local") << run.out;
    std::istringstream lines(table.out);
    std::string line;
    while (std::getline(lines, line) && line.rfind("Caf\\xe9 [2-1]", 0) != 0) { }
    EXPECT_NE(line.find(" yes "), std::string::npos) << table.out;
}

// A remote server names its cable as it likes: its escape sequences (a window title, a
// cleared screen) reach the terminal escaped, as trace show shows them, wherever vx5h
// prints the name.
TEST_F(LabOfThree, ACableNameFromAServerReachesTheTerminalEscaped)
{
    const std::string hostile = "USB-Blaster on evil\x1b]0;pwned\x07\x1b[2J [1-1]";
    const std::string shown = "USB-Blaster on evil\\x1b]0;pwned\\x07\\x1b[2J [1-1]";
    ::setenv("QUARTUS_ROOTDIR", VX5H_FAKE_QUARTUS, 1);
    ::setenv("FAKE_ATLANTIC", ("cables=USB-Blaster [1-1]|USB-Blaster on labhost [1-1]|" + hostile).c_str(), 1);
    const clitest::TRun configured
        = Vx5h("--cable '" + hostile + "' configure " VX5H_FAKE_QUARTUS "/board/VX5h_260_ControlPanel.sof");
    ASSERT_EQ(configured.code, 0) << configured.err;
    for (const std::string& args : {std::string("boards --budget 3"), "--cable '" + hostile + "' info",
             std::string("--cable all info"), "--cable '" + hostile + "' doctor"}) {
        const clitest::TRun run = Vx5h(args);
        const std::string said = run.out + run.err;
        EXPECT_EQ(said.find_first_of("\x1b\x07"), std::string::npos) << args << "\n" << said;
        EXPECT_NE(said.find(shown), std::string::npos) << args << "\n" << said;
    }
    ::unsetenv("QUARTUS_ROOTDIR");
    ::unsetenv("FAKE_ATLANTIC");
}

// The link's record holds 52 bytes of a cable's name: a longer name asked for is shown
// whole, and the library's own choice is cut between characters, never inside one.
TEST_F(LabOfThree, ALongCableNameIsShownWholeOrCutBetweenCharacters)
{
    const std::string name = "USB-Blaster on bench-07.hardware-lab.example-corpo\xc3\xa9 [3-1.4.2]";
    ::setenv("QUARTUS_ROOTDIR", VX5H_FAKE_QUARTUS, 1);
    ::setenv("FAKE_ATLANTIC", ("cable=" + name).c_str(), 1);
    EXPECT_EQ(json::parse(Vx5h("--cable '" + name + "' info --json").out).at("link"), name);
    EXPECT_EQ(json::parse(Vx5h("info --json").out).at("link"), name.substr(0, 50));
    ::unsetenv("QUARTUS_ROOTDIR");
    ::unsetenv("FAKE_ATLANTIC");
}
#endif

} // namespace
