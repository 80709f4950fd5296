// vx5h doctor: each check against a stand-in for what it reads, then the whole report
// against the simulator and the stand-in vendor installation.
#include "CliHarness.h"

#include "cli/DoctorChecks.h"
#include "platform/Network.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace {

class DoctorFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vx5h-doctor-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override { fs::remove_all(root); }
    void Put(const fs::path& path, const std::string& text)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text << "\n";
    }
    void Cable(const std::string& name, const std::string& product, int dev)
    {
        Put(root / "sys" / name / "idVendor", "09fb");
        Put(root / "sys" / name / "idProduct", product);
        Put(root / "sys" / name / "busnum", "1");
        Put(root / "sys" / name / "devnum", std::to_string(dev));
    }
    fs::path root;
};

struct TJtagconfigCase {
    const char* output;
    bool ok;
    const char* advice;
};

TEST(DoctorChecks, JtagconfigIsReadAsAPersonReadsIt)
{
    const TJtagconfigCase cases[] = {
        {"No JTAG hardware available\n", false, "no cable: plug the board's USB cable in"},
        {"1) USB-Blaster variant [1-1]\n  Unable to lock chain - Insufficient port permissions\n", false,
            "install the udev rule"},
        {"1) USB-Blaster [1-1]\n  Unable to read device chain - JTAG chain broken (87)\n", false,
            "the JTAG server reports error 87"},
        {"Error when scanning hardware - Server error (89)\n", false, "error 89"},
        {"jtagd: cannot bind to port 1309: Address already in use\n", false,
            "another user's or another version's server holds it"},
        {"Error: libudev.so.0 not found\n1) USB-Blaster [1-1]\n", false, "until the server restarts"},
        {"1) USB-Blaster [1-1]\n  020F30DD   EP3C25/EP4CE22\n", true, "cable USB-Blaster [1-1]"},
        {"", false, "lists no cable"},
    };
    for (const TJtagconfigCase& c : cases) {
        const std::vector<doctor::TCheck> checks = doctor::ReadJtagconfig(c.output, true);
        ASSERT_FALSE(checks.empty()) << c.output;
        EXPECT_EQ(checks.front().ok, c.ok) << c.output;
        EXPECT_NE(checks.front().detail.find(c.advice), std::string::npos) << c.output << checks.front().detail;
    }
    EXPECT_FALSE(doctor::ReadJtagconfig("", false).front().ok) << "a jtagconfig that did not run";
    EXPECT_TRUE(doctor::ReadJtagconfigNodes("1) USB-Blaster [1-1]\n    Node 0C006E00  JTAG UART #0\n", true).ok);
    EXPECT_FALSE(doctor::ReadJtagconfigNodes("1) USB-Blaster [1-1]\n  020F30DD   EP3C25\n", true).ok);
}

// Each remote server the client knows is listed, asked on its own port (1309 unless
// named), and one that does not answer is something to fix.
TEST(RemoteServers, EachIsListedWithWhetherItAnswers)
{
    const std::string conf = "Remote1 {\n  Host = \"lab-pc\";\n  Password = \"x\";\n}\n"
                             "Remote2 { Host = \"lab2:1310\"; Password = \"y\"; }\nRemote3 { Host = \"lab3:99999\"; }\n";
    std::vector<std::pair<std::string, std::uint16_t>> asked;
    std::mutex askedLock; // the servers are asked side by side
    const auto checks = doctor::CheckRemoteServers(conf, true, [&](const std::string& host, std::uint16_t port) {
        const std::lock_guard<std::mutex> guard(askedLock);
        asked.emplace_back(host, port);
        return port == 1310;
    });
    std::sort(asked.begin(), asked.end());
    ASSERT_EQ(checks.size(), 3u);
    EXPECT_EQ(doctor::Line(checks[0]).rfind("FIX   remote JTAG server lab-pc: does not answer on port 1309", 0), 0u)
        << doctor::Line(checks[0]);
    EXPECT_EQ(doctor::Line(checks[1]), "OK    remote JTAG server lab2:1310: answers on port 1310");
    EXPECT_FALSE(checks[2].ok);
    EXPECT_EQ(asked, (std::vector<std::pair<std::string, std::uint16_t>>{{"lab-pc", 1309}, {"lab2", 1310}}));
    EXPECT_TRUE(doctor::CheckRemoteServers("", false, {}).front().ok);

    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const std::uint16_t port = ntohs(address.sin_port);
    EXPECT_TRUE(platform::TcpAnswers("127.0.0.1", port, 1000));
    ::close(listener);
    EXPECT_FALSE(platform::TcpAnswers("127.0.0.1", port, 1000));
}

TEST_F(DoctorFolder, UsbCablesComeFromSysfsAndTheirDeviceNodes)
{
    EXPECT_NE(doctor::CheckUsbCables((root / "sys").string(), (root / "dev").string()).front().detail.find(
                  "no cable of vendor 09fb"),
        std::string::npos);
    Cable("1-1", "6001", 5);
    Cable("1-2", "6810", 6);
    Cable("1-3", "6010", 7);
    Put(root / "sys" / "2-1" / "idVendor", "1d6b");
    Put(root / "dev" / "001" / "005", "");
    std::vector<doctor::TCheck> checks = doctor::CheckUsbCables((root / "sys").string(), (root / "dev").string());
    std::sort(checks.begin(), checks.end(), [](auto& a, auto& b) { return a.name < b.name; });
    ASSERT_EQ(checks.size(), 3u);
    EXPECT_TRUE(checks[0].ok) << checks[0].detail;
    EXPECT_NE(checks[1].detail.find("USB-Blaster II without its firmware"), std::string::npos);
    EXPECT_FALSE(checks[2].ok);
    EXPECT_NE(checks[2].detail.find("install the udev rule 70-vx5h-usb-blaster.rules"), std::string::npos);
}

TEST_F(DoctorFolder, FoldersAndTheCableChoice)
{
    EXPECT_FALSE(doctor::CheckUdevRule({(root / "etc").string()}).ok);
    Put(root / "lib" / "70-vx5h-usb-blaster.rules", "");
    EXPECT_TRUE(doctor::CheckUdevRule({(root / "etc").string(), (root / "lib").string()}).ok);

    for (const doctor::TCheck& check : doctor::CheckProgramFolder(testsupport::SimulatedBoard::BinFolder()))
        EXPECT_TRUE(check.ok) << check.name << ": " << check.detail;
    EXPECT_EQ(doctor::CheckProgramFolder(root.string()).front().detail,
        "missing: " + (root / "QELVANO_JTAG.DLL").string() + "; build or install vx5h again");

    EXPECT_FALSE(doctor::CheckVendorTools("").front().ok);
    EXPECT_FALSE(doctor::CheckVendorTools(root.string()).back().ok);
    // A root that is no folder, or not the tools' installation, is no vendor's tools.
    const struct {
        std::string root;
        std::string detail;
    } wrongRoots[] = {{"/nonexistent", "QUARTUS_ROOTDIR=/nonexistent is no folder"},
        {root.string(), "QUARTUS_ROOTDIR=" + root.string() + " holds no bin/jtagconfig"}};
    for (const auto& wrong : wrongRoots) {
        const doctor::TCheck check = doctor::CheckVendorTools(wrong.root).front();
        EXPECT_FALSE(check.ok) << wrong.root;
        EXPECT_EQ(check.detail.rfind(wrong.detail, 0), 0u) << check.detail;
    }
    EXPECT_NE(doctor::CheckCableChoice("USB-Blaster [1-1]").detail.find("never the simulator"), std::string::npos);
}

// Values doctor shows come from the environment in whatever bytes it holds (a code page's
// on Windows): its JSON is valid whatever they are and shows bytes that are no UTF-8 as
// \xHH; its lines show control characters so, never to the terminal; both cut a long
// value between two characters, never inside one.
TEST(DoctorOutput, ShowsAnyValueValidEscapedAndCut)
{
    const std::string a199(199, 'a');
    const std::string cable = "OK    VX5H_CABLE: the cable ";
    const struct {
        const char* variable;
        std::string value; // for printf: \351 is Latin-1's é, \303\251 UTF-8's
        std::string name;
        std::string detail; // the start of the JSON's detail
        std::string line;   // in the text
    } cases[] = {
        {"VX5H_CABLE", "Blaster \\351", "VX5H_CABLE", "the cable Blaster \\xe9, never",
            cable + "Blaster \\xe9, never the simulator\n"},
        {"VX5H_CABLE", a199 + "\\303\\251", "VX5H_CABLE", "the cable " + a199 + "..., never",
            cable + a199 + "..., never the simulator\n"},
        {"VX5H_CABLE", std::string(198, 'a') + "\\303\\251b", "VX5H_CABLE",
            "the cable " + std::string(198, 'a') + "\xc3\xa9..., never",
            cable + std::string(198, 'a') + "\xc3\xa9..., never the simulator\n"},
        {"VX5H_CABLE", "a\\033]0;owned\\007b\\r\\nc", "VX5H_CABLE",
            "the cable a\x1b]0;owned\x07"
            "b\r\nc, never",
            cable + "a\\x1b]0;owned\\x07b\\x0d\\x0ac, never the simulator\n"},
        {"VX5H_CABLE", std::string(100000, 'x'), "VX5H_CABLE", "the cable " + std::string(200, 'x') + "..., never",
            cable + std::string(200, 'x') + "..., never the simulator\n"},
        {"QUARTUS_ROOTDIR", "q" + std::string(198, 'q') + "\\342\\202\\254", "vendor tools",
            "QUARTUS_ROOTDIR is not a full path (" + std::string(199, 'q') + "...)",
            "FIX   vendor tools: QUARTUS_ROOTDIR is not a full path (" + std::string(199, 'q') + "...)"},
    };
    for (const auto& c : cases) {
        const std::string doctor = std::string("env -u QUARTUS_ROOTDIR -u VX5H_CABLE ") + c.variable + "=\"$(printf '"
            + c.value + "')\" timeout 60 '" + testsupport::SimulatedBoard::BinFolder() + "vx5h' doctor";
        const std::string out = testsupport::RunCommand(doctor + " --json");
        nlohmann::json report;
        ASSERT_NO_THROW(report = nlohmann::json::parse(out)) << c.line << "\n" << out.substr(0, 2000);
        bool found = false;
        for (const nlohmann::json& check : report.at("checks"))
            found = found
                || (check.at("name") == c.name && check.at("detail").get<std::string>().rfind(c.detail, 0) == 0);
        EXPECT_TRUE(found) << c.line << "\n" << out.substr(0, 2000);
        const std::string text = testsupport::RunCommand(doctor);
        EXPECT_NE(text.find(c.line), std::string::npos) << c.line << "\n" << text.substr(0, 2000);
        EXPECT_LT(text.size(), 10000u);
    }
}

using DoctorOnSimulator = clitest::CliTest;

struct TMisbehaviour {
    const char* root;       // QUARTUS_ROOTDIR, FOLDER standing for the test's folder
    std::string jtagconfig; // its script's body
    std::string jtagConf;   // ~/.jtag.conf
    const char* line;       // a line doctor prints
};

// What doctor reads comes from another program and the user's files: whatever they hold,
// doctor ends within its budget (shortened here to 1 s for jtagconfig), prints each line,
// and runs nothing from a QUARTUS_ROOTDIR that is no full path.
TEST_F(DoctorOnSimulator, EndsInTimeWhateverJtagconfigAndTheFilesHold)
{
    char pattern[] = "/tmp/vx5h-doctor-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path folder = pattern;
    const std::string cable = "echo '1) USB-Blaster [1-1]'";
    const std::string huge(100000, 'x');
    const TMisbehaviour cases[] = {
        {"FOLDER", "exec sleep 60", "", "FIX   jtagconfig: could not be run (or did not end in time)"},
        {"FOLDER", "sleep 60 & " + cable, "", "OK    jtagconfig: cable USB-Blaster [1-1]"},
        {"FOLDER", "exec yes '1) USB-Blaster [1-1]'", "", "FIX   jtagconfig: could not be run"},
        {"FOLDER", "echo '1) " + huge + "'", "", "OK    jtagconfig: cable xxxxx"},
        {"FOLDER", cable, "Remote1 { Host = \"" + huge + "\"; }", "FIX   remote JTAG server hhh"},
        {"quartus", "touch ran; " + cable, "", "QUARTUS_ROOTDIR is not a full path (quartus)"},
    };
    for (const TMisbehaviour& c : cases) {
        const bool full = std::string(c.root) == "FOLDER";
        const std::string root = full ? folder.string() : c.root;
        const fs::path bin = (full ? folder : folder / c.root) / "bin";
        fs::create_directories(bin);
        std::ofstream(bin / "jtagconfig") << "#!/bin/sh\n" << c.jtagconfig << "\n";
        fs::permissions(bin / "jtagconfig", fs::perms(0755));
        std::string conf = c.jtagConf;
        std::replace(conf.begin(), conf.end(), 'x', 'h');
        std::ofstream(folder / ".jtag.conf") << conf;
        const auto start = std::chrono::steady_clock::now();
        int code = -1;
        const std::string out = testsupport::RunCommand("cd '" + folder.string() + "' && HOME='" + folder.string()
                + "' QUARTUS_ROOTDIR='" + root + "' VX5H_DOCTOR_JTAGCONFIG_MS=1000 '"
                + testsupport::SimulatedBoard::BinFolder() + "vx5h' --cable sim doctor 2>&1",
            &code);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(code, 0) << c.line << "\n" << out.substr(0, 2000);
        EXPECT_NE(out.find(c.line), std::string::npos) << out.substr(0, 2000);
        EXPECT_NE(out.find("OK    board: "), std::string::npos) << "every check was made";
        EXPECT_LT(out.size(), 10000u) << "what doctor shows of what it read is bounded";
        EXPECT_LT(seconds, 5.0) << c.line;
    }
    EXPECT_FALSE(fs::exists(folder / "ran")) << "nothing ran from a relative QUARTUS_ROOTDIR";

    // Each line is out as soon as its check is made: a doctor killed while jtagconfig
    // hangs has told all it found before.
    std::ofstream(folder / "bin" / "jtagconfig") << "#!/bin/sh\nexec sleep 3\n";
    const std::string killed = testsupport::RunCommand("QUARTUS_ROOTDIR='" + folder.string() + "' timeout -s KILL 1 '"
        + testsupport::SimulatedBoard::BinFolder() + "vx5h' --cable sim doctor 2>&1");
    EXPECT_NE(killed.find("OK    vendor tools: QUARTUS_ROOTDIR="), std::string::npos) << killed;
    fs::remove_all(folder);
}

// A TCP server that takes no connection, as a host that is off: its queue of new ones is
// full, and the system drops every further one unanswered.
class TSilentServer {
public:
    TSilentServer()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        m_Listener = ::socket(AF_INET, SOCK_STREAM, 0);
        ::bind(m_Listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_Listener, 0);
        ::getsockname(m_Listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        for (int i = 0; i < 4; ++i) {
            m_Queued.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
            ::connect(m_Queued.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
    }
    ~TSilentServer()
    {
        for (int fd : m_Queued)
            ::close(fd);
        ::close(m_Listener);
    }
    std::uint16_t port = 0;

private:
    int m_Listener = -1;
    std::vector<int> m_Queued;
};

// A hundred remote servers, none answering: asked side by side, doctor waits about one
// server's budget, not a hundred.
TEST_F(DoctorOnSimulator, ServersThatDoNotAnswerAreAskedSideBySide)
{
    const TSilentServer silent;
    ASSERT_FALSE(platform::TcpAnswers("127.0.0.1", silent.port, 300)) << "a server that answers";
    char pattern[] = "/tmp/vx5h-doctor-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path folder = pattern;
    fs::create_directories(folder / "bin");
    std::ofstream(folder / "bin" / "jtagconfig") << "#!/bin/sh\necho '1) USB-Blaster [1-1]'\n";
    fs::permissions(folder / "bin" / "jtagconfig", fs::perms(0755));
    {
        std::ofstream conf(folder / ".jtag.conf");
        for (int i = 1; i <= 100; ++i)
            conf << "Remote" << i << " {\n  Host = \"127.0.0.1:" << silent.port << "\";\n  Password = \"x\";\n}\n";
    }
    const auto start = std::chrono::steady_clock::now();
    int code = -1;
    const std::string out = testsupport::RunCommand("HOME='" + folder.string() + "' QUARTUS_ROOTDIR='" + folder.string()
            + "' VX5H_DOCTOR_JTAGCONFIG_MS=1000 timeout --foreground -s KILL 60 '"
            + testsupport::SimulatedBoard::BinFolder() + "vx5h' --cable sim doctor 2>&1",
        &code);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("vx5h doctor with 100 servers that do not answer: %.2f s\n", seconds);
    fs::remove_all(folder);
    EXPECT_EQ(code, 0) << out.substr(0, 2000);
    std::size_t asked = 0;
    for (std::size_t at = out.find("does not answer on port"); at != std::string::npos;
         at = out.find("does not answer on port", at + 1))
        ++asked;
    EXPECT_EQ(asked, 100u) << out.substr(0, 2000);
    EXPECT_LT(seconds, 12.0);
}

#ifdef VX5H_FAKE_QUARTUS

// An unconfigured FPGA is configured as every command configures it; only the user's
// --no-configure leaves it so, and then the line says why.
TEST_F(DoctorOnSimulator, ConfiguresABareFpgaAsEveryCommandDoesUnlessToldNot)
{
    const struct {
        const char* args;
        int code;
        const char* line;
    } cases[] = {
        {"--no-configure doctor", 4,
            "FIX   board: no board: The simulated board's FPGA is not configured: no JTAG UART; --no-configure "
            "leaves its FPGA unconfigured"},
        {"doctor", 0, "OK    board: USB-Blaster [VX5h-260 simulator] answers"},
    };
    sim->Ctl("power-cycle");
    for (const auto& c : cases) {
        const clitest::TRun run = clitest::Vx5h(c.args, "");
        EXPECT_EQ(run.code, c.code) << c.args << "\n" << run.out << run.err;
        EXPECT_NE(run.out.find(c.line), std::string::npos) << c.args << "\n" << run.out;
    }
    EXPECT_TRUE(State()["configured"]);
}

TEST_F(DoctorOnSimulator, ReportsTheVendorToolsAndTheLink)
{
    const clitest::TRun run = clitest::Vx5h("doctor", "");
    EXPECT_EQ(run.code, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("OK    board: USB-Blaster [VX5h-260 simulator] answers; round trip"), std::string::npos)
        << run.out;
    const std::string withVendor = testsupport::RunCommand("QUARTUS_ROOTDIR='" VX5H_FAKE_QUARTUS "' '"
        + testsupport::SimulatedBoard::BinFolder() + "vx5h' --cable sim doctor 2>&1");
    for (const char* line : {"OK    libjtag_atlantic.so: ", "OK    jtagconfig: cable USB-Blaster [1-1]",
             "OK    JTAG UART: the FPGA holds a design with a JTAG UART", "OK    VX5H_CABLE: sim: the simulator"})
        EXPECT_NE(withVendor.find(line), std::string::npos) << line << "\n" << withVendor;
}
#endif

} // namespace
