// Our driver libraries against a running simulator, through their exported entry points,
// and the daemon's command line.
#include "DriverLibraries.h"
#include "SimulatedBoard.h"

#include "board/JtagApi.h"
#include "board/Protocol.h"
#include "config/DownloadApi.h"
#include "platform/DynamicLibrary.h"
#include "platform/Tick.h"
#include "tests/support/OtherUser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

using simtest::Bin;
using simtest::Download;
using simtest::ImagePath;
using simtest::Jtag;
using testsupport::SimulatedBoard;

namespace {

const std::vector<std::uint8_t> PING = {0xAA, protocol::CMD_PING, 0, 0, 0, 0, protocol::CMD_PING, 0x55};
const std::vector<std::uint8_t> PING_REPLY = {0xAA, protocol::CMD_PING, 1, 0, 0, 0, 0, 0x02, 0x55};

std::string WriteTempFile(const std::string& name, const std::string& bytes)
{
    const std::string path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A new folder only this user may use, as the simulator wants its socket's folder.
std::string PrivateFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vx5h-sim-XXXXXX").string();
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

} // namespace

TEST(JtagDriver, UnconfiguredBoardIsSilentUntilTheImageIsLoaded)
{
    SimulatedBoard board(false);
    Jtag jtag;
    EXPECT_EQ(jtag.open(0, ""), 0u) << "a bare FPGA has no JTAG UART";
    // A board that holds another design with a JTAG UART opens, but does not answer.
    board.Ctl("unconfigured silent");
    std::uint32_t link = jtag.open(0, "");
    ASSERT_NE(link, 0u);
    EXPECT_TRUE(jtag.Send(link, PING));
    EXPECT_TRUE(jtag.Receive(link, PING_REPLY.size(), 200).empty());
    EXPECT_NE(board.Ctl("state").find("\"jtag_client\":true"), std::string::npos);

    // The image goes down the cable, which no link may hold meanwhile.
    jtag.close(link);
    ASSERT_TRUE(board.Configure());
    link = jtag.open(0, "");
    ASSERT_NE(link, 0u);
    EXPECT_TRUE(jtag.Send(link, PING));
    EXPECT_EQ(jtag.Receive(link, PING_REPLY.size(), 2000), PING_REPLY);

    std::uint8_t record[jtagapi::JTAG_INFO_RECORD_LEN];
    std::memset(record, 0xEE, sizeof record);
    ASSERT_NE(jtag.info(link, record), 0);
    const char* description = reinterpret_cast<const char*>(record + jtagapi::JTAG_INFO_DESCRIPTION_OFFSET);
    EXPECT_LT(strnlen(description, sizeof record - jtagapi::JTAG_INFO_DESCRIPTION_OFFSET),
        sizeof record - jtagapi::JTAG_INFO_DESCRIPTION_OFFSET);
    EXPECT_NE(std::string(description).find("USB-Blaster"), std::string::npos);
    jtag.close(link);
    EXPECT_EQ(jtag.info(link, record), 0);
}

TEST(JtagDriver, ReadReturnsAtOnceAndOneClientHoldsTheCable)
{
    SimulatedBoard board;
    Jtag jtag;
    const std::uint32_t link = jtag.open(0, "");
    ASSERT_NE(link, 0u);
    std::uint8_t byte;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(jtag.read(link, &byte, 1), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));

    EXPECT_EQ(jtag.open(0, ""), 0u); // the cable is taken
    // A closed link frees the cable at once, again and again.
    jtag.close(link);
    for (int i = 0; i < 20; ++i) {
        const std::uint32_t again = jtag.open(0, "");
        ASSERT_NE(again, 0u) << i;
        EXPECT_TRUE(jtag.Send(again, PING));
        EXPECT_EQ(jtag.Receive(again, PING_REPLY.size(), 2000), PING_REPLY);
        jtag.close(again);
    }
}

TEST(JtagDriver, APulledCableBreaksTheLinkUntilPluggedAndReopened)
{
    SimulatedBoard board;
    Jtag jtag;
    const std::uint32_t link = jtag.open(0, "");
    ASSERT_NE(link, 0u);
    bool ok = false;
    board.Ctl("unplug", &ok);
    ASSERT_TRUE(ok);
    jtag.Send(link, PING); // may still land in the socket before the break is seen
    EXPECT_TRUE(jtag.Receive(link, 1, 100).empty());
    EXPECT_FALSE(jtag.Send(link, PING));
    EXPECT_EQ(jtag.open(0, ""), 0u);
    board.Ctl("plug");
    jtag.close(link);
    const std::uint32_t again = jtag.open(0, "");
    ASSERT_NE(again, 0u);
    EXPECT_TRUE(jtag.Send(again, PING));
    EXPECT_EQ(jtag.Receive(again, PING_REPLY.size(), 2000), PING_REPLY);
    jtag.close(again);
}

TEST(JtagDriver, StartsTheSimulatorWhenNoneRuns)
{
    const std::string folder = PrivateFolder();
    const std::string socket = folder + "/board.sock";
    ::setenv("VX5H_SIM_SOCKET", socket.c_str(), 1);
    struct Cleanup {
        std::string socket, folder;
        ~Cleanup()
        {
            testsupport::RunCommand("VX5H_SIM_SOCKET='" + socket + "' '" + Bin() + "vx5h-board-sim' ctl quit 2>&1");
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    } cleanup{socket, folder};

    Jtag jtag;
    EXPECT_EQ(jtag.open(0, ""), 0u) << "a fresh board's FPGA has no JTAG UART to open";
    EXPECT_TRUE(std::filesystem::exists(socket));
    int rc = -1;
    const std::string state
        = testsupport::RunCommand("VX5H_SIM_SOCKET='" + socket + "' '" + Bin() + "vx5h-board-sim' ctl state", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_NE(state.find("\"configured\":false"), std::string::npos);
}

TEST(DownloadDriver, ExportsAllNamesAndConfiguresOnlyFromAnIntactImage)
{
    SimulatedBoard board(false);
    Download dl;
    for (const char* name : downloadapi::ENTRY_NAMES)
        EXPECT_NE(dl.library->Resolve(name), nullptr) << name;
    EXPECT_NE(dl.version(), 0.0);

    const std::string image = ReadFile(ImagePath());
    ASSERT_GT(image.size(), 100u);
    std::string corrupted = image;
    corrupted[image.size() / 2] ^= 0x01;
    const std::string truncatedPath = WriteTempFile("vx5h-truncated.sof", image.substr(0, image.size() - 10));
    const std::string corruptedPath = WriteTempFile("vx5h-corrupted.sof", corrupted);

    EXPECT_EQ(dl.Load(Bin() + "no-such-image.sof") & 0xFF, 0);
    EXPECT_EQ(dl.Load("") & 0xFF, 0);
    EXPECT_EQ(dl.Load(truncatedPath) & 0xFF, 0);
    EXPECT_NE(board.Ctl("state").find("\"configured\":false"), std::string::npos);

    // Called from a worker thread, as the panel may.
    std::int32_t result = 0;
    std::thread worker([&] { result = dl.Load(ImagePath()); });
    worker.join();
    EXPECT_NE(result & 0xFF, 0);
    EXPECT_NE(board.Ctl("state").find("\"configured\":true"), std::string::npos);

    EXPECT_EQ(dl.Load(corruptedPath) & 0xFF, 0);
    EXPECT_NE(board.Ctl("state").find("\"configured\":false"), std::string::npos);
    std::filesystem::remove(truncatedPath);
    std::filesystem::remove(corruptedPath);
}

// The image goes down the simulated cable, as the vendor's programmer sends a bitstream:
// never through a pulled cable, nor past a program that has the cable open (here this one,
// whose link stays as it was); a real load pulled or stopped midway fails at once and
// leaves the FPGA without a design.
TEST(DownloadDriver, LoadsOnlyThroughAPluggedCableThatNobodyHolds)
{
    SimulatedBoard board;
    Download dl;
    const auto lastError = dl.library->ResolveAs<QELVANO_DownloadLastError_t>(downloadapi::LAST_ERROR_NAME);
    const auto cancel = dl.library->ResolveAs<QELVANO_DownloadCancel_t>(downloadapi::CANCEL_NAME);
    ASSERT_TRUE(lastError && cancel);
    const auto reason = [&] {
        char text[512] = {};
        lastError(text, sizeof text);
        return std::string(text);
    };
    const auto configured = [&] { return board.Ctl("state").find("\"configured\":true") != std::string::npos; };
    {
        Jtag jtag;
        const std::uint32_t link = jtag.open(0, "sim");
        ASSERT_NE(link, 0u);
        EXPECT_EQ(dl.Load(ImagePath()) & 0xFF, 0);
        EXPECT_NE(reason().find("The board is in use: this program has its cable open"), std::string::npos) << reason();
        EXPECT_TRUE(jtag.Send(link, PING));
        EXPECT_EQ(jtag.Receive(link, PING_REPLY.size(), 2000), PING_REPLY) << "the link was not touched";
        jtag.close(link);
    }
    board.Ctl("unplug");
    EXPECT_EQ(dl.Load(ImagePath()) & 0xFF, 0);
    EXPECT_EQ(reason(), "The simulated board's cable is unplugged");
    board.Ctl("plug");
    ASSERT_TRUE(configured());

    board.Ctl("timing real"); // a load takes 4 s
    struct {
        const char* what;
        std::function<void()> midway;
        const char* reason;
        std::uint32_t withinMs;
    } const cuts[] = {
        {"pulled", [&] { board.Ctl("unplug"); }, "The simulated board's cable was unplugged during the configuration",
            5000},
        {"stopped", [&] { cancel(); }, "The download was stopped on request", 600},
    };
    for (const auto& cut : cuts) {
        std::thread cutter([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            cut.midway();
        });
        const std::uint32_t start = platform::TickCount();
        EXPECT_EQ(dl.Load(ImagePath()) & 0xFF, 0) << cut.what;
        EXPECT_LT(platform::TicksSince(start), cut.withinMs) << cut.what;
        cutter.join();
        EXPECT_NE(reason().find(cut.reason), std::string::npos) << reason();
        board.Ctl("plug");
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the simulator sees the stop's hang-up
        EXPECT_FALSE(configured()) << cut.what << ": a load cut short leaves no design";
    }
    EXPECT_NE(dl.Load(ImagePath()) & 0xFF, 0) << reason();
    EXPECT_TRUE(configured());
    board.Ctl("timing fast");
}

TEST(DownloadDriver, UsesTheVendorsProgrammerWhereItIsInstalled)
{
    SimulatedBoard board(false);
    // A stand-in programmer that reports its version and accepts any file.
    const std::string root = std::filesystem::temp_directory_path() / ("vx5h-tools-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root + "/bin");
    const std::string programmer = root + "/bin/quartus_pgm";
    std::ofstream(programmer) << "#!/bin/sh\n"
                                 "[ \"$1\" = --version ] && echo 'Quartus Prime Programmer Version 20.1.1 Build 720'\n"
                                 "exit 0\n";
    std::filesystem::permissions(programmer, std::filesystem::perms::owner_all);
    std::filesystem::create_directory_symlink(VX5H_FAKE_QUARTUS_DIR "/linux64", root + "/linux64");
    ::setenv("QUARTUS_ROOTDIR", root.c_str(), 1);
    {
        Download dl;
        EXPECT_DOUBLE_EQ(dl.version(), 20.1);
        const std::string other = WriteTempFile("vx5h-vendor.sof", "a bitstream of another kind");
        EXPECT_NE(dl.Load(other) & 0xFF, 0);
        std::filesystem::remove(other);
        ::setenv("VX5H_CABLE", "sim", 1);
        EXPECT_NE(dl.Load(ImagePath()) & 0xFF, 0); // our own images go to the simulator chosen
        ::unsetenv("VX5H_CABLE");
    }
    ::unsetenv("QUARTUS_ROOTDIR");
    std::filesystem::remove_all(root);
    EXPECT_NE(board.Ctl("state").find("\"configured\":true"), std::string::npos);
}

namespace {

// Whether process `pid` has ended (gone, or a zombie nobody has reaped yet).
bool Ended(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidField, name, state;
    return !(stat >> pidField >> name >> state) || state == "Z";
}

} // namespace

TEST(DownloadDriver, AProgrammerThatClosesItsOutputAndHangsIsKilledAtTheBudget)
{
    SimulatedBoard board(false);
    // The stand-in shuts its output at once, then sleeps, with a child of its own that
    // sleeps too; both write their pids down.
    const std::string root
        = std::filesystem::temp_directory_path() / ("vx5h-hanging-tools-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root + "/bin");
    const std::string pids = root + "/pids";
    std::ofstream(root + "/bin/quartus_pgm") << "#!/bin/sh\n"
                                                "exec >/dev/null 2>&1\n"
                                                "sleep 60 &\n"
                                                "echo $$ $! >> '"
            + pids
            + "'\n"
              "wait\n";
    std::filesystem::permissions(root + "/bin/quartus_pgm", std::filesystem::perms::owner_all);
    std::filesystem::create_directory_symlink(VX5H_FAKE_QUARTUS_DIR "/linux64", root + "/linux64");
    const std::string other = WriteTempFile("vx5h-vendor-hang.sof", "a bitstream of another kind");
    ::setenv("QUARTUS_ROOTDIR", root.c_str(), 1);
    {
        Download dl;
        using Clock = std::chrono::steady_clock;
        double version = 0;
        std::int32_t loaded = -1;
        Clock::duration versionTook{}, loadTook{};
        // Both at once, as each waits out its own budget: 10 s for the version, the
        // call's time (at least 5 s) for programming.
        std::thread asking([&] {
            const auto start = Clock::now();
            version = dl.version();
            versionTook = Clock::now() - start;
        });
        const auto start = Clock::now();
        loaded = dl.download(other.c_str(), 5000, 0, 0, 0, 0, 1);
        loadTook = Clock::now() - start;
        asking.join();
        EXPECT_EQ(loaded & 0xFF, 0);
        EXPECT_GE(loadTook, std::chrono::milliseconds(4900));
        EXPECT_LT(loadTook, std::chrono::milliseconds(6000));
        EXPECT_DOUBLE_EQ(version, 13.1) << "a programmer that never answers leaves the simulated cable's";
        EXPECT_GE(versionTook, std::chrono::milliseconds(9900));
        EXPECT_LT(versionTook, std::chrono::milliseconds(11000));
    }
    ::unsetenv("QUARTUS_ROOTDIR");
    std::ifstream list(pids);
    int count = 0;
    for (pid_t pid; list >> pid; ++count) {
        for (int i = 0; i < 100 && !Ended(pid); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(Ended(pid)) << "process " << pid << " of the programmer outlived its budget";
    }
    EXPECT_EQ(count, 4) << "two runs, a programmer and its child each";
    std::filesystem::remove(other);
    std::filesystem::remove_all(root);
}

// An image is measured before it is read: a file far beyond any image, or one without
// end, is refused at once by the download library and by the simulator's configure.
TEST(DownloadDriver, AnImageTooLargeOrEndlessIsRefusedBeforeItIsRead)
{
    SimulatedBoard board(false);
    const std::string huge = WriteTempFile("vx5h-huge.sof", "");
    std::filesystem::resize_file(huge, 2ull << 30); // sparse: costs the disk nothing
    Download dl;
    for (const std::string& path : {huge, std::string("/dev/zero")}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(dl.Load(path) & 0xFF, 0) << path;
        int rc = 0;
        const std::string said = testsupport::RunCommand("VX5H_SIM_SOCKET='" + board.SocketPath() + "' '" + Bin()
                + "vx5h-board-sim' ctl configure " + path + " 2>&1",
            &rc);
        EXPECT_EQ(rc, 1) << path;
        EXPECT_NE(said.find(path == huge ? "is too large for an image" : "is not a regular file"), std::string::npos)
            << said;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << path;
    }
    std::filesystem::remove(huge);
}

TEST(SimulatorCommandLine, ControlCommandsAnswerAndFailWithExitCodes)
{
    SimulatedBoard board;
    bool ok = false;
    EXPECT_EQ(board.Ctl("set keys 5", &ok), "ok\n");
    EXPECT_TRUE(ok);
    board.Ctl("set keys 99", &ok);
    EXPECT_FALSE(ok);
    board.Ctl("frobnicate", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(board.Ctl("mem write sdram 0x10 0102ff", &ok), "wrote 3\n");
    EXPECT_EQ(board.Ctl("mem read sdram 16 3"), "01 02 ff\n");
    board.Ctl("mem read sdram 0x7FFFFFF 2", &ok);
    EXPECT_FALSE(ok);

    board.Ctl("power-cycle", &ok);
    EXPECT_TRUE(ok);
    EXPECT_NE(board.Ctl("state").find("\"configured\":false"), std::string::npos);
    EXPECT_EQ(board.Ctl("mem read sdram 16 3"), "00 00 00\n");
    EXPECT_EQ(board.Ctl("configure " + ImagePath()), "configured\n");

    int rc = 0;
    testsupport::RunCommand(
        "VX5H_SIM_SOCKET=/tmp/vx5h-nobody-here.sock '" + Bin() + "vx5h-board-sim' ctl state 2>/dev/null", &rc);
    EXPECT_EQ(rc, 3);
    // Help asked for is output (exit 0); a wrong option is an error (exit 2, standard error).
    EXPECT_EQ(testsupport::RunCommand("'" + Bin() + "vx5h-board-sim' --help 2>/dev/null", &rc).rfind("usage:", 0), 0u);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(testsupport::RunCommand("'" + Bin() + "vx5h-board-sim' --bogus 2>/dev/null", &rc), "");
    EXPECT_EQ(rc, 2);
}

namespace {

// Starts `vx5h-board-sim --socket=PATH` in the foreground; its pid, or -1.
pid_t StartForeground(const std::string& socket)
{
    const std::string exe = Bin() + "vx5h-board-sim";
    const std::string arg = "--socket=" + socket;
    char* argv[] = {const_cast<char*>(exe.c_str()), const_cast<char*>(arg.c_str()), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ) != 0)
        return -1;
    for (int i = 0; i < 300 && !std::filesystem::exists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pid;
}

// Waits up to `ms` for the process to end; its wait status, or -1 after killing it.
int WaitForExit(pid_t pid, int ms)
{
    int status = 0;
    for (int i = 0; i < ms / 10; ++i) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

} // namespace

TEST(SimulatorCommandLine, ForegroundServerStopsOnSigterm)
{
    const std::string folder = PrivateFolder();
    const std::string socket = folder + "/board.sock";
    const pid_t pid = StartForeground(socket);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(std::filesystem::exists(socket));
    ::kill(pid, SIGTERM);
    const int status = WaitForExit(pid, 3000);
    EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the simulator ignored SIGTERM";
    EXPECT_FALSE(std::filesystem::exists(socket));
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

TEST(SimulatorCommandLine, GoesWhenItsSocketIsRemoved)
{
    const std::string folder = PrivateFolder();
    const std::string socket = folder + "/board.sock";
    const pid_t pid = StartForeground(socket);
    ASSERT_GT(pid, 0);
    std::filesystem::remove(socket);
    std::filesystem::remove(socket + ".lock");
    const int status = WaitForExit(pid, 5000);
    EXPECT_TRUE(status != -1 && WIFEXITED(status)) << "an unreachable simulator stayed";
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

// The simulator removes and writes no file but its own: a file at its socket's path
// stays, a socket's folder that others may use is refused, and a log another user made
// first (it would carry what the RS232 port says) gets nothing.
TEST(SimulatorCommandLine, TouchesNoFileButItsOwn)
{
    namespace fs = std::filesystem;
    const fs::path folder = PrivateFolder();
    std::ofstream(folder / "important.txt") << "keep";
    fs::create_directory(folder / "shared");
    fs::permissions(folder / "shared", fs::perms(01777));
    const struct {
        fs::path socket;
        const char* refusal;
    } refusals[] = {
        {folder / "important.txt", "exists and is not a socket"},
        {folder / "shared" / "board.sock", "the socket's folder is not safely this user's"},
    };
    for (const auto& r : refusals) {
        int rc = 0;
        const std::string said
            = testsupport::RunCommand("'" + Bin() + "vx5h-board-sim' --socket=" + r.socket.string() + " 2>&1", &rc);
        EXPECT_EQ(rc, 1) << r.socket;
        EXPECT_NE(said.find(r.refusal), std::string::npos) << said;
    }
    EXPECT_EQ(ReadFile(folder / "important.txt"), "keep");
    EXPECT_FALSE(fs::exists(folder / "shared" / "board.sock"));

    std::ofstream(folder / "vx5h-board-sim.log") << "theirs";
    ASSERT_TRUE(testsupport::GiveTo((folder / "vx5h-board-sim.log").string(), testsupport::Nobody()));
    const std::string sim = "VX5H_SIM_SOCKET='" + (folder / "board.sock").string() + "' '" + Bin() + "vx5h-board-sim' ";
    int rc = 0;
    testsupport::RunCommand(sim + "--daemon && " + sim + "ctl rs232-loopback on && " + sim + "ctl quit", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ReadFile(folder / "vx5h-board-sim.log"), "theirs");
    std::error_code ec; // the simulator may still be removing its socket
    fs::remove_all(folder, ec);
}
