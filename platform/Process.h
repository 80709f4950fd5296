#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Running another program (the vendor's programmer, its jtagconfig) with every wait
// bounded: whatever that program does, the caller gets control back by its deadline.
namespace platform {

struct TProgramRun {
    enum class TEnd {
        Exited,     // it ended by itself: exitCode
        NotStarted, // no such program, or it cannot be run
        OutOfTime,  // the deadline came first: it and all it started were killed
        Stopped,    // the caller asked it to stop: likewise killed
    };
    TEnd end = TEnd::NotStarted;
    int exitCode = -1; // Exited: its exit code, -1 when a signal ended it
    std::string output; // the first bytes it printed on either output (standard output only
                        // with TRunOptions::separateErrors)
    std::string errors; // with TRunOptions::separateErrors: the first bytes of its standard error

    bool Succeeded() const { return end == TEnd::Exited && exitCode == 0; }
};

// Output beyond this is read (so that the program is not held up) but not kept.
constexpr std::size_t OUTPUT_KEPT = 64 * 1024;

struct TRunOptions {
    bool separateErrors = false;         // standard error apart, in TProgramRun::errors
    std::size_t outputKept = OUTPUT_KEPT; // of each output
    // When more than 0, a stop first asks the group to end (SIGINT, as Ctrl-C would) and
    // kills it only when it has not ended this long after, so that it can tidy up.
    std::uint32_t stopGraceMs = 0;
    // When this becomes true during that grace, the group is killed at once (a second
    // Ctrl-C: the person will not wait for the tidying).
    const std::atomic<bool>* killNow = nullptr;
};

// Runs args[0] (a full path: no shell, no search path) with `args`, its input from
// /dev/null, in a process group of its own, until it ends and `budgetMs` at most. A
// program that closes its output may still run, and whatever it started may hold its
// output open after it ended: neither keeps the caller past the deadline. When `stop`
// becomes true, the program's group is killed at once.
TProgramRun RunProgram(const std::vector<std::string>& args, std::uint32_t budgetMs,
    const std::atomic<bool>* stop = nullptr, const TRunOptions& options = {});

// This process's id, as the system names it to other processes.
int CurrentProcessId();

// Whether `path` names a program that RunProgram can start: named without its extension,
// as RunProgram takes it on every system, a Windows program is its .exe.
bool ProgramExists(const std::string& path);

} // namespace platform
