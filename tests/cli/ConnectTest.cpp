// How vx5h reaches the board: configuring an FPGA that does not answer, leaving it alone
// when told to, and refusing a board another program holds.
#include "CliHarness.h"

#include "board/Board.h"
#include "platform/Paths.h"
#include "sim/BoardState.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using clitest::Vx5h;
using nlohmann::json;

namespace {

class ConfiguredBoard : public clitest::CliTest { };

class UnconfiguredBoard : public clitest::CliTest {
protected:
    UnconfiguredBoard() { configured = false; }
};

TEST_F(UnconfiguredBoard, NoConfigureLeavesTheFpgaAloneAndFailsWithTheLinkCode)
{
    const clitest::TRun run = Vx5h("--no-configure led 1");
    EXPECT_EQ(run.code, 4);
    EXPECT_NE(run.err.find("FPGA is not configured"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--no-configure leaves its FPGA unconfigured"), std::string::npos) << run.err;
    EXPECT_FALSE(State().at("configured").get<bool>());
}

TEST_F(UnconfiguredBoard, ConnectingConfiguresTheFpgaAsThePanelDoes)
{
    const clitest::TRun run = Vx5h("led 2A");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.err.find("Configured the FPGA with VX5h_260_ControlPanel.sof"), std::string::npos) << run.err;
    const json state = State();
    EXPECT_TRUE(state.at("configured").get<bool>());
    EXPECT_EQ(state.at("leds"), 0x2A);
}

std::size_t Occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// What is no image is refused as a file, with its reason said once, and the FPGA stays
// as it was; the program folder's image configures it.
TEST_F(UnconfiguredBoard, ConfigureRefusesWhatIsNoImageOnceAndLoadsTheImage)
{
    char pattern[] = "/tmp/vx5h-image-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    std::ofstream(folder + "/text.sof") << "not an image";
    std::ofstream(folder + "/image.bin", std::ios::binary) << std::string("\x9c\x01\xf7\x42\x00\xe3\x5b\x10", 8);
    const struct {
        std::string image;
        std::string reason; // said once on standard error
    } cases[] = {
        {"/nonexistent/image.sof", "IMAGE: cannot read '/nonexistent/image.sof': No such file or directory"},
        {folder, "IMAGE: '" + folder + "' is not a regular file"},
        {"/dev/zero", "IMAGE: '/dev/zero' is not a regular file"},
        {folder + "/text.sof", "for a real board's FPGA"},
        // Random bytes by another name are neither the simulated board's image nor a real one's.
        {folder + "/image.bin", "This file is no configuration image: it is neither the simulated board's"},
    };
    for (const auto& c : cases) {
        const clitest::TRun run = Vx5h("configure '" + c.image + "'");
        EXPECT_EQ(run.code, 5) << c.image << ": " << run.err;
        EXPECT_EQ(Occurrences(run.err, c.reason), 1u) << c.image << ": " << run.err;
        EXPECT_FALSE(State().at("configured").get<bool>()) << c.image;
    }
    std::filesystem::remove_all(folder);

    const clitest::TRun run = Vx5h("-q configure");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << "--quiet: " << run.err;
    EXPECT_TRUE(State().at("configured").get<bool>());
}

// Neither a command nor a configuration reaches a board that another program holds.
TEST_F(ConfiguredBoard, ABoardHeldByAnotherProgramIsRefusedWithTheLinkCode)
{
    platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
    TBoard panel;
    std::string error;
    ASSERT_TRUE(panel.Connect(error, 0)) << error;
    ASSERT_TRUE(panel.SetLed(5));
    for (const char* command : {"led 1", "configure"}) {
        const clitest::TRun run = Vx5h(command);
        EXPECT_EQ(run.code, 4) << command;
        EXPECT_NE(run.err.find("The board is in use by another program"), std::string::npos) << run.err;
    }
    panel.Disconnect();
    platform::OverrideExecutableFolder(std::nullopt);
    EXPECT_EQ(State().at("leds"), 5) << "no frame of vx5h reached the board, nor did a configuration";
}

TEST_F(ConfiguredBoard, AnUnpluggedCableGivesTheLinkCode)
{
    sim->Ctl("unplug");
    const clitest::TRun run = Vx5h("switches");
    EXPECT_EQ(run.code, 4);
    EXPECT_NE(run.err.find("no board"), std::string::npos) << run.err;
}

TEST_F(ConfiguredBoard, ACableNamedInTheEnvironmentIsNeverReplacedByTheSimulator)
{
    ::setenv("VX5H_CABLE", "5", 1);
    const clitest::TRun run = Vx5h("led 1");
    ::unsetenv("VX5H_CABLE");
    EXPECT_EQ(run.code, 4);
    EXPECT_NE(run.err.find("needs the vendor's JTAG libraries"), std::string::npos) << run.err;
    EXPECT_EQ(State().at("leds"), sim::START_LEDS) << "as the firmware started";
}

#ifdef VX5H_FAKE_QUARTUS
// Ctrl-C while the vendor's programmer hangs ends it (and what it started) at once, and
// vx5h with the code a shell expects of Ctrl-C, not after the programmer's whole budget.
TEST_F(UnconfiguredBoard, CtrlCDuringConfigureEndsAHungProgrammerAtOnce)
{
    const std::pair<const char*, const char*> environment[]
        = {{"QUARTUS_ROOTDIR", VX5H_FAKE_QUARTUS}, {"VX5H_CABLE", "1"}, {"FAKE_PGM_HANG", "1"}};
    for (const auto& [name, value] : environment)
        ::setenv(name, value, 1);
    const auto start = std::chrono::steady_clock::now();
    const clitest::TRun run
        = clitest::Vx5hWhile("configure " VX5H_FAKE_QUARTUS "/board/VX5h_260_ControlPanel.sof", 1500, "kill -INT $PID");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const auto& [name, value] : environment)
        ::unsetenv(name);
    EXPECT_EQ(run.code, 130) << run.err;
    EXPECT_NE(run.err.find("configure stopped with Ctrl-C"), std::string::npos) << run.err;
    EXPECT_LT(seconds, 5.0);
}

// With the vendor's tools installed a real cable is there to be found; VX5H_CABLE=sim is
// the user's choice all the same, for a command and for doctor's board check alike.
TEST_F(ConfiguredBoard, VX5H_CABLEChoosesTheBoardWhenCableIsNotGiven)
{
    const struct {
        const char* command;
        const char* shows;
    } cases[] = {
        {"info", "simulator  yes"},
        {"doctor", "OK    board: USB-Blaster [VX5h-260 simulator] answers"},
    };
    for (const auto& c : cases) {
        int code = -1;
        const std::string out = testsupport::RunCommand("QUARTUS_ROOTDIR='" VX5H_FAKE_QUARTUS "' VX5H_CABLE=sim '"
                + testsupport::SimulatedBoard::BinFolder() + "vx5h' " + c.command + " 2>&1",
            &code);
        EXPECT_EQ(code, 0) << c.command << "\n" << out;
        EXPECT_NE(out.find(c.shows), std::string::npos) << c.command << "\n" << out;
    }
}
#endif

} // namespace
