// A lab of boards from one vx5h, each figure against a baseline measured in the same run:
//  1. `vx5h selftest --cable all` on eight simulated boards behind the modelled cable
//     (102400 bytes/s, 1.5 ms latency): wall time against one board's selftest, with the
//     peak threads and resident memory of the vx5h that runs them and of its boards' own.
//  2. `vx5h boards` with eight boards, one of them hung: wall time against its budget
//     (goal: within it plus 0.5 s), and against the same listing with none hung.
//
//   vx5h-bench-lab [--smoke]   (--smoke: two boards on the unthrottled cable, for CI)
#include "QuietChild.h"
#include "SimulatedBoard.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

struct TRun {
    int code = -1;
    double seconds = 0;
    long peakThreads = 0; // of the vx5h started
    long peakKb = 0;      // its resident memory
    long peakBoardKb = 0; // the largest resident memory of a board's own vx5h
};

// "Threads:" and "VmRSS:" of a process, from /proc.
std::pair<long, long> ThreadsAndKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    long threads = 0, kb = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Threads:", 0) == 0)
            threads = std::atol(line.c_str() + 8);
        else if (line.rfind("VmRSS:", 0) == 0)
            kb = std::atol(line.c_str() + 6);
    }
    return {threads, kb};
}

// The children of `pid`, from /proc (every thread's list).
std::set<pid_t> ChildrenOf(pid_t pid)
{
    std::set<pid_t> children;
    std::error_code error;
    for (const auto& thread : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream list(thread.path() / "children");
        for (pid_t child; list >> child;)
            children.insert(child);
    }
    return children;
}

// vx5h with `args`, its output to /dev/null, sampled every 20 ms until it ends.
TRun Vx5h(std::vector<std::string> args)
{
    args.insert(args.begin(), testsupport::SimulatedBoard::BinFolder() + "vx5h");
    TRun run;
    const auto start = Clock::now();
    const pid_t pid = bench::StartQuiet(std::move(args));
    if (pid > 0) {
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            const auto [threads, kb] = ThreadsAndKb(pid);
            run.peakThreads = std::max(run.peakThreads, threads);
            run.peakKb = std::max(run.peakKb, kb);
            for (pid_t child : ChildrenOf(pid))
                run.peakBoardKb = std::max(run.peakBoardKb, ThreadsAndKb(child).second);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    run.seconds = Seconds(start);
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    const bool smoke = argc > 1 && std::string(argv[1]) == "--smoke";
    const int boards = smoke ? 2 : 8;
    ::setenv("VX5H_SIM_BOARDS", std::to_string(boards).c_str(), 1);
    testsupport::SimulatedBoard sim(true);
    ::unsetenv("VX5H_SIM_BOARDS");
    if (Vx5h({"-q", "--cable", "all", "configure"}).code != 0) {
        std::fprintf(stderr, "the lab's boards could not be configured\n");
        return 1;
    }
    std::vector<std::string> names;
    for (int board = 1; board <= boards; ++board)
        names.push_back(board == 1 ? "sim" : "sim-" + std::to_string(board));
    if (!smoke)
        for (const std::string& name : names)
            sim.Ctl("--board " + name + " link 102400 1.5");

    const TRun one = Vx5h({"-q", "--cable", "sim", "selftest"});
    const TRun all = Vx5h({"-q", "--cable", "all", "selftest"});
    std::printf("selftest, %d boards%s:\n", boards, smoke ? "" : " at 102400 B/s, 1.5 ms");
    std::printf("  one board      %7.2f s  (exit %d), peak %ld threads, %ld KB\n", one.seconds, one.code,
        one.peakThreads, one.peakKb);
    std::printf("  --cable all    %7.2f s  (exit %d), peak %ld threads, %ld KB; each board's vx5h at most %ld KB\n",
        all.seconds, all.code, all.peakThreads, all.peakKb, all.peakBoardKb);
    std::printf("  ratio          %7.3f  (goal: under 1.3)\n", all.seconds / one.seconds);

    const double budget = 2.0;
    const std::string budgetText = "2";
    const TRun listed = Vx5h({"boards", "--budget", budgetText});
    sim.Ctl("--board " + names.back() + " fault stall 60000 1000");
    const TRun hung = Vx5h({"boards", "--budget", budgetText});
    sim.Ctl("--board " + names.back() + " fault none");
    std::printf("boards, %d boards, budget %.1f s:\n", boards, budget);
    std::printf("  none hung      %7.2f s\n", listed.seconds);
    std::printf("  one hung       %7.2f s  = budget + %.2f s (goal: under budget + 0.5 s)\n", hung.seconds,
        hung.seconds - budget);
    const bool ok = one.code == 0 && all.code == 0 && listed.code == 0 && hung.code == 0;
    return ok && (smoke || (all.seconds / one.seconds < 1.3 && hung.seconds < budget + 0.5)) ? 0 : 1;
}
