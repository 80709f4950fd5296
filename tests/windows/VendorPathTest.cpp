// Our driver libraries on Windows through the vendor's tools, under wine: stand-ins of
// jtag_client.dll, jtag_atlantic.dll (exporting the decorated names) and quartus_pgm.exe
// in an installation the registry names, as the vendor's installer leaves it.
#include "board/JtagApi.h"
#include "config/Download.h"
#include "platform/DynamicLibrary.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

const char* const TOOLS_KEY = "SOFTWARE\\Altera Corporation\\Quartus";
const char* const TOOLS_VALUE = "Quartus Install Directory";
const std::string CABLE = "USB-Blaster [USB-0]";

std::string ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class VendorOnWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, TOOLS_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        const std::string root = WindowsPath(VX5H_STANDIN_QUARTUS) + "\\";
        ::RegSetValueExA(key, TOOLS_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(root.c_str()),
            static_cast<DWORD>(root.size() + 1));
        ::RegCloseKey(key);
        _putenv_s("VX5H_CABLE", CABLE.c_str());
        _putenv_s("STANDIN_ATLANTIC", "");
        _putenv_s("STANDIN_PGM_HANG", "");
        log = WindowsPath(VX5H_WORK_DIR) + "\\pgm-" + std::to_string(::GetCurrentProcessId()) + ".log";
        ::DeleteFileA(log.c_str());
        _putenv_s("STANDIN_PGM_LOG", log.c_str());
        bin = WindowsPath(VX5H_TEST_BIN_DIR) + "\\";
        platform::OverrideExecutableFolder(bin);
        jtag = platform::DynamicLibrary::Load(bin + "QELVANO_JTAG.DLL");
        ASSERT_TRUE(jtag);
        open = jtag->ResolveAs<QELVANO_JtagOpen_t>(jtagapi::OPEN_NAME);
        close = jtag->ResolveAs<QELVANO_JtagClose_t>(jtagapi::CLOSE_NAME);
        write = jtag->ResolveAs<QELVANO_JtagWrite_t>(jtagapi::WRITE_NAME);
        read = jtag->ResolveAs<QELVANO_JtagRead_t>(jtagapi::READ_NAME);
        lastError = jtag->ResolveAs<QELVANO_JtagLastError_t>(jtagapi::LAST_ERROR_NAME);
    }
    void TearDown() override
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, TOOLS_KEY, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            ::RegDeleteValueA(key, TOOLS_VALUE);
            ::RegCloseKey(key);
        }
        _putenv_s("VX5H_CABLE", "");
        platform::OverrideExecutableFolder(std::nullopt);
        ::DeleteFileA(log.c_str());
    }

    // Everything the echoing board sends back within two seconds, up to `count` bytes.
    std::vector<std::uint8_t> ReadBack(std::uint32_t link, std::size_t count)
    {
        std::vector<std::uint8_t> got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        std::uint8_t buffer[4096];
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            const std::int32_t n = read(link, buffer, sizeof buffer);
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }

    std::unique_ptr<platform::DynamicLibrary> jtag;
    QELVANO_JtagOpen_t open = nullptr;
    QELVANO_JtagClose_t close = nullptr;
    QELVANO_JtagWrite_t write = nullptr;
    QELVANO_JtagRead_t read = nullptr;
    QELVANO_JtagLastError_t lastError = nullptr;
    std::string log, bin;
};

TEST_F(VendorOnWindows, BytesGoByTheDecoratedEntryPointsWholeThroughShortWritesAndUpToABreak)
{
    std::vector<std::uint8_t> sent(5000);
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<std::uint8_t>(i * 13);
    for (const char* script : {"", "short_writes=1"}) {
        _putenv_s("STANDIN_ATLANTIC", script);
        const std::uint32_t link = open(0, nullptr);
        ASSERT_NE(link, 0u) << script;
        ASSERT_EQ(write(link, sent.data(), static_cast<std::int32_t>(sent.size())), 1) << script;
        EXPECT_EQ(ReadBack(link, sent.size()), sent) << script;
        close(link);
    }
    // A link that breaks mid-reply delivers what came before the break, then nothing;
    // writing on it fails.
    _putenv_s("STANDIN_ATLANTIC", "break_after=1000");
    const std::uint32_t link = open(0, nullptr);
    ASSERT_NE(link, 0u);
    ASSERT_EQ(write(link, sent.data(), static_cast<std::int32_t>(sent.size())), 1);
    const std::vector<std::uint8_t> got = ReadBack(link, sent.size());
    EXPECT_TRUE(got.size() == 1000 && std::equal(got.begin(), got.end(), sent.begin())) << got.size();
    EXPECT_EQ(write(link, sent.data(), 10), 0);
    close(link);
}

TEST_F(VendorOnWindows, EachErrorAtOpenIsReportedAsOurs)
{
    const struct {
        const char* script;
        std::int32_t code;
    } cases[] = {
        {"open_error=-3", jtagapi::JTAG_ERROR_NO_CABLE},
        {"open_error=-4", jtagapi::JTAG_ERROR_NO_CABLE},
        {"open_error=-6,open_detail=held by another program", jtagapi::JTAG_ERROR_IN_USE},
        {"open_error=-8", jtagapi::JTAG_ERROR_NO_JTAG_UART},
        {"open_error=-1", jtagapi::JTAG_ERROR_SERVER_UNREACHABLE},
        {"open_error=-5", jtagapi::JTAG_ERROR_OTHER},
        {"open_error=-2", jtagapi::JTAG_ERROR_OTHER},
        {"open_error=-9,open_detail=Permission denied", jtagapi::JTAG_ERROR_PERMISSION},
    };
    for (const auto& c : cases) {
        _putenv_s("STANDIN_ATLANTIC", c.script);
        EXPECT_EQ(open(0, nullptr), 0u) << c.script;
        char text[512] = {};
        EXPECT_EQ(lastError(text, sizeof text), c.code) << c.script << ": " << text;
    }
}

// The programmer's command line reaches it as it was meant, whatever the cable's name and
// the image's path hold; a name the programmer's "p;FILE" cannot carry goes through a copy.
TEST_F(VendorOnWindows, TheProgrammerGetsItsArgumentsIntact)
{
    const std::string cable = "USB \"Blaster\" [a b]\\";
    _putenv_s("VX5H_CABLE", cable.c_str());
    _putenv_s("STANDIN_ATLANTIC", ""); // the stand-in's chain answers to any name
    const std::string folder = WindowsPath(VX5H_WORK_DIR) + "\\image folder; with spaces";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string image = folder + "\\board image.sof";
    std::ofstream(image, std::ios::binary) << "FAKE-SOF a board's design";

    TDownload download;
    ASSERT_TRUE(download.IsLoaded());
    const bool done = download.DownloadImage(image, 20000, 0, 0, 0, 0, 1);
    const std::string recorded = ReadAll(log);
    ::DeleteFileA(image.c_str());
    ::RemoveDirectoryA(folder.c_str());
    ASSERT_TRUE(done) << download.LastError();
    std::istringstream lines(recorded);
    std::vector<std::string> args;
    for (std::string line; std::getline(lines, line) && line != "--";)
        args.push_back(line);
    ASSERT_EQ(args.size(), 6u) << recorded;
    EXPECT_EQ(args[0], "-c");
    EXPECT_EQ(args[1], cable);
    EXPECT_EQ(args[2], "-m");
    EXPECT_EQ(args[3], "JTAG");
    ASSERT_EQ(args[4], "-o");
    ASSERT_EQ(args[5].rfind("p;", 0), 0u);
    const std::string passed = args[5].substr(2);
    EXPECT_EQ(passed.find(';'), std::string::npos) << passed;
    EXPECT_NE(passed.find("vx5h-image-"), std::string::npos) << passed; // the private copy
}

TEST_F(VendorOnWindows, AProgrammerThatHangsIsEndedWithItsChildAtTheBudget)
{
    _putenv_s("STANDIN_PGM_HANG", "1");
    const std::string image = WindowsPath(VX5H_WORK_DIR) + "\\hang image.sof";
    std::ofstream(image, std::ios::binary) << "FAKE-SOF a board's design";
    TDownload download;
    ASSERT_TRUE(download.IsLoaded());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(download.DownloadImage(image, 1000, 0, 0, 0, 0, 1));
    const auto spent = std::chrono::steady_clock::now() - start;
    ::DeleteFileA(image.c_str());
    EXPECT_LT(spent, std::chrono::seconds(15));
    EXPECT_NE(download.LastError().find("timed out"), std::string::npos) << download.LastError();
    const std::string recorded = ReadAll(log);
    const auto at = recorded.find("child ");
    ASSERT_NE(at, std::string::npos) << recorded;
    const DWORD child = std::strtoul(recorded.c_str() + at + 6, nullptr, 10);
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, child);
    if (process) { // gone already, or ending
        EXPECT_EQ(::WaitForSingleObject(process, 2000), WAIT_OBJECT_0);
        ::CloseHandle(process);
    }
}

} // namespace
