// vx5h doctor on Windows, under wine: each check against stand-ins laid out as the vendor's
// installer leaves them (the registry value naming the installation, bin64 for 64-bit
// programs and bin for 32-bit ones, drivers\usb-blaster, jtagserver.exe as a service),
// then vx5h doctor itself against this PC's registry, folders and service manager.
#include "cli/DoctorWindows.h"
#include "platform/LibraryKind.h"
#include "platform/Process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace {

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// The first bytes of a program or library for `machine` (0x8664 x64, 0x014C x86).
std::string PeHeader(std::uint16_t machine)
{
    std::string bytes(512, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3C] = 0x40;
    bytes.replace(0x40, 4, std::string("PE\0\0", 4));
    bytes[0x44] = static_cast<char>(machine & 0xFF);
    bytes[0x45] = static_cast<char>(machine >> 8);
    return bytes;
}

const doctor::TCheck* Named(const std::vector<doctor::TCheck>& checks, const std::string& name)
{
    const auto it = std::find_if(checks.begin(), checks.end(), [&](const doctor::TCheck& c) { return c.name == name; });
    return it == checks.end() ? nullptr : &*it;
}

class ToolsLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("vx5h-doctor-" + std::to_string(::GetCurrentProcessId()));
        fs::remove_all(root);
    }
    void TearDown() override { fs::remove_all(root); }
    void Put(const std::string& relative, const std::string& bytes)
    {
        fs::create_directories((root / relative).parent_path());
        std::ofstream(root / relative, std::ios::binary) << bytes;
    }
    // An installation of the vendor's tools for `bits`, without the files named in `leftOut`.
    void Install(int bits, const std::vector<std::string>& leftOut = {}, std::uint16_t atlanticMachine = 0)
    {
        const std::string bin = bits == 64 ? "bin64/" : "bin/";
        const std::uint16_t machine = bits == 64 ? 0x8664 : 0x014C;
        for (const char* file : {"jtag_client.dll", "jtag_atlantic.dll", "quartus_pgm.exe"}) {
            if (std::find(leftOut.begin(), leftOut.end(), file) != leftOut.end())
                continue;
            const bool atlantic = std::string(file) == "jtag_atlantic.dll";
            Put(bin + file, PeHeader(atlantic && atlanticMachine ? atlanticMachine : machine));
        }
    }
    std::string Root() const { return root.string(); }
    fs::path root;
};

// Each missing piece of the tools is named with what to do about it.
TEST_F(ToolsLayout, EachMissingPieceIsNamedWithItsFix)
{
    const int bits = platform::ProgramMachine().bits;
    const std::uint16_t other = bits == 64 ? 0x014C : 0x8664;
    const struct {
        const char* what;
        std::function<void()> layout;
        std::optional<std::string> value; // empty: the stand-in's root
        int programBits;
        const char* failing; // the check that fails; nullptr: all pass
        const char* advice;
    } cases[] = {
        {"no registry value", [] {}, std::nullopt, bits, "vendor tools", "install them"},
        {"a relative value", [] {}, std::string("intelFPGA\\quartus"), bits, "vendor tools", "not a full path"},
        {"a folder that is gone", [] {}, std::string(""), bits, "vendor tools", "which is not there"},
        {"no bin64", [this] { Install(32); }, std::string(""), 64, "vendor tools' bin64", "install the tools again"},
        {"64-bit tools, 32-bit program", [this] { Install(64); }, std::string(""), 32, "vendor tools' bin",
            "use the 64-bit program"},
        {"no jtag_atlantic.dll", [this, bits] { Install(bits, {"jtag_atlantic.dll"}); }, std::string(""), bits,
            "jtag_atlantic.dll", "missing"},
        {"jtag_atlantic.dll of the other kind", [this, bits, other] { Install(bits, {}, other); }, std::string(""),
            bits, "jtag_atlantic.dll", "cannot load it"},
        {"no programmer", [this, bits] { Install(bits, {"quartus_pgm.exe"}); }, std::string(""), bits,
            "quartus_pgm.exe", "cannot be configured"},
        {"complete", [this, bits] { Install(bits); }, std::string(""), bits, nullptr, ""},
    };
    for (const auto& c : cases) {
        fs::remove_all(root);
        c.layout();
        const std::optional<std::string> value
            = c.value && c.value->empty() ? std::optional<std::string>(Root()) : c.value;
        const std::vector<doctor::TCheck> checks = doctor::CheckToolsFromRegistry(value, c.programBits);
        for (const doctor::TCheck& check : checks) {
            const bool failing = c.failing && check.name == c.failing;
            EXPECT_EQ(check.ok, !failing) << c.what << ": " << doctor::Line(check);
            if (failing) {
                EXPECT_NE(check.detail.find(c.advice), std::string::npos) << c.what << ": " << check.detail;
            }
        }
        if (c.failing) {
            EXPECT_NE(Named(checks, c.failing), nullptr) << c.what;
        } else {
            EXPECT_EQ(checks.size(), 4u) << c.what;
        }
    }

    // Tools that only the other word size's registry names are that word size's: the
    // other program is the one to use.
    const std::string otherWords = "use the " + std::to_string(bits == 64 ? 32 : 64) + "-bit program";
    EXPECT_NE(
        doctor::CheckToolsFromRegistry(std::nullopt, bits, Root()).front().detail.find(otherWords), std::string::npos);

    // A value naming a file is named so; one holding escape sequences or 100 KB is shown
    // escaped and cut, its path's backslashes as they are.
    fs::remove_all(root);
    Put("quartus", "a file");
    EXPECT_NE(doctor::CheckToolsFromRegistry(Root() + "\\quartus", bits).front().detail.find("which is a file"),
        std::string::npos);
    const std::string odd = "C:\\tools\x1b[2J" + std::string(100000, 'x');
    const std::string line = doctor::Line(doctor::CheckToolsFromRegistry(odd, bits).front());
    EXPECT_EQ(
        line.rfind("FIX   vendor tools: the registry names C:\\tools\\x1b[2J" + std::string(188, 'x') + "... (", 0), 0u)
        << line.substr(0, 400);
    EXPECT_LT(line.size(), 600u);
}

// Our libraries beside the program: there, and of its word size.
TEST_F(ToolsLayout, OurLibrariesMustBeOfTheProgramsKind)
{
    const std::uint16_t own = platform::ProgramMachine().bits == 64 ? 0x8664 : 0x014C;
    const std::uint16_t other = own == 0x8664 ? 0x014C : 0x8664;
    Put("QELVANO_JTAG.DLL", PeHeader(own));
    Put("QELVANO_DOWNLOAD.DLL", PeHeader(other));
    Put("vx5h-board-sim.exe", PeHeader(own));
    const std::vector<doctor::TCheck> checks = doctor::CheckWindowsProgramFolder(Root() + "\\");
    ASSERT_EQ(checks.size(), 4u);
    EXPECT_TRUE(checks[0].ok) << checks[0].detail;
    EXPECT_FALSE(checks[1].ok);
    EXPECT_NE(checks[1].detail.find("cannot load it"), std::string::npos) << checks[1].detail;
    EXPECT_FALSE(checks[2].ok) << "no FPGA image";
    EXPECT_NE(checks[2].detail.find("install the program again"), std::string::npos);
    EXPECT_TRUE(checks[3].ok) << checks[3].detail;

    // Bytes that are no Windows library, put where ours belong, cannot load either.
    for (const char* bytes : {"garbage", "MZ", ""}) {
        Put("QELVANO_JTAG.DLL", bytes);
        const doctor::TCheck jtag = doctor::CheckWindowsProgramFolder(Root() + "\\").front();
        EXPECT_FALSE(jtag.ok) << bytes;
        EXPECT_NE(
            jtag.detail.find("QELVANO_JTAG.DLL is not a Windows library: this program cannot load it. Install the "
                             "program again"),
            std::string::npos)
            << jtag.detail;
    }
}

// What Windows says of the cable and the server, read as a person would.
TEST(WindowsDoctorChecks, CableDriversAndTheJtagServerFromWhatWindowsSays)
{
    using platform::TServiceState;
    const std::string tools = "C:\\intelFPGA_lite\\18.1\\quartus";
    const struct {
        platform::TUsbDeviceInfo device;
        std::optional<TServiceState> driver;
        bool ok;
        const char* advice;
    } cables[] = {
        {{"USB\\VID_09FB&PID_6001\\5&1", 0x6001, "", 28}, std::nullopt, false,
            "drivers\\usb-blaster (an administrator"},
        {{"USB\\VID_09FB&PID_6010\\5&2", 0x6010, "", 0}, std::nullopt, false, "drivers\\usb-blaster-ii"},
        {{"USB\\VID_09FB&PID_6001\\5&3", 0x6001, "usbblstr", 10}, TServiceState::Running, false, "problem code 10"},
        {{"USB\\VID_09FB&PID_6810\\5&4", 0x6810, "usbblstr2", 0}, TServiceState::Running, false,
            "without its firmware"},
        {{"USB\\VID_09FB&PID_6001\\5&5", 0x6001, "usbblstr", 0}, TServiceState::Stopped, false, "is stopped"},
        {{"USB\\VID_09FB&PID_6001\\5&6", 0x6001, "usbblstr", 0}, TServiceState::Running, true, "driver usbblstr"},
    };
    for (const auto& c : cables) {
        const auto checks = doctor::CheckCableDrivers({{c.device, c.driver}}, true, "", tools);
        ASSERT_EQ(checks.size(), 1u);
        EXPECT_EQ(checks[0].ok, c.ok) << c.device.instance;
        EXPECT_NE(checks[0].detail.find(c.advice), std::string::npos) << c.device.instance << ": " << checks[0].detail;
    }
    EXPECT_NE(doctor::CheckCableDrivers({}, true, "", tools)[0].detail.find("no USB-Blaster is plugged in"),
        std::string::npos);
    EXPECT_NE(doctor::CheckCableDrivers({}, false, "access denied", tools)[0].detail.find("access denied"),
        std::string::npos);

    const std::string ours = "\"" + tools + "\\bin64\\jtagserver.exe\"";
    const struct {
        std::vector<platform::TServiceInfo> services;
        std::string toolsRoot;
        bool ok;
        const char* advice;
    } servers[] = {
        {{}, "", false, "comes with the vendor's tools"},
        {{}, tools, false, "jtagserver.exe\" --install"},
        {{{"jtagserver", "Altera JTAG Server", ours, TServiceState::Stopped}}, tools, false, "sc start jtagserver"},
        {{{"jtagserver", "Altera JTAG Server", "C:\\altera\\13.0\\quartus\\bin\\jtagserver.exe",
             TServiceState::Running}},
            tools, false, "not the JTAG server of the tools the registry names"},
        {{{"jtagserver", "Altera JTAG Server", ours, TServiceState::Running}}, tools, true, "runs"},
    };
    for (const auto& c : servers) {
        const auto checks = doctor::CheckJtagServer(c.services, true, "", c.toolsRoot);
        ASSERT_EQ(checks.size(), 1u);
        EXPECT_EQ(checks[0].ok, c.ok) << checks[0].detail;
        EXPECT_NE(checks[0].detail.find(c.advice), std::string::npos) << checks[0].detail;
    }
}

// vx5h doctor as a user runs it, against this PC: the tools the registry names (the
// stand-in installation), no USB-Blaster, and the JTAG server's service installed but
// stopped, then running. As JSON and as text.
class DoctorOnThisPc : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = WindowsPath(VX5H_STANDIN_QUARTUS);
        SetToolsValue(root);
        manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager, nullptr);
        const std::wstring program
            = L"\"" + std::wstring(root.begin(), root.end()) + L"\\" VX5H_STANDIN_BIN L"\\jtagserver.exe\"";
        service = ::CreateServiceW(manager, SERVICE_NAME, L"Stand-in JTAG Server", SERVICE_ALL_ACCESS,
            SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, program.c_str(), nullptr, nullptr,
            nullptr, nullptr, nullptr);
        ASSERT_NE(service, nullptr) << ::GetLastError();
        const std::string endpoint = "vx5h-doctor-" + std::to_string(::GetCurrentProcessId());
        _putenv_s("VX5H_SIM_SOCKET", endpoint.c_str());
        _putenv_s("VX5H_SIM_IDLE_EXIT", "60");
        _putenv_s("VX5H_CABLE", "sim");
        // The board that answers at the end: the simulator, its FPGA configured.
        ASSERT_TRUE(platform::RunProgram({Bin() + "vx5h.exe", "-q", "configure"}, 60000).Succeeded());
    }
    void TearDown() override
    {
        if (service) {
            SERVICE_STATUS status{};
            ::ControlService(service, SERVICE_CONTROL_STOP, &status);
            ::DeleteService(service);
            ::CloseServiceHandle(service);
        }
        if (manager)
            ::CloseServiceHandle(manager);
        SetToolsValue("");
        platform::RunProgram({Bin() + "vx5h-board-sim.exe", "ctl", "quit"}, 10000);
        _putenv_s("VX5H_CABLE", "");
    }
    static void SetToolsValue(const std::string& value)
    {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(
                      HKEY_LOCAL_MACHINE, doctor::TOOLS_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        if (value.empty())
            ::RegDeleteValueA(key, doctor::TOOLS_VALUE);
        else
            ::RegSetValueExA(key, doctor::TOOLS_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                static_cast<DWORD>(value.size() + 1));
        ::RegCloseKey(key);
    }
    static std::string Bin() { return WindowsPath(VX5H_TEST_BIN_DIR) + "\\"; }
    // doctor --json's checks by name.
    std::map<std::string, nlohmann::json> Doctor(platform::TProgramRun* text = nullptr)
    {
        platform::TRunOptions options;
        options.separateErrors = true;
        const platform::TProgramRun run
            = platform::RunProgram({Bin() + "vx5h.exe", "doctor", "--json"}, 60000, nullptr, options);
        if (text)
            *text = platform::RunProgram({Bin() + "vx5h.exe", "doctor"}, 60000, nullptr, options);
        std::map<std::string, nlohmann::json> checks;
        const nlohmann::json report = nlohmann::json::parse(run.output, nullptr, false);
        EXPECT_TRUE(report.is_object()) << run.output;
        if (report.is_object())
            for (const nlohmann::json& check : report["checks"])
                checks[check["name"].get<std::string>()] = check;
        return checks;
    }

    static constexpr const wchar_t* SERVICE_NAME = L"vx5h-standin-jtagserver";
    std::string root;
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
};

TEST_F(DoctorOnThisPc, FindsTheToolsTheCableAndTheServer)
{
    platform::TProgramRun text;
    auto checks = Doctor(&text);
    for (const char* name : {"JTAG library", "download library", "FPGA image", "simulator", "vendor tools",
             "jtag_client.dll", "jtag_atlantic.dll", "quartus_pgm.exe", "board"})
        EXPECT_TRUE(checks[name].value("ok", false)) << name << ": " << checks[name].dump();
    EXPECT_NE(checks["vendor tools"]["detail"].get<std::string>().find(root), std::string::npos);
    EXPECT_FALSE(checks["USB cable"]["ok"].get<bool>());
    EXPECT_NE(checks["USB cable"]["detail"].get<std::string>().find("no USB-Blaster"), std::string::npos);
    EXPECT_FALSE(checks["JTAG server"]["ok"].get<bool>());
    EXPECT_NE(checks["JTAG server"]["detail"].get<std::string>().find("installed but stopped"), std::string::npos)
        << checks["JTAG server"].dump();
    EXPECT_EQ(checks.count("udev rule"), 0u) << "no Linux checks on Windows";
    EXPECT_NE(text.output.find("FIX   JTAG server: the service \"Stand-in JTAG Server\" is installed but stopped"),
        std::string::npos)
        << text.output;

    ASSERT_TRUE(::StartServiceW(service, 0, nullptr)) << ::GetLastError();
    for (int i = 0; i < 100 && !checks["JTAG server"].value("ok", false); ++i) {
        ::Sleep(100);
        checks = Doctor();
    }
    EXPECT_TRUE(checks["JTAG server"]["ok"].get<bool>()) << checks["JTAG server"].dump();

    SetToolsValue("");
    checks = Doctor();
    EXPECT_FALSE(checks["vendor tools"]["ok"].get<bool>());
    EXPECT_NE(checks["vendor tools"]["detail"].get<std::string>().find("the registry names none"), std::string::npos);
}

} // namespace
