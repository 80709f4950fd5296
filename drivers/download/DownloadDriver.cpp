// QELVANO_DOWNLOAD.DLL: configures the FPGA. Images of the simulated board go to the board
// simulator (as the vendor's programmer would send a bitstream down the cable); any other
// file goes to the vendor's programmer when it is installed. Every call is self-contained,
// so the library may be used from any thread.
#include "config/DownloadApi.h"
#include "sim/Endpoint.h"
#include "sim/Image.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

#define DOWNLOAD_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int START_TIMEOUT_MS = 3000;
constexpr int MIN_DOWNLOAD_TIMEOUT_MS = 5000;
constexpr int VERSION_TIMEOUT_MS = 10000;
// The programmer of the simulated cable reports itself as this version.
constexpr double SIMULATED_PROGRAMMER_VERSION = 13.1;

bool Simulator() { return sim::EnsureSimulatorBeside(START_TIMEOUT_MS); }

// The vendor's programmer, where its installation says it is.
std::string VendorProgrammer()
{
    const char* root = std::getenv("QUARTUS_ROOTDIR");
    if (!root || !*root)
        return {};
    const std::string path = std::string(root) + "/bin/quartus_pgm";
    return ::access(path.c_str(), X_OK) == 0 ? path : std::string();
}

constexpr int CHILD_CHECK_MS = 20;
constexpr std::size_t MAX_OUTPUT = 65536;

enum class Pipe {
    Read,
    Empty, // nothing came in time
    Closed
};

// Reads what comes through `fd` within `waitMs`.
Pipe ReadSome(int fd, std::string& output, int waitMs)
{
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, waitMs);
    if (ready <= 0)
        return ready < 0 && errno != EINTR ? Pipe::Closed : Pipe::Empty;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN ? Pipe::Empty : Pipe::Closed;
    if (n == 0)
        return Pipe::Closed;
    if (output.size() < MAX_OUTPUT)
        output.append(buffer, static_cast<std::size_t>(n));
    return Pipe::Read;
}

// Waits for the program in process group `pid` to end, and reads its output, until the
// deadline; then kills its whole group. A programmer that has closed its output may still
// be running, and whatever it started may hold its output open after it ended: neither
// may keep the caller past its budget. Its exit code, or -1.
int WaitForProgram(pid_t pid, int out, std::string& output, std::uint64_t deadlineUs)
{
    bool outputOpen = true;
    int status = 0;
    bool ended = false;
    while (!ended) {
        const std::uint64_t now = sim::MonotonicUs();
        if (now >= deadlineUs)
            break;
        const int waitMs = static_cast<int>(std::min<std::uint64_t>((deadlineUs - now + 999) / 1000, CHILD_CHECK_MS));
        if (outputOpen)
            outputOpen = ReadSome(out, output, waitMs) != Pipe::Closed;
        else
            ::poll(nullptr, 0, waitMs);
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
    }
    // What it wrote before it ended, without waiting for anyone who still holds the pipe.
    for (int chunk = 0; ended && outputOpen && chunk < 64; ++chunk)
        outputOpen = ReadSome(out, output, 0) == Pipe::Read;
    if (ended)
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ::kill(-pid, SIGKILL); // the group: the programmer and whatever it started
    ::waitpid(pid, &status, 0);
    return -1;
}

// Runs a program to its end within `timeoutMs`; its exit code (-1 on failure or when it
// ran out of time) and what it printed.
int RunProgram(const std::vector<std::string>& args, std::string& output, int timeoutMs)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0); // a group of its own, to be killed as one
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        return -1;
    }
    const std::uint64_t deadline = sim::MonotonicUs() + static_cast<std::uint64_t>(timeoutMs) * 1000;
    const int code = WaitForProgram(pid, out[0], output, deadline);
    ::close(out[0]);
    return code;
}

// "Version 13.0.1 Build 232 ..." -> 13.0
double VendorVersion(const std::string& programmer)
{
    std::string output;
    if (RunProgram({programmer, "--version"}, output, VERSION_TIMEOUT_MS) != 0)
        return 0.0;
    const auto at = output.find("Version ");
    if (at == std::string::npos)
        return 0.0;
    int major = 0, minor = 0;
    if (std::sscanf(output.c_str() + at + 8, "%d.%d", &major, &minor) < 1)
        return 0.0;
    return major + minor / 10.0;
}

bool ReadImage(const char* path, std::string& bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return bytes.size() <= sim::IMAGE_MAX_LEN;
}

} // namespace

DOWNLOAD_EXPORT double QELVANO_GetQuatusVersion(void)
{
    if (const std::string programmer = VendorProgrammer(); !programmer.empty())
        if (const double version = VendorVersion(programmer); version > 0)
            return version;
    return Simulator() ? SIMULATED_PROGRAMMER_VERSION : 0.0;
}

DOWNLOAD_EXPORT std::int32_t QELVANO_JtagDownload(
    const char* path, std::int32_t time, std::uint8_t, std::int32_t, std::int32_t, std::uint8_t, std::uint8_t)
{
    std::string image;
    if (!path || !*path || !ReadImage(path, image))
        return 0;
    const int timeoutMs = std::max<int>(time, MIN_DOWNLOAD_TIMEOUT_MS);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.data());
    if (sim::LooksLikeImage(bytes, image.size())) {
        sim::ControlReply reply;
        return Simulator() && sim::SendControl(sim::SocketPath(), {"configure-image", image}, reply, timeoutMs)
                && reply.status == 0
            ? 1
            : 0;
    }
    const std::string programmer = VendorProgrammer();
    if (programmer.empty())
        return 0;
    std::string output;
    return RunProgram({programmer, "-m", "JTAG", "-o", std::string("p;") + path}, output, timeoutMs) == 0 ? 1 : 0;
}

// Present because the program insists on all nineteen names; never called by it.
#define UNUSED_ENTRY(name)                                                                                             \
    DOWNLOAD_EXPORT std::int32_t name(void) { return 0; }
UNUSED_ENTRY(QELVANO_DownloadEEPROMByByteBlaster)
UNUSED_ENTRY(QELVANO_JtagDownloadByteBlaster)
UNUSED_ENTRY(QELVANO_JtagDownloadChain)
UNUSED_ENTRY(QELVANO_Programming)
UNUSED_ENTRY(QELVANO_DownloadNios2)
UNUSED_ENTRY(QELVANO_DownloadNios2Ex)
UNUSED_ENTRY(QELVANO_Nios2Terminal)
UNUSED_ENTRY(QELVANO_FlashProgrammer)
UNUSED_ENTRY(QELVANO_AsDownload)
UNUSED_ENTRY(QELVANO_AsDownloadPV)
UNUSED_ENTRY(QELVANO_IsUsbBlasterDriverReady)
UNUSED_ENTRY(QELVANO_SetQuartusProgrammerPath)
UNUSED_ENTRY(QELVANO_quartus_pgm)
UNUSED_ENTRY(QELVANO_EnableBlasterII)
UNUSED_ENTRY(QELVANO_SetUB2Name)
UNUSED_ENTRY(QELVANO_KillNios2Terminal)
UNUSED_ENTRY(QELVANO_Jtagconfig)
