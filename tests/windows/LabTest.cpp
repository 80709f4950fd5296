// The simulated lab on Windows, under wine: vx5h-board-sim --daemon --boards 3 serves sim,
// sim-2 and sim-3, each on a named pipe of its own with the same access list; vx5h reaches
// each by its name, lists them, and a command on all of them fails only where a board does.
#include "platform/LocalPipe.h"
#include "platform/Process.h"
#include "sim/Endpoint.h"
#include "sim/Lab.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <algorithm>
#include <sddl.h>
#include <string>
#include <vector>

namespace {

std::string Bin()
{
    std::string folder = std::string("Z:") + VX5H_TEST_BIN_DIR + "/";
    std::replace(folder.begin(), folder.end(), '/', '\\');
    return folder;
}

// The access list of the pipe `name`, as SDDL text; empty when it cannot be read.
std::string AccessList(const std::string& name)
{
    HANDLE pipe = ::CreateFileA(name.c_str(), READ_CONTROL, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return {};
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::string text;
    char* sddl = nullptr;
    if (::GetSecurityInfo(
            pipe, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &descriptor)
            == ERROR_SUCCESS
        && ::ConvertSecurityDescriptorToStringSecurityDescriptorA(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &sddl, nullptr)) {
        text = sddl;
        ::LocalFree(sddl);
    }
    ::LocalFree(descriptor);
    ::CloseHandle(pipe);
    return text;
}

class LabOfThree : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = "vx5h-lab-" + std::to_string(::GetCurrentProcessId());
        _putenv_s("VX5H_SIM_SOCKET", name.c_str());
        _putenv_s("VX5H_SIM_IDLE_EXIT", "120"); // a crashed test's lab goes by itself
        // Started as a user starts it; it must come back at once, holding none of our output.
        const platform::TProgramRun lab = Run({Bin() + "vx5h-board-sim.exe", "--daemon", "--boards", "3"}, 20000);
        ASSERT_TRUE(lab.Succeeded()) << lab.output;
        // vx5h.exe loaded once before three of it start at the same moment: wine may answer
        // a program's first loads side by side with "could not be started".
        Vx5h({"--version"});
    }
    void TearDown() override { Ctl({"quit"}); }

    static platform::TProgramRun Run(const std::vector<std::string>& args, std::uint32_t budgetMs = 60000)
    {
        return platform::RunProgram(args, budgetMs);
    }
    static platform::TProgramRun Vx5h(std::vector<std::string> args)
    {
        args.insert(args.begin(), Bin() + "vx5h.exe");
        return Run(args);
    }
    static std::string Ctl(const std::vector<std::string>& args, const std::string& board = "sim")
    {
        sim::ControlReply reply;
        const std::string pipe = sim::BoardSocketPath(sim::SocketPath(), sim::BoardOfCable(board));
        return sim::SendControl(pipe, args, reply, 10000) ? reply.text : "(no answer)";
    }
    static bool StateHas(const std::string& board, const std::string& part)
    {
        return Ctl({"state"}, board).find(part) != std::string::npos;
    }
};

TEST_F(LabOfThree, EachBoardOnItsOwnPipeWithTheSameAccessList)
{
    EXPECT_EQ(Ctl({"boards"}), "sim\nsim-2\nsim-3\n");
    const std::string first = AccessList(sim::SocketPath());
    ASSERT_FALSE(first.empty());
    for (int board = 2; board <= 3; ++board) {
        const std::string pipe = sim::BoardSocketPath(sim::SocketPath(), board);
        EXPECT_NE(pipe, sim::SocketPath());
        EXPECT_EQ(AccessList(pipe), first) << pipe;
    }
    // A second lab cannot take the names, and says what serves them.
    const platform::TProgramRun again = Run({Bin() + "vx5h-board-sim.exe", "--daemon", "--boards", "4"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.output.find("serves sim to sim-3 already"), std::string::npos) << again.output;

    const platform::TProgramRun boards = Vx5h({"boards"});
    EXPECT_TRUE(boards.Succeeded()) << boards.output;
    for (const char* line : {"\nsim    simulated", "\nsim-2  simulated", "\nsim-3  simulated"})
        EXPECT_NE(boards.output.find(line), std::string::npos) << boards.output;
    const platform::TProgramRun missing = Vx5h({"--cable", "sim-4", "info"});
    EXPECT_NE(missing.output.find("the simulator serves sim to sim-3"), std::string::npos) << missing.output;
}

TEST_F(LabOfThree, ACommandOnEveryBoardFailsOnlyWhereABoardDoes)
{
    const platform::TProgramRun configure = Vx5h({"-q", "--cable", "all", "configure"});
    ASSERT_TRUE(configure.Succeeded()) << configure.output;
    const platform::TProgramRun leds = Vx5h({"--cable", "all", "led", "0x15"});
    EXPECT_TRUE(leds.Succeeded()) << leds.output;
    for (const char* board : {"sim", "sim-2", "sim-3"})
        EXPECT_TRUE(StateHas(board, "\"leds\":21,")) << board << ": " << Ctl({"state"}, board);

    ASSERT_EQ(Ctl({"unplug"}, "sim-2"), "ok\n");
    const platform::TProgramRun pulled = Vx5h({"--cable", "all", "led", "0x2A"});
    EXPECT_FALSE(pulled.Succeeded());
    EXPECT_NE(pulled.output.find("== sim-2 (exit"), std::string::npos) << pulled.output;
    EXPECT_TRUE(StateHas("sim", "\"leds\":42,"));
    EXPECT_TRUE(StateHas("sim-3", "\"leds\":42,"));
    EXPECT_TRUE(StateHas("sim-2", "\"leds\":21,")) << "the pulled board kept what it had";
}

} // namespace
