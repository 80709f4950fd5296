// The simulator stays itself however its clients behave: connections that never say what
// they are (more of them than it may hold files), a control command of any size, and a
// cable that sends faster than the board takes.
#include "SimulatedBoard.h"

#include "sim/Endpoint.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using testsupport::SimulatedBoard;

std::string ProcFile(pid_t pid, const char* name)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ServerLimits : public ::testing::Test {
protected:
    void SetUp() override
    {
        const int fd = Connect();
        ucred peer{};
        socklen_t size = sizeof peer;
        ASSERT_EQ(::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size), 0);
        ::close(fd);
        pid = peer.pid;
    }
    int Connect() const { return sim::ConnectSocket(board.SocketPath()); }
    // CPU time the simulator has used, in seconds.
    double CpuSeconds() const
    {
        const std::string stat = ProcFile(pid, "stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 2)); // the name may hold blanks
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i >= 14)
                ticks += std::stod(field); // utime, stime
        return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }
    long ResidentKb() const
    {
        const std::string status = ProcFile(pid, "status");
        const std::size_t at = status.find("VmRSS:");
        return at == std::string::npos ? -1 : std::stol(status.substr(at + 6));
    }

    SimulatedBoard board;
    pid_t pid = -1;
};

// A connection that never waits: -1 when the simulator's queue of new ones is full.
int ConnectAtOnce(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST_F(ServerLimits, SilentConnectionsBeyondItsFilesLeaveItAnsweringAndIdle)
{
    const rlimit files{256, 256};
    ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, &files, nullptr), 0);
    std::vector<int> silent;
    for (int i = 0; i < 300; ++i) {
        silent.push_back(ConnectAtOnce(board.SocketPath()));
        if (i % 16 == 15) // as clients come: a few at a time
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const double cpuBefore = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(CpuSeconds() - cpuBefore, 0.2) << "no busy loop on a full table of files";
    const int control = ConnectAtOnce(board.SocketPath());
    const std::vector<std::uint8_t> state = sim::EncodeControl({"state"});
    char status = 1;
    EXPECT_TRUE(control >= 0 && sim::SendAll(control, state.data(), state.size(), 3000)
        && sim::ReceiveAll(control, &status, 1, 3000) && status == 0)
        << "a control command is still answered";
    for (int fd : silent)
        if (fd >= 0)
            ::close(fd);
    if (control >= 0)
        ::close(control);
}

TEST_F(ServerLimits, AControlCommandBeyondItsLimitIsDroppedUnanswered)
{
    const long residentBefore = ResidentKb();
    const std::string big(sim::MAX_CONTROL_MESSAGE + 1024, 'x');
    const std::vector<std::uint8_t> message = sim::EncodeControl({big});
    const int fd = Connect();
    sim::SendAll(fd, message.data(), message.size(), 5000);
    char status = 0;
    EXPECT_FALSE(sim::ReceiveAll(fd, &status, 1, 5000)) << "answered a command beyond the limit";
    ::close(fd);
    EXPECT_LT(ResidentKb() - residentBefore, 32 * 1024);
    bool answered = false;
    board.Ctl("state", &answered);
    EXPECT_TRUE(answered);
}

TEST_F(ServerLimits, ACableFasterThanTheBoardIsHeldBack)
{
    board.Ctl("link 1000 0");
    const long residentBefore = ResidentKb();
    const int fd = Connect();
    char answer = 0;
    ASSERT_TRUE(sim::SendAll(fd, &sim::HELLO_JTAG, 1, 1000) && sim::ReceiveAll(fd, &answer, 1, 1000));
    ASSERT_EQ(answer, sim::JTAG_ACCEPTED);
    const std::vector<std::uint8_t> chunk(1 << 20, 0);
    std::size_t sent = 0;
    while (sent < (64u << 20) && sim::SendAll(fd, chunk.data(), chunk.size(), 1000))
        sent += chunk.size();
    EXPECT_LT(sent, 24u << 20) << "the cable took what the board could not";
    EXPECT_LT(ResidentKb() - residentBefore, 24 * 1024);
    ::close(fd);
}

} // namespace
