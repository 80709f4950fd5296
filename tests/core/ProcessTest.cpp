// Running another program: whatever it does (say nothing, hand its output to a child that
// lives on, print without end), the caller has control back by the deadline, holding a
// bounded piece of what it printed; and it stops at once when asked.
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using TEnd = platform::TProgramRun::TEnd;

struct TProgramCase {
    const char* script; // for /bin/sh -c
    TEnd end;
    int exitCode;
    const char* output; // what it printed, or nullptr: OUTPUT_KEPT bytes of it
    double atMostSeconds;
};

TEST(RunProgram, EndsByItsDeadlineWhateverTheProgramDoes)
{
    const TProgramCase cases[] = {
        {"echo said; exit 3", TEnd::Exited, 3, "said\n", 1.0},
        {"exec sleep 30", TEnd::OutOfTime, -1, "", 1.5},
        {"sleep 30 & echo started", TEnd::Exited, 0, "started\n", 1.0}, // its child holds the output
        {"exec yes", TEnd::OutOfTime, -1, nullptr, 1.5},
        {"read line; echo \"[$line]\"", TEnd::Exited, 0, "[]\n", 1.0}, // nothing to read from the caller
    };
    for (const TProgramCase& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const platform::TProgramRun run = platform::RunProgram({"/bin/sh", "-c", c.script}, 700);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(run.end, c.end) << c.script;
        EXPECT_EQ(run.exitCode, c.exitCode) << c.script;
        if (c.output) {
            EXPECT_EQ(run.output, c.output) << c.script;
        } else {
            EXPECT_EQ(run.output.size(), platform::OUTPUT_KEPT) << c.script;
        }
        EXPECT_LT(seconds, c.atMostSeconds) << c.script;
    }
    EXPECT_EQ(platform::RunProgram({"/nonexistent/program"}, 700).end, TEnd::NotStarted);
    EXPECT_EQ(platform::RunProgram({"sh", "-c", "true"}, 700).end, TEnd::NotStarted) << "no search path";
}

TEST(RunProgram, StopsAtOnceWhenAsked)
{
    std::atomic<bool> stop{false};
    std::thread asker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    const platform::TProgramRun run = platform::RunProgram({"/bin/sh", "-c", "sleep 30 & wait"}, 20000, &stop);
    asker.join();
    EXPECT_EQ(run.end, TEnd::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// A program run for its results keeps its two outputs apart, and a stop with a grace lets
// it tidy up (as vx5h restores a board's EEPROM on Ctrl-C) before it is killed; one that
// ignores the request is killed when the grace runs out.
TEST(RunProgram, GentleStopLetsTheProgramTidyUpWithinItsGrace)
{
    const struct {
        const char* script;
        int exitCode;
        const char* output;
        double atMostSeconds;
    } cases[] = {
        {"trap 'echo tidied; exit 130' INT; echo started; echo why >&2; while :; do sleep 0.05; done", 130,
            "started\ntidied\n", 1.5},
        {"trap '' INT; echo started; echo why >&2; exec sleep 30", -1, "started\n", 2.0},
    };
    for (const auto& c : cases) {
        std::atomic<bool> stop{false};
        std::thread asker([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            stop = true;
        });
        const auto start = std::chrono::steady_clock::now();
        platform::TRunOptions options;
        options.separateErrors = true;
        options.stopGraceMs = 800;
        const platform::TProgramRun run = platform::RunProgram({"/bin/sh", "-c", c.script}, 20000, &stop, options);
        asker.join();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(run.end, TEnd::Stopped) << c.script;
        EXPECT_EQ(run.exitCode, c.exitCode) << c.script;
        EXPECT_EQ(run.output, c.output) << c.script;
        EXPECT_EQ(run.errors, "why\n") << c.script;
        EXPECT_LT(seconds, c.atMostSeconds) << c.script;
    }
}

// Whether process `pid` still runs (one that ended and waits to be reaped does not).
bool Running(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t state = text.rfind(") ");
    return state != std::string::npos && text.compare(state + 2, 1, "Z") != 0;
}

// A program and whatever it started end when the process that ran it dies, however it
// died: a cancelled CI job must not leave a programmer working on the board the next job
// gets. The program runs in a thread of its own, as the download library runs it.
TEST(RunProgram, EndsWithTheProcessThatRanIt)
{
    for (const int signal : {SIGTERM, SIGKILL}) {
        char folder[] = "/tmp/vx5h-runner-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        const std::string pids = std::string(folder) + "/pids";
        const std::string script = "sleep 60 & echo $$ $! > " + pids + ".part; mv " + pids + ".part " + pids + "; wait";
        const pid_t runner = ::fork();
        if (runner == 0) {
            std::thread([&] { platform::RunProgram({"/bin/sh", "-c", script}, 60000); }).detach();
            ::pause();
            ::_exit(0);
        }
        pid_t program = 0, child = 0;
        for (int i = 0; i < 300 && !(std::ifstream(pids) >> program >> child); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_GT(child, 0) << "the program did not start";
        ::kill(runner, signal);
        int status = 0;
        ::waitpid(runner, &status, 0);
        for (int i = 0; i < 100 && (Running(program) || Running(child)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_FALSE(Running(program)) << "signal " << signal;
        EXPECT_FALSE(Running(child)) << "signal " << signal << ": what the program started";
        ::kill(program, SIGKILL);
        ::kill(child, SIGKILL);
        std::filesystem::remove_all(folder);
    }
}

} // namespace
