// Our two driver libraries and the simulator built for Windows, run under wine: the panel's
// own board and download layers load QELVANO_JTAG.DLL and QELVANO_DOWNLOAD.DLL from the
// program folder, which start vx5h-board-sim.exe on demand and reach it over its named pipe.
#include "board/Board.h"
#include "config/Download.h"
#include "platform/LocalPipe.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "sim/Endpoint.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sddl.h>
#include <string>
#include <vector>

namespace {

// The build's program folder as a Windows path: wine's drive Z: is the host's root.
std::string BinFolder()
{
    std::string folder = std::string("Z:") + VX5H_TEST_BIN_DIR + "/";
    std::replace(folder.begin(), folder.end(), '/', '\\');
    return folder;
}

// A simulator of the test's own, on an endpoint no other test uses, told to quit at the end.
class DriversOnWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = "vx5h-test-" + std::to_string(::GetCurrentProcessId());
        _putenv_s("VX5H_SIM_SOCKET", name.c_str());
        _putenv_s("VX5H_SIM_IDLE_EXIT", "120"); // a crashed test's simulator goes by itself
        platform::OverrideExecutableFolder(BinFolder());
    }
    void TearDown() override
    {
        board.Disconnect();
        Ctl({"quit"});
        platform::OverrideExecutableFolder(std::nullopt);
    }

    sim::ControlReply Ctl(const std::vector<std::string>& args)
    {
        sim::ControlReply reply;
        reply.status = -1;
        sim::SendControl(sim::SocketPath(), args, reply, 10000);
        return reply;
    }
    bool StateHas(const std::string& part) { return Ctl({"state"}).text.find(part) != std::string::npos; }

    TBoard board;
};

TEST_F(DriversOnWindows, ThePanelsWayToTheSimulatedBoard)
{
    // The download library starts the simulator and configures its FPGA.
    {
        TDownload download;
        ASSERT_TRUE(download.IsLoaded());
        EXPECT_DOUBLE_EQ(download.GetQuartusVersion(), 13.1);
        ASSERT_TRUE(download.DownloadImage(BinFolder() + "VX5h_260_ControlPanel.sof", 20000, 0, 0, 0, 0, 1));
    }
    std::string error;
    ASSERT_TRUE(board.Connect(error, 0)) << error;
    EXPECT_NE(board.LinkDescription().find("simulator"), std::string::npos);
    std::string name;
    ASSERT_TRUE(board.QueryBoardName(name));
    EXPECT_FALSE(name.empty());

    ASSERT_TRUE(board.SetLed(0x2A5));
    EXPECT_TRUE(StateHas("\"leds\":677"));

    // A range of SDRAM larger than one chunk, byte for byte through the pipe and back.
    std::vector<std::uint8_t> written(300000), read(written.size());
    for (std::size_t i = 0; i < written.size(); ++i)
        written[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
    ASSERT_TRUE(board.MemoryWrite(protocol::MEM_SDRAM, 0x1000, static_cast<std::uint32_t>(written.size()), written.data()));
    ASSERT_TRUE(board.MemoryRead(protocol::MEM_SDRAM, 0x1000, static_cast<std::uint32_t>(read.size()), read.data()));
    EXPECT_EQ(read, written);

    ASSERT_EQ(Ctl({"set", "gsensor", "100", "-200", "16000"}).status, 0);
    std::int16_t x = 0, y = 0, z = 0;
    ASSERT_TRUE(board.GsensorInit());
    ASSERT_TRUE(board.GsensorRead(x, y, z));
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, -200);
    EXPECT_EQ(z, 16000);

    // A pulled cable ends the link; plugged in again, the board answers a new one, its
    // state kept as a powered board keeps it.
    ASSERT_EQ(Ctl({"unplug"}).status, 0);
    EXPECT_FALSE(board.Ping());
    board.Disconnect();
    EXPECT_FALSE(board.Connect(error, 0));
    ASSERT_EQ(Ctl({"plug"}).status, 0);
    ASSERT_TRUE(board.Connect(error, 0)) << error;
    std::vector<std::uint8_t> again(64);
    ASSERT_TRUE(board.MemoryRead(protocol::MEM_SDRAM, 0x1000, 64, again.data()));
    EXPECT_TRUE(std::equal(again.begin(), again.end(), written.begin()));
}

// What wine can show of "this user only": the endpoint's access list admits exactly this
// user, and a second server cannot take a name that is served. (Refusing another user's
// process needs a second account, which only real Windows has.)
TEST(PrivateEndpoint, AdmitsThisUserAloneAndOneServer)
{
    const std::string name = platform::PrivateEndpoint("vx5h-acl-test-" + std::to_string(::GetCurrentProcessId()));
    std::string error;
    const auto listener = platform::LocalPipeListener::Listen(name, error);
    ASSERT_TRUE(listener) << error;
    EXPECT_FALSE(platform::LocalPipeListener::Listen(name, error));
    EXPECT_NE(error.find("another process"), std::string::npos) << error;

    HANDLE client = ::CreateFileA(name.c_str(), READ_CONTROL, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetSecurityInfo(client, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr,
                  &descriptor),
        ERROR_SUCCESS);
    ASSERT_NE(acl, nullptr);
    ASSERT_EQ(acl->AceCount, 1);
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(::GetAce(acl, 0, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    char* sid = nullptr;
    ASSERT_TRUE(::ConvertSidToStringSidA(&ace->SidStart, &sid));
    EXPECT_NE(name.find(std::string("-") + sid), std::string::npos) << sid << " vs " << name; // the name's user
    ::LocalFree(sid);
    ::LocalFree(descriptor);
    ::CloseHandle(client);
}

// An image the user names is read only when it is a disk file of at most the limit: a
// device, a pipe or a folder must neither hold the reader nor be taken for an image.
TEST(ReadRegularFile, OnlyADiskFileWithinTheLimitIsRead)
{
    using End = platform::TRegularFileRead::TEnd;
    const std::string folder = BinFolder();
    const std::string small = folder + "regular-file-test-" + std::to_string(::GetCurrentProcessId()) + ".bin";
    std::ofstream(small, std::ios::binary) << std::string(1000, 'x');
    std::string error;
    const std::string pipeName = platform::PrivateEndpoint("vx5h-read-test-" + std::to_string(::GetCurrentProcessId()));
    const auto listener = platform::LocalPipeListener::Listen(pipeName, error);
    ASSERT_TRUE(listener) << error;

    const struct {
        std::string path;
        std::size_t limit;
        End end;
        std::uint64_t size;
    } cases[] = {
        {small, 1000, End::Read, 1000},
        {small, 999, End::TooLarge, 1000},
        {"NUL", 1000, End::NotRegular, 0},
        {pipeName, 1000, End::NotRegular, 0},
        {folder + "no-such-file.bin", 1000, End::CannotOpen, 0},
    };
    for (const auto& c : cases) {
        std::string bytes = "left over";
        const auto result = platform::ReadRegularFile(c.path, c.limit, bytes);
        EXPECT_EQ(result.end, c.end) << c.path;
        EXPECT_EQ(result.size, c.size) << c.path;
        EXPECT_EQ(bytes.size(), c.end == End::Read ? c.size : 0) << c.path;
    }
    std::string bytes;
    EXPECT_NE(platform::ReadRegularFile(folder, 1000, bytes).end, End::Read) << "a folder";
    ::DeleteFileA(small.c_str());
}

} // namespace
