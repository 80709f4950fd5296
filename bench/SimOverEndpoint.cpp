// The simulated board through our libraries, built alike for Linux (Unix socket) and for
// Windows (named pipe, run under wine): the round trip of one SetLed and the throughput
// of SDRAM written and read through TBoard. Its baseline is a fixed amount of local work
// timed in the same process (a CRC over the same bytes), so that figures taken on one
// machine under two systems can be set side by side: bench/sim-under-wine.sh runs both.
//
//   vx5h-bench-endpoint BIN_FOLDER [MB]     prints "name value unit" lines
#include "board/Board.h"
#include "board/Crc32.h"
#include "board/Protocol.h"
#include "config/Download.h"
#include "platform/Paths.h"
#include "sim/Endpoint.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

int Fail(const char* what)
{
    std::fprintf(stderr, "vx5h-bench-endpoint: %s\n", what);
    sim::ControlReply reply;
    sim::SendControl(sim::SocketPath(), {"quit"}, reply, 5000);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return std::fprintf(stderr, "usage: vx5h-bench-endpoint BIN_FOLDER [MB]\n"), 2;
    std::string bin = argv[1];
    if (bin.back() != '/' && bin.back() != '\\')
        bin += '/';
    const std::size_t bytes = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 16) << 20;
    platform::OverrideExecutableFolder(bin);
    {
        TDownload download;
        if (!download.IsLoaded() || !download.DownloadImage(bin + "VX5h_260_ControlPanel.sof", 20000, 0, 0, 0, 0, 1))
            return Fail("cannot configure the simulated board");
    }
    TBoard board;
    std::string error;
    if (!board.Connect(error, 0))
        return Fail(error.c_str());

    constexpr int ROUND_TRIPS = 2000;
    auto start = Clock::now();
    for (int i = 0; i < ROUND_TRIPS; ++i)
        if (!board.SetLed(static_cast<std::uint32_t>(i) & 0x3FFFF))
            return Fail("SetLed failed");
    const double roundTripUs = Seconds(start) / ROUND_TRIPS * 1e6;

    std::vector<std::uint8_t> data(bytes), back(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<std::uint8_t>(i * 31 + (i >> 11));
    start = Clock::now();
    if (!board.MemoryWrite(protocol::MEM_SDRAM, 0, static_cast<std::uint32_t>(bytes), data.data()))
        return Fail("write failed");
    const double writeS = Seconds(start);
    start = Clock::now();
    if (!board.MemoryRead(protocol::MEM_SDRAM, 0, static_cast<std::uint32_t>(bytes), back.data()) || back != data)
        return Fail("read failed or differs");
    const double readS = Seconds(start);
    board.Disconnect();

    // The baseline: the same bytes through a CRC, five times, in this process.
    start = Clock::now();
    std::uint32_t crc = 0;
    for (int i = 0; i < 5; ++i)
        crc ^= crc32::Of(data.data(), data.size());
    const double baselineS = Seconds(start) / 5;

    const double mb = static_cast<double>(bytes) / (1 << 20);
    std::printf("round_trip %.1f us\n", roundTripUs);
    std::printf("write %.1f MB/s\n", mb / writeS);
    std::printf("read %.1f MB/s\n", mb / readS);
    std::printf("baseline_crc %.1f MB/s\n", mb / baselineS);
    std::fprintf(stderr, "(crc %08x)\n", crc); // used, so that the baseline is not optimised away
    sim::ControlReply reply;
    sim::SendControl(sim::SocketPath(), {"quit"}, reply, 5000);
    return 0;
}
