// Our driver libraries on the vendor's way to a board: the stand-in vendor installation
// (tests/fakes/vendor) carries the stream to a simulator of the test's own, and fails the
// ways the real JTAG server does.
#include "DriverLibraries.h"
#include "SimulatedBoard.h"

#include "board/Board.h"
#include "board/JtagApi.h"
#include "board/Protocol.h"
#include "drivers/common/VendorApi.h"
#include "platform/Paths.h"
#include "platform/Tick.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

using simtest::Bin;
using simtest::Download;
using simtest::Jtag;
using testsupport::SimulatedBoard;

namespace {

const std::string FAKE_ROOT = VX5H_FAKE_QUARTUS_DIR;
const std::string REAL_CABLE = "USB-Blaster [1-1]";
const std::vector<std::uint8_t> PING = {0xAA, protocol::CMD_PING, 0, 0, 0, 0, protocol::CMD_PING, 0x55};
const std::vector<std::uint8_t> PING_REPLY = {0xAA, protocol::CMD_PING, 1, 0, 0, 0, 0, 0x02, 0x55};

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void SetOrClear(const char* name, const char* value)
{
    if (value && *value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

std::string DescriptionOf(Jtag& jtag, std::uint32_t link)
{
    std::uint8_t record[jtagapi::JTAG_INFO_RECORD_LEN] = {};
    if (!jtag.info(link, record))
        return {};
    return reinterpret_cast<const char*>(record + jtagapi::JTAG_INFO_DESCRIPTION_OFFSET);
}

// A process that still runs (one that ended but is not yet reaped does not count).
bool Running(int pid)
{
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t state = stat.rfind(") ");
    return state != std::string::npos && stat.compare(state + 2, 1, "Z") != 0;
}

std::int32_t LastError(const platform::DynamicLibrary& library, const char* name, std::string& text)
{
    const auto lastError = library.ResolveAs<QELVANO_JtagLastError_t>(name);
    char buffer[1024] = {};
    const std::int32_t code = lastError ? lastError(buffer, sizeof buffer) : -1;
    text = buffer;
    return code;
}

// A simulator of the test's own behind the stand-in vendor installation; the user's
// choice and the stand-in's script as each test sets them.
class VendorPath : public ::testing::Test {
protected:
    void Start(bool configured, const char* cable, const char* script, bool vendorInstalled = true)
    {
        TearDown(); // the simulator is configured the simulator's way
        board = std::make_unique<SimulatedBoard>(configured);
        SetOrClear("QUARTUS_ROOTDIR", vendorInstalled ? FAKE_ROOT.c_str() : nullptr);
        SetOrClear("VX5H_CABLE", cable);
        SetOrClear("FAKE_ATLANTIC", script);
        log = board->SocketPath() + ".vendor.log";
        ::setenv("FAKE_VENDOR_LOG", log.c_str(), 1);
    }
    void TearDown() override
    {
        for (const char* name : {"QUARTUS_ROOTDIR", "VX5H_CABLE", "FAKE_ATLANTIC", "FAKE_VENDOR_LOG", "FAKE_PGM_FAIL",
                 "FAKE_PGM_HANG", "VX5H_JTAG_OPEN_TIMEOUT_MS"})
            ::unsetenv(name);
        platform::OverrideExecutableFolder(std::nullopt);
    }
    bool SimHas(const std::string& part) const { return board->Ctl("state").find(part) != std::string::npos; }

    std::unique_ptr<SimulatedBoard> board;
    std::string log;
};

struct ChoiceCase {
    friend void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    const char* cable;  // VX5H_CABLE
    const char* script; // FAKE_ATLANTIC
    bool vendorInstalled;
    bool configured;
    std::int32_t code;       // QELVANO_JtagLastError after the open
    const char* description; // part of the link's description; nullptr: the open fails
    const char* reason;      // part of the reason given
};

class BoardChoice : public VendorPath, public ::testing::WithParamInterface<ChoiceCase> { };

TEST_P(BoardChoice, OpensTheChosenBoardOrSaysWhyNot)
{
    const ChoiceCase& c = GetParam();
    Start(c.configured, c.cable, c.script, c.vendorInstalled);
    Jtag jtag;
    const std::uint32_t link = jtag.open(0, "");
    std::string reason;
    EXPECT_EQ(LastError(*jtag.library, jtagapi::LAST_ERROR_NAME, reason), c.code) << reason;
    if (c.reason) {
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
    if (!c.description) {
        EXPECT_EQ(link, 0u);
        EXPECT_TRUE(SimHas("\"jtag_client\":false")) << "never silently the simulator";
        return;
    }
    ASSERT_NE(link, 0u) << reason;
    EXPECT_NE(DescriptionOf(jtag, link).find(c.description), std::string::npos) << DescriptionOf(jtag, link);
    EXPECT_TRUE(jtag.Send(link, PING));
    EXPECT_EQ(jtag.Receive(link, PING_REPLY.size(), 2000), PING_REPLY);
    jtag.close(link);
}

INSTANTIATE_TEST_SUITE_P(Cases, BoardChoice,
    ::testing::Values(ChoiceCase{"AutomaticFindsTheRealCable", "", "", true, true, 0, "USB-Blaster [1-1]", nullptr},
        ChoiceCase{"AutomaticWithoutCable", "", "no_cable=1", true, true, 0, "simulator", nullptr},
        ChoiceCase{"AutomaticWithoutVendorTools", "", "", false, true, 0, "simulator", nullptr},
        ChoiceCase{"Simulator", "sim", "", true, true, 0, "simulator", nullptr},
        ChoiceCase{"NamedCable", "USB-Blaster [1-1]", "", true, true, 0, "USB-Blaster [1-1]", nullptr},
        ChoiceCase{"CableByIndex", "1", "", true, true, 0, "USB-Blaster [1-1]", nullptr},
        ChoiceCase{"UnknownCable", "USB-Blaster [9-9]", "", true, true, 1, nullptr, "USB-Blaster [9-9]"},
        ChoiceCase{"NamedCableWithoutVendorTools", "USB-Blaster [1-1]", "", false, true, 9, nullptr, "QUARTUS_ROOTDIR"},
        ChoiceCase{"CableInUse", "", "open_error=-6,open_detail=nios2-terminal (pid 4242)", true, true, 2, nullptr,
            "nios2-terminal"},
        ChoiceCase{"UnconfiguredRealBoard", "", "", true, false, 3, nullptr, "not configured"},
        ChoiceCase{"UnconfiguredSimulator", "sim", "", true, false, 3, nullptr, "not configured"},
        ChoiceCase{"ServerUnreachable", "", "open_error=-1", true, true, 4, nullptr, "jtagd"},
        ChoiceCase{"NoPermission", "", "open_error=-9,open_detail=Insufficient port permissions", true, true, 5,
            nullptr, "udev"},
        ChoiceCase{"BoardNotPowered", "", "open_error=-5", true, true, 9, nullptr, "powered"}),
    [](const auto& info) { return std::string(info.param.name); });

// Both libraries open a cable with one budget: a JTAG server that never answers holds
// neither a connection nor the download library's look at the cable before programming.
TEST_F(VendorPath, AnOpenThatHangsIsGivenUpAtItsBudgetByBothLibraries)
{
    Start(true, "", "open_delay_ms=20000");
    ::setenv("VX5H_JTAG_OPEN_TIMEOUT_MS", "300", 1);
    // In a process of its own: a library given up on stays loaded in it for good.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Jtag jtag;
            std::uint32_t start = platform::TickCount();
            const bool failed = jtag.open(0, "") == 0;
            const bool inTime = platform::TicksSince(start) < 1500u;
            std::string reason;
            const bool unreachable
                = LastError(*jtag.library, jtagapi::LAST_ERROR_NAME, reason) == jtagapi::JTAG_ERROR_SERVER_UNREACHABLE;
            Download download;
            start = platform::TickCount();
            const bool refused = (download.Load(FAKE_ROOT + "/board/VX5h_260_ControlPanel.sof") & 0xFF) == 0;
            const bool refusedInTime = platform::TicksSince(start) < 1500u;
            std::string why;
            LastError(*download.library, "QELVANO_DownloadLastError", why);
            std::fprintf(stderr, "%d%d%d%d%d %s / %s", failed, inTime, unreachable, refused, refusedInTime,
                reason.c_str(), why.c_str());
            board.reset(); // this process's own simulator, which _Exit would leave running
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0),
        "11111 The JTAG server did not open a cable in time.* / The JTAG server did not open a cable in time");
}

// Whatever the programmer is given, it is never an option in disguise, nor is it started
// on a cable whose JTAG UART a program holds (its board would change under it); and a
// programmer that hangs ends, with whatever it started, as soon as the caller asks.
TEST_F(VendorPath, TheProgrammerIsNeverMisledAndStopsWhenAsked)
{
    const std::string image = FAKE_ROOT + "/board/VX5h_260_ControlPanel.sof";
    const std::pair<const char*, const char*> refusals[] = {
        {"cable=--help", "\"--help\" cannot be passed to the programmer"},
        {"open_error=-6,open_detail=nios2-terminal (pid 4242)",
            "The board is in use by another program: nios2-terminal (pid 4242)"},
    };
    for (const auto& [script, refusal] : refusals) {
        Start(true, "", script);
        Download download;
        EXPECT_EQ(download.Load(image) & 0xFF, 0);
        std::string reason;
        LastError(*download.library, "QELVANO_DownloadLastError", reason);
        EXPECT_NE(reason.find(refusal), std::string::npos) << reason;
        EXPECT_EQ(ReadFile(log).find("quartus_pgm\n-c"), std::string::npos) << ReadFile(log);
    }
    Start(false, "", "");
    ::setenv("FAKE_PGM_HANG", "1", 1);
    Download download;
    const auto cancel = download.library->ResolveAs<std::int32_t (*)()>("QELVANO_DownloadCancel");
    ASSERT_NE(cancel, nullptr);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        cancel();
    });
    const std::uint32_t start = platform::TickCount();
    EXPECT_EQ(download.Load(image) & 0xFF, 0);
    EXPECT_LT(platform::TicksSince(start), 2000u) << "not the programmer's whole budget";
    stopper.join();
    std::string reason;
    LastError(*download.library, "QELVANO_DownloadLastError", reason);
    EXPECT_NE(reason.find("stopped on request"), std::string::npos) << reason;
    const std::string calls = ReadFile(log);
    const std::size_t child = calls.find("child ");
    ASSERT_NE(child, std::string::npos) << calls;
    const int pid = std::atoi(calls.c_str() + child + 6);
    for (int i = 0; i < 100 && Running(pid); ++i) // a killed process takes a moment to go
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(Running(pid)) << "the programmer's child is gone too";
}

// TBoard's exchanges over every way the vendor's library may hand bytes over.
class VendorStream : public VendorPath, public ::testing::WithParamInterface<const char*> { };

TEST_P(VendorStream, CarriesWholeExchangesIntact)
{
    Start(true, REAL_CABLE.c_str(), GetParam());
    platform::OverrideExecutableFolder(Bin());
    TBoard tboard;
    std::string error;
    ASSERT_TRUE(tboard.Connect(error, 0)) << tboard.LinkErrorText();
    EXPECT_EQ(tboard.LinkDescription(), REAL_CABLE);
    std::string name;
    ASSERT_TRUE(tboard.QueryBoardName(name));
    EXPECT_EQ(name, "VX5h-260");
    std::vector<std::uint8_t> out(6000), in(out.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::uint8_t>(i * 7 + 3);
    ASSERT_TRUE(tboard.MemoryWrite(protocol::MEM_SSRAM0, 0x100, static_cast<std::uint32_t>(out.size()), out.data()));
    ASSERT_TRUE(tboard.MemoryRead(protocol::MEM_SSRAM0, 0x100, static_cast<std::uint32_t>(in.size()), in.data()));
    EXPECT_EQ(in, out);
    tboard.Disconnect();
    EXPECT_TRUE(SimHas("\"jtag_client\":false"));
}

INSTANTIATE_TEST_SUITE_P(Pieces, VendorStream, ::testing::Values("", "pieces=1", "short_writes=1", "latency_ms=3"));

TEST_F(VendorPath, ABrokenLinkStaysBroken)
{
    Start(true, "", "break_after=4");
    Jtag jtag;
    const std::uint32_t link = jtag.open(0, "");
    ASSERT_NE(link, 0u);
    ASSERT_TRUE(jtag.Send(link, PING));
    EXPECT_EQ(jtag.Receive(link, PING_REPLY.size(), 500).size(), 4u) << "the link broke in the middle of the reply";
    EXPECT_FALSE(jtag.Send(link, PING)) << "every later call on that link fails";
    EXPECT_TRUE(jtag.Receive(link, 1, 100).empty());
    jtag.close(link);
}

TEST_F(VendorPath, OneLinkPerCable)
{
    Start(true, "", "");
    Jtag jtag;
    const std::uint32_t first = jtag.open(0, "");
    ASSERT_NE(first, 0u);
    std::string reason;
    for (const char* second : {"", "USB-Blaster [1-1]", "1", "sim"}) {
        ::setenv("VX5H_CABLE", second, 1);
        EXPECT_EQ(jtag.open(0, ""), 0u) << second;
        EXPECT_EQ(LastError(*jtag.library, jtagapi::LAST_ERROR_NAME, reason), jtagapi::JTAG_ERROR_IN_USE) << second;
    }
    jtag.close(first);
    const std::uint32_t again = jtag.open(0, "");
    EXPECT_NE(again, 0u);
    jtag.close(again);

    // The simulator too, within one program and between two.
    ::setenv("VX5H_CABLE", "sim", 1);
    const std::uint32_t sim = jtag.open(0, "");
    ASSERT_NE(sim, 0u);
    EXPECT_EQ(jtag.open(0, ""), 0u);
    EXPECT_EQ(LastError(*jtag.library, jtagapi::LAST_ERROR_NAME, reason), jtagapi::JTAG_ERROR_IN_USE);
    ::unsetenv("VX5H_CABLE");
    EXPECT_EQ(jtag.open(0, ""), 0u) << "the stand-in finds the simulated cable taken";
    EXPECT_EQ(LastError(*jtag.library, jtagapi::LAST_ERROR_NAME, reason), jtagapi::JTAG_ERROR_IN_USE);
    jtag.close(sim);
}

TEST_F(VendorPath, BothLibrariesReallyUnloadAndComeBackFresh)
{
    Start(true, "sim", "");
    const std::string jtagPath = Bin() + jtagapi::LIBRARY_NAME;
    {
        Jtag jtag;
        ASSERT_EQ(jtag.open(0, ""), 1u) << "a fresh library numbers its links from 1";
        EXPECT_EQ(jtag.open(0, ""), 0u); // a second open fails and leaves its reason behind
        EXPECT_TRUE(SimHas("\"jtag_client\":true"));
    } // released with its link still open
    EXPECT_EQ(::dlopen(jtagPath.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library stays in memory";
    EXPECT_TRUE(SimHas("\"jtag_client\":false")) << "unloading closed the forgotten link";
    {
        Jtag jtag;
        std::string reason;
        EXPECT_EQ(LastError(*jtag.library, jtagapi::LAST_ERROR_NAME, reason), 0) << reason;
        EXPECT_EQ(jtag.open(0, ""), 1u);
    }
    {
        Download download;
    }
    const std::string downloadPath = Bin() + downloadapi::LIBRARY_NAME;
    EXPECT_EQ(::dlopen(downloadPath.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

enum class Image {
    Vendor,
    Simulator
};

struct DownloadCase {
    friend void PrintTo(const DownloadCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    const char* cable;
    const char* folder; // the program folder's name, below a temporary folder
    Image image;
    bool configured; // the board before the download (a failure must leave it unconfigured)
    bool pgmFails;
    bool succeeds;
    const char* cableArgument; // what quartus_pgm is given after -c; nullptr: not run
    const char* reason;        // part of the reason for a failure
};

class VendorDownload : public VendorPath, public ::testing::WithParamInterface<DownloadCase> { };

TEST_P(VendorDownload, ReachesTheProgrammerIntactOrFailsAtOnce)
{
    const DownloadCase& c = GetParam();
    Start(c.configured, c.cable, "");
    if (c.pgmFails)
        ::setenv("FAKE_PGM_FAIL", "1", 1);
    const std::filesystem::path folder = std::filesystem::path(board->SocketPath()).parent_path() / c.folder;
    std::filesystem::create_directories(folder);
    const std::string image = folder / "VX5h_260_ControlPanel.sof";
    std::filesystem::copy_file(
        c.image == Image::Vendor ? FAKE_ROOT + "/board/VX5h_260_ControlPanel.sof" : simtest::ImagePath(), image);

    Download download;
    const std::uint32_t start = platform::TickCount();
    const std::int32_t result = download.Load(image);
    const std::uint32_t took = platform::TicksSince(start);
    std::string reason;
    LastError(*download.library, "QELVANO_DownloadLastError", reason);
    const std::string calls = ReadFile(log);
    EXPECT_EQ(result & 0xFF, c.succeeds ? 1 : 0) << reason << calls;
    EXPECT_EQ(SimHas("\"configured\":true"), c.succeeds);
    if (c.reason) {
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
    if (!c.cableArgument) {
        EXPECT_EQ(calls.find("quartus_pgm\n-c"), std::string::npos) << calls;
        EXPECT_LT(took, 1000u) << "the wrong image fails at once";
        return;
    }
    const std::size_t at = calls.find("quartus_pgm\n-c\n" + std::string(c.cableArgument) + "\n-m\nJTAG\n-o\np;");
    ASSERT_NE(at, std::string::npos) << calls;
    const std::string passed
        = calls.substr(calls.find("p;", at) + 2, calls.find('\n', calls.find("p;", at)) - calls.find("p;", at) - 2);
    if (std::string(c.folder).find(';') == std::string::npos) {
        EXPECT_EQ(passed, image) << "the path reaches the programmer intact";
    } else {
        EXPECT_EQ(passed.find(';'), std::string::npos) << passed;
        EXPECT_FALSE(std::filesystem::exists(passed)) << "the temporary copy is gone";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, VendorDownload,
    ::testing::Values(
        DownloadCase{"NamedCableSpacesAndQuotes", "USB-Blaster [1-1]", "program folder 'single' \"double\" $HOME",
            Image::Vendor, false, false, true, "USB-Blaster [1-1]", nullptr},
        DownloadCase{"AutomaticUnconfiguredBoard", "", "plain", Image::Vendor, false, false, true, "1", nullptr},
        DownloadCase{
            "AutomaticConfiguredBoard", "", "plain", Image::Vendor, true, false, true, "USB-Blaster [1-1]", nullptr},
        DownloadCase{"Semicolon", "1", "a;b@c", Image::Vendor, false, false, true, "1", nullptr},
        DownloadCase{"SimulatorImageToRealCable", "USB-Blaster [1-1]", "plain", Image::Simulator, false, false, false,
            nullptr, "simulated board's image"},
        DownloadCase{
            "VendorImageToSimulator", "sim", "plain", Image::Vendor, false, false, false, nullptr, "real board"},
        DownloadCase{"ProgrammerFails", "1", "plain", Image::Vendor, false, true, false, "1", "error code 87"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

// The names by which our libraries find the vendor's functions on Windows, read back by
// an independent demangler of Microsoft's scheme: each must be the very declaration our
// libraries call through (a name off by one letter would load and then crash, or fail
// to resolve, only on a user's machine).
TEST(VendorNames, MicrosoftsDecorationsSpellTheDeclarations)
{
    if (std::system("llvm-undname --help >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "llvm-undname (LLVM) is not installed";
    const char* const declarations[] = {
        "struct JTAGATLANTIC * __cdecl jtagatlantic_open(char const *, int, int, char const *)",
        "int __cdecl jtagatlantic_get_error(char const **)",
        "void __cdecl jtagatlantic_close(struct JTAGATLANTIC *)",
        "int __cdecl jtagatlantic_write(struct JTAGATLANTIC *, char const *, unsigned int)",
        "int __cdecl jtagatlantic_flush(struct JTAGATLANTIC *)",
        "int __cdecl jtagatlantic_read(struct JTAGATLANTIC *, char *, unsigned int)",
        "int __cdecl jtagatlantic_bytes_available(struct JTAGATLANTIC *)",
        "void __cdecl jtagatlantic_get_info(struct JTAGATLANTIC *, char const **, int *, int *)",
    };
    for (const vendorapi::EntryNames& table : {vendorapi::MICROSOFT64_NAMES, vendorapi::MICROSOFT32_NAMES}) {
        const char* const names[] = {table.open, table.getError, table.close, table.write, table.flush, table.read,
            table.bytesAvailable, table.getInfo};
        std::string input;
        for (const char* name : names)
            input += std::string(name) + "\n";
        const std::string file = std::filesystem::temp_directory_path() / ("vx5h-names-" + std::to_string(::getpid()));
        std::ofstream(file) << input;
        std::FILE* pipe = ::popen(("llvm-undname < " + file).c_str(), "r");
        ASSERT_TRUE(pipe);
        std::string output;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        ::pclose(pipe);
        std::filesystem::remove(file);
        for (std::size_t i = 0; i < std::size(names); ++i)
            EXPECT_NE(output.find(std::string(names[i]) + "\n" + declarations[i] + "\n"), std::string::npos)
                << names[i] << "\n" << output;
    }
}
