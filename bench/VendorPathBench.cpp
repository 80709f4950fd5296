// The vendor's way to a board against the direct way to the simulator, in one run on one
// simulator: the round trip of one SetLed and the SDRAM written and read through TBoard,
// once straight over the simulator's socket (VX5H_CABLE=sim), once through our JTAG
// library's vendor path and the stand-in vendor client library (no latency: the cost of
// the path itself), and once with the stand-in's latency (a trip each way through the
// JTAG server and the USB cable).
//
//   vx5h-bench-vendor [--mb N] [--latency MS] [--smoke]
#include "BytePattern.h"
#include "SimulatedBoard.h"

#include "board/Board.h"
#include "board/Protocol.h"
#include "platform/Hooks.h"
#include "platform/Paths.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

struct Figures {
    double roundTripUs = 0;
    double writeMBps = 0;
    double readMBps = 0;
};

// One way to the board, as VX5H_CABLE and the stand-in's script choose it.
bool Measure(
    const char* cable, const std::string& script, const std::vector<std::uint8_t>& data, int rounds, Figures& figures)
{
    ::setenv("VX5H_CABLE", cable, 1);
    ::setenv("FAKE_ATLANTIC", script.c_str(), 1);
    TBoard board;
    std::string error;
    if (!board.Connect(error, 0)) {
        std::fprintf(stderr, "vx5h-bench-vendor: %s: %s\n", cable, board.LinkErrorText().c_str());
        return false;
    }
    auto start = Clock::now();
    for (int i = 0; i < rounds; ++i)
        if (!board.SetLed(static_cast<std::uint32_t>(i)))
            return false;
    figures.roundTripUs = Seconds(start) * 1e6 / rounds;
    const auto bytes = static_cast<std::uint32_t>(data.size());
    start = Clock::now();
    if (!board.MemoryWrite(protocol::MEM_SDRAM, 0, bytes, data.data()))
        return false;
    figures.writeMBps = bytes / 1048576.0 / Seconds(start);
    std::vector<std::uint8_t> back(data.size());
    start = Clock::now();
    if (!board.MemoryRead(protocol::MEM_SDRAM, 0, bytes, back.data()) || back != data)
        return false;
    figures.readMBps = bytes / 1048576.0 / Seconds(start);
    return true;
}

void Report(const char* name, const Figures& f, const Figures& direct)
{
    std::printf("%-34s %9.1f us %6.2fx   write %7.2f MB/s %6.3fx   read %7.2f MB/s %6.3fx\n", name, f.roundTripUs,
        f.roundTripUs / direct.roundTripUs, f.writeMBps, f.writeMBps / direct.writeMBps, f.readMBps,
        f.readMBps / direct.readMBps);
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t megabytes = 16;
    double latencyMs = 2.0;
    bool smoke = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else if (std::strcmp(argv[i], "--mb") == 0 && i + 1 < argc)
            megabytes = std::strtoul(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--latency") == 0 && i + 1 < argc)
            latencyMs = std::atof(argv[++i]);
    }
    const std::size_t bytes = smoke ? 64 * 1024 : std::min<std::size_t>(std::max<std::size_t>(megabytes, 1), 128) << 20;
    const int rounds = smoke ? 50 : 1000;

    platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
    platform::SetBeepHandler([] {});
    testsupport::SimulatedBoard sim;
    ::setenv("QUARTUS_ROOTDIR", VX5H_FAKE_QUARTUS_DIR, 1);
    const auto data = testsupport::BytePattern(bytes, 7);

    Figures direct, vendor, slow;
    const std::string latency = "latency_ms=" + std::to_string(latencyMs);
    if (!Measure("sim", "", data, rounds, direct) || !Measure("1", "", data, rounds, vendor)
        || !Measure("1", latency, data, smoke ? rounds : rounds / 10, slow)) {
        std::fprintf(stderr, "vx5h-bench-vendor: a transfer failed\n");
        return 1;
    }
    std::printf(
        "SetLed round trip and SDRAM transfer of %zu KB through TBoard (ratio against the direct way)\n", bytes / 1024);
    Report("direct to the simulator", direct, direct);
    Report("vendor path, no latency", vendor, direct);
    char name[64];
    std::snprintf(name, sizeof name, "vendor path, %.1f ms each way", latencyMs);
    Report(name, slow, direct);
    return 0;
}
