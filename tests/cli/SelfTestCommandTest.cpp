// vx5h selftest as a script runs it: its exit code, its reports, its refusals.
#include "CliHarness.h"

#include <cstdio>
#include <fstream>
#include <sstream>

using clitest::CliTest;
using clitest::Vx5h;
using nlohmann::json;

TEST_F(CliTest, SelfTestExitCodeAndReportsTellAGoodBoardFromABadOne)
{
    const std::string junit = sim->SocketPath() + ".junit.xml";
    struct Case {
        const char* setup; // control command before the run
        const char* args;
        int code;
        const char* out; // in standard output
    };
    const Case cases[] = {
        {"hsmc adapter", "selftest --only sdram,hsmc --skip sdram.device --json --junit ", 0, "\"passed\":true"},
        {"mem fault sdram data 13 0", "selftest --only=sdram.data-bus,gsensor", 1, "FAIL  sdram.data-bus"},
        {"mem fault sdram none", "selftest --only flash", 2, "SKIP  flash"}, // nothing ran: no pass
        {"mem fault eeprom data 3 1", "selftest --only eeprom", 1, "EEPROM data line 3 stuck at 1"},
        {"hsmc adapter", "selftest --only hsmc,ssram", 2, ""},
        {"unplug", "selftest --only sdram", 4, ""},
    };
    for (const Case& c : cases) {
        sim->Ctl(c.setup);
        std::string args = c.args;
        if (args.back() == ' ')
            args += junit;
        const clitest::TRun run = Vx5h(args);
        EXPECT_EQ(run.code, c.code) << args << ": " << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << args << ": " << run.out;
    }
    sim->Ctl("mem fault eeprom none");
    sim->Ctl("plug");
    EXPECT_NE(Vx5h("selftest --only hsmc,ssram").err.find("--only: no test named \"ssram\""), std::string::npos);

    // Reports of several boards say which cable, and which program, made them.
    const clitest::TRun run = Vx5h("--cable sim selftest --only gsensor --json");
    ASSERT_EQ(run.code, 0) << run.err;
    const json report = json::parse(run.out);
    EXPECT_EQ(report.at("cable"), "sim");
    EXPECT_EQ(report.at("version"), VX5H_VERSION);
    EXPECT_EQ(report.at("options").at("only"), json::array({"gsensor"}));

    std::ifstream file(junit);
    std::stringstream xml;
    xml << file.rdbuf();
    EXPECT_NE(xml.str().find("<testsuites name=\"vx5h selftest\" tests=\"3\" failures=\"0\" errors=\"0\""),
        std::string::npos)
        << xml.str();
    EXPECT_NE(xml.str().find("<property name=\"version\" value=\"" VX5H_VERSION "\"/>"), std::string::npos);
    const clitest::TRun checked = clitest::CheckJunit(junit);
    EXPECT_EQ(checked.code, 0) << checked.out << xml.str();
    std::remove(junit.c_str());
}
