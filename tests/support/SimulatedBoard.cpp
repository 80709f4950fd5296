#include "SimulatedBoard.h"

#include "config/Download.h"
#include "platform/Paths.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>

namespace testsupport {

std::string RunCommand(const std::string& command, int* exitCode)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        if (exitCode)
            *exitCode = -1;
        return out;
    }
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::string SimulatedBoard::BinFolder()
{
    // A long run can use a copy of the program folder, safe from rebuilds meanwhile.
    const char* copy = std::getenv("VX5H_TEST_BIN_DIR");
    return std::string(copy && *copy ? copy : VX5H_TEST_BIN_DIR) + "/";
}

SimulatedBoard::SimulatedBoard(bool configured)
{
    char pattern[] = "/tmp/vx5h-test-XXXXXX";
    if (!::mkdtemp(pattern))
        throw std::runtime_error("cannot make a temporary folder");
    m_Folder = pattern;
    m_Socket = m_Folder + "/board.sock";
    ::setenv("VX5H_SIM_SOCKET", m_Socket.c_str(), 1);

    // A test that crashes never runs the destructor; the idle limit makes its simulator
    // go away by itself all the same.
    int rc = 0;
    RunCommand("VX5H_SIM_IDLE_EXIT=300 '" + BinFolder() + "vx5h-board-sim' --daemon", &rc);
    if (rc != 0)
        throw std::runtime_error("the simulator did not start");
    // The daemon's socket appears once it listens; give it a bounded time.
    for (int i = 0; i < 300 && !std::filesystem::exists(m_Socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (configured && !Configure())
        throw std::runtime_error("the simulator refused the FPGA image");
}

SimulatedBoard::~SimulatedBoard()
{
    Ctl("quit");
    std::error_code ec;
    std::filesystem::remove_all(m_Folder, ec);
}

std::string SimulatedBoard::Ctl(const std::string& args, bool* ok) const
{
    int rc = 0;
    const std::string out = RunCommand(
        "VX5H_SIM_SOCKET='" + m_Socket + "' '" + BinFolder() + "vx5h-board-sim' ctl " + args + " 2>/dev/null", &rc);
    if (ok)
        *ok = rc == 0;
    return out;
}

bool SimulatedBoard::Configure() const
{
    platform::OverrideExecutableFolder(BinFolder());
    TDownload download;
    const bool ok = download.IsLoaded()
        && download.DownloadImage(BinFolder() + "VX5h_260_ControlPanel.sof", 20000, 0, 0, 0, 0, 1);
    return ok;
}

} // namespace testsupport
