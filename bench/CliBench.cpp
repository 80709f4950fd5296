// vx5h itself, each figure against a baseline measured in the same run:
//  1. mem dump and mem load of 1, 16 and 128 MB of SDRAM on the unthrottled simulated
//     cable: wall time, MB/s and the process' peak resident memory, against the panel's
//     transfer code moving the same range in one buffer (the page's way) in this process.
//  2. On a cable of 102400 bytes/s with 1.5 ms latency: a 1 MB dump and load, and their
//     share of the cable's rate.
//  3. Start-up to first byte: `vx5h info` on a configured board, wall time (median of 11),
//     against starting `vx5h --help` (no board at all).
//  4. Recording the link: a 16 MB dump with --trace (and with --trace-data) against the
//     same dump unrecorded, alternating, the median of 5 each; the cost must stay within 3 %.
//
//   vx5h-bench-cli [--smoke]
//   vx5h-bench-cli --trace                 only 4
//   vx5h-bench-cli --trace-modelled FILE   only 4, once, on the 102400 B/s cable with 1.5 ms
//                                          latency (about 6 minutes), keeping the transcript
#include "QuietChild.h"
#include "SimulatedBoard.h"
#include "BytePattern.h"

#include "board/Board.h"
#include "core/DumpFile.h"
#include "core/MemoryFile.h"
#include "core/MemoryTransfer.h"
#include "platform/Paths.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <utility>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }
double MBps(double bytes, double seconds) { return bytes / 1048576.0 / seconds; }

struct TRun {
    bool ok = false;
    double seconds = 0;
    long peakKb = 0;
};

// vx5h with `args`, quiet, its output to /dev/null; its own peak resident memory.
TRun Vx5h(std::vector<std::string> args)
{
    args.insert(args.begin(), {testsupport::SimulatedBoard::BinFolder() + "vx5h", "-q"});
    TRun run;
    const auto start = Clock::now();
    const pid_t pid = bench::StartQuiet(std::move(args), true);
    if (pid > 0) {
        int status = 0;
        struct rusage usage {};
        ::wait4(pid, &status, 0, &usage);
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        run.peakKb = usage.ru_maxrss;
    }
    run.seconds = Seconds(start);
    return run;
}

class NoProgress final : public memory::ITransferProgress {
public:
    void Advance(std::uint64_t, std::uint64_t) override { }
    bool AbortRequested() override { return false; }
};

// The panel's way: the whole range in one buffer, then one file write (and back).
double PanelDump(TBoard& board, std::uint32_t bytes, const fs::path& file)
{
    const auto start = Clock::now();
    memory::TByteBuffer buffer;
    buffer.Allocate(bytes);
    memory::TBufferSink sink(buffer.data.get());
    NoProgress progress;
    const bool ok = memory::ReadRangeWithProgress(board, progress, protocol::MEM_SDRAM, 0, bytes, sink).ok
        && memory::WriteDumpFile(file, buffer.data.get(), bytes, false) == memory::TDumpStatus::Ok;
    return ok ? Seconds(start) : -1;
}

double PanelLoad(TBoard& board, const fs::path& file)
{
    const auto start = Clock::now();
    memory::TFilePortion portion = memory::ReadFilePortion(file, false, true, 0, 128u << 20);
    memory::TBufferSource source(portion.bytes.data.get());
    NoProgress progress;
    const bool ok = portion.status == memory::TLoadStatus::Ok
        && memory::WriteRangeWithProgress(board, progress, protocol::MEM_SDRAM, 0,
               static_cast<std::uint32_t>(portion.bytes.size), source)
               .ok;
    return ok ? Seconds(start) : -1;
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

// The file is written a megabyte at a time: the bench's own peak resident memory is what
// a spawned vx5h starts its count from (posix_spawn shares the parent's pages until exec).
void WritePattern(const fs::path& file, std::uint32_t bytes, std::uint32_t seed)
{
    std::ofstream out(file, std::ios::binary);
    for (std::uint32_t done = 0; done < bytes; done += 1u << 20) {
        const std::vector<std::uint8_t> piece = testsupport::BytePattern(std::min(bytes - done, 1u << 20), seed + done);
        out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
    }
}

struct TPanelRun {
    double load = -1;
    double dump = -1;
};

// The panel's transfer code on the same range, in this process.
TPanelRun PanelRun(std::uint32_t bytes, const fs::path& file, const fs::path& folder)
{
    TPanelRun run;
    TBoard board;
    std::string error;
    if (board.Connect(error, 0)) {
        run.load = PanelLoad(board, file);
        run.dump = PanelDump(board, bytes, folder / "panel.bin");
    }
    return run;
}

void PrintRow(const char* size, const char* name, std::uint32_t bytes, const TRun& run, double panel)
{
    std::printf("  %-6s %-5s %9.3f %9.1f %8ld MB %11.1f %8.2f%s\n", size, name, run.seconds, MBps(bytes, run.seconds),
        run.peakKb / 1024, MBps(bytes, panel), panel / run.seconds, run.ok && panel > 0 ? "" : "  FAILED");
}

void TransferBench(const fs::path& folder, const std::vector<std::uint32_t>& sizesMb)
{
    std::printf("SDRAM through vx5h (own process) against the panel's transfer code (in process), unthrottled\n");
    std::printf("  %-6s %-5s %9s %9s %11s %11s %8s\n", "size", "op", "vx5h s", "MB/s", "peak RSS", "panel MB/s", "ratio");
    platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
    // Every vx5h run comes before the panel's buffers grow this process.
    std::vector<std::pair<TRun, TRun>> runs;
    for (std::uint32_t mb : sizesMb) {
        const fs::path file = folder / ("bench-" + std::to_string(mb) + ".bin");
        WritePattern(file, mb << 20, mb);
        runs.emplace_back(Vx5h({"mem", "load", "sdram", file.string()}),
            Vx5h({"mem", "dump", "sdram", (folder / "out.bin").string(), "--length", Hex((mb << 20) / 2)}));
    }
    for (std::size_t i = 0; i < sizesMb.size(); ++i) {
        const std::uint32_t bytes = sizesMb[i] << 20;
        const fs::path file = folder / ("bench-" + std::to_string(sizesMb[i]) + ".bin");
        const TPanelRun panel = PanelRun(bytes, file, folder);
        const std::string size = std::to_string(sizesMb[i]) + " MB";
        PrintRow(size.c_str(), "load", bytes, runs[i].first, panel.load);
        PrintRow(size.c_str(), "dump", bytes, runs[i].second, panel.dump);
        fs::remove(file);
        std::fflush(stdout);
    }
    platform::OverrideExecutableFolder(std::nullopt);
}

void LinkModelBench(const testsupport::SimulatedBoard& sim, const fs::path& folder)
{
    constexpr double RATE = 102400;
    const std::uint32_t bytes = 1u << 20;
    const fs::path file = folder / "one.bin";
    WritePattern(file, bytes, 7);
    sim.Ctl("link 102400 1.5");
    const TRun load = Vx5h({"mem", "load", "sdram", file.string()});
    const TRun dump = Vx5h({"mem", "dump", "sdram", (folder / "out.bin").string(), "--length", Hex(bytes / 2)});
    platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
    const TPanelRun panel = PanelRun(bytes, file, folder);
    platform::OverrideExecutableFolder(std::nullopt);
    sim.Ctl("link 0 0");
    const double ideal = bytes / RATE;
    std::printf("1 MB on a 102400 B/s cable with 1.5 ms latency (ideal %.2f s): vx5h (start-up included) and the panel's code\n", ideal);
    for (const auto& [name, run, panelSeconds] : {std::tuple{"load", load, panel.load}, std::tuple{"dump", dump, panel.dump}})
        std::printf("  %s %7.2f s  efficiency %5.1f%%   panel %7.2f s  %5.1f%%   ratio %.3f%s\n", name, run.seconds,
            100 * ideal / run.seconds, panelSeconds, 100 * ideal / panelSeconds, panelSeconds / run.seconds,
            run.ok && panelSeconds > 0 ? "" : "  FAILED");
    fs::remove(file);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void StartupBench()
{
    std::vector<double> info, help;
    bool ok = true;
    for (int i = 0; i < 11; ++i) {
        const TRun run = Vx5h({"info"});
        ok = ok && run.ok;
        info.push_back(run.seconds);
        help.push_back(Vx5h({"--help"}).seconds);
    }
    std::printf("Start-up: vx5h info %.1f ms (median of 11), vx5h --help %.1f ms, ratio %.1f%s\n",
        1000 * Median(info), 1000 * Median(help), Median(info) / Median(help), ok ? "" : "  FAILED");
}

// The same dump unrecorded, with --trace and with --trace-data, in turns, so that the
// machine's load falls on all three alike.
void TraceBench(const fs::path& folder, std::uint32_t mb, int rounds, const std::string& keep = {})
{
    const std::string trace = keep.empty() ? (folder / "link.jsonl").string() : keep;
    const std::vector<std::string> dump = {"mem", "dump", "sdram", (folder / "out.bin").string(), "--length",
        Hex((mb << 20) / 2)};
    const auto with = [&](std::vector<std::string> options) {
        options.insert(options.end(), dump.begin(), dump.end());
        return Vx5h(options);
    };
    std::vector<double> plain, recorded, whole;
    bool ok = true;
    std::uintmax_t size = 0;
    for (int i = 0; i < rounds; ++i) {
        const TRun a = with({});
        const TRun b = with({"--trace", trace});
        size = fs::file_size(trace);
        const TRun c = keep.empty() ? with({"--trace", trace, "--trace-data"}) : b;
        ok = ok && a.ok && b.ok && c.ok;
        plain.push_back(a.seconds);
        recorded.push_back(b.seconds);
        whole.push_back(c.seconds);
    }
    const double base = Median(plain), cost = 100 * (Median(recorded) / base - 1);
    std::printf("Recording the link: a %u MB dump, median of %d: unrecorded %.3f s, --trace %.3f s (%+.2f%%, "
                "transcript %ju bytes)",
        mb, rounds, base, Median(recorded), cost, size);
    if (keep.empty())
        std::printf(", --trace-data %.3f s (%+.2f%%)", Median(whole), 100 * (Median(whole) / base - 1));
    std::printf("%s\n", !ok ? "  FAILED" : cost > 3 ? "  OVER 3%" : "");
}

} // namespace

int main(int argc, char** argv)
{
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    const bool modelled = argc > 2 && std::strcmp(argv[1], "--trace-modelled") == 0;
    testsupport::SimulatedBoard sim;
    char pattern[] = "/tmp/vx5h-bench-cli-XXXXXX";
    if (!::mkdtemp(pattern))
        return 1;
    const fs::path folder = pattern;
    if (modelled || (argc > 1 && std::strcmp(argv[1], "--trace") == 0)) {
        if (modelled)
            sim.Ctl("link 102400 1.5");
        TraceBench(folder, 16, modelled ? 1 : 5, modelled ? fs::absolute(argv[2]).string() : std::string());
        fs::remove_all(folder);
        return 0;
    }
    TransferBench(folder, smoke ? std::vector<std::uint32_t>{1} : std::vector<std::uint32_t>{1, 16, 128});
    if (!smoke)
        LinkModelBench(sim, folder);
    StartupBench();
    TraceBench(folder, smoke ? 1 : 16, smoke ? 1 : 5);
    fs::remove_all(folder);
    return 0;
}
