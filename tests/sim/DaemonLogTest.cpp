// The simulator daemon's log: bounded, rotated once, and written by a real daemon beside
// its socket.
#include "SimulatedBoard.h"
#include "sim/DaemonLog.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(DaemonLog, NeverGrowsPastItsLimitAndKeepsOneOlderFile)
{
    char pattern[] = "/tmp/vx5h-log-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    const std::string path = sim::TDaemonLog::PathFor(folder + "/board.sock");
    EXPECT_EQ(path, folder + "/vx5h-board-sim.log");
    {
        sim::TDaemonLog log(path, 1000);
        ASSERT_TRUE(log.IsOpen());
        for (int i = 0; i < 100; ++i)
            log.Write("line " + std::to_string(i) + std::string(40, '.'));
        log.Write(std::string(5000, 'x')); // one huge line is cut, not let through
    }
    namespace fs = std::filesystem;
    EXPECT_LE(fs::file_size(path), 1000u);
    EXPECT_LE(fs::file_size(path + ".1"), 1000u);
    EXPECT_FALSE(fs::exists(path + ".2"));
    EXPECT_NE(Slurp(path + ".1").find("line 9"), std::string::npos);
    EXPECT_EQ(Slurp(path).find("line 0 "), std::string::npos) << "the oldest lines went";

    // Reopened, it goes on from the size on disk.
    {
        sim::TDaemonLog log(path, 1000);
        log.Write("after a restart");
    }
    EXPECT_LE(fs::file_size(path), 1000u);

    // A link planted in its place is not followed.
    fs::remove(path);
    fs::create_symlink(folder + "/elsewhere", path);
    EXPECT_FALSE(sim::TDaemonLog(path, 1000).IsOpen());
    EXPECT_FALSE(fs::exists(folder + "/elsewhere"));
    fs::remove_all(folder);
}

TEST(DaemonLog, TheDaemonTellsItsCableAndCommandsBesideItsSocket)
{
    std::string path;
    {
        testsupport::SimulatedBoard board(true);
        path = sim::TDaemonLog::PathFor(board.SocketPath());
        board.Ctl("unplug");
        board.Ctl("state");
        const std::string log = Slurp(path);
        EXPECT_NE(log.find("serving the VX5h-260 on " + board.SocketPath()), std::string::npos) << log;
        EXPECT_NE(log.find("ctl download-image ("), std::string::npos) << log;
        EXPECT_NE(log.find("ctl unplug"), std::string::npos) << log;
        EXPECT_EQ(log.find("ctl state"), std::string::npos) << "queries are left out";
    }
}
