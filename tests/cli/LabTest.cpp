// A simulator serving a lab of boards: vx5h reaches each board by its cable name alone,
// and each board keeps its own state.
#include "CliHarness.h"

#include <cstdlib>

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
};

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

} // namespace
