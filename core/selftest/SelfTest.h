#pragma once

#include "core/selftest/BoardAccess.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The board's acceptance test: one test per peripheral, each passing, failing with the
// fault it found, or skipped with the reason, so that a lab can tell a good board from a
// bad one and a repair bench knows where to look.
namespace selftest {

enum class Outcome {
    Pass,
    Fail,
    Skip,
    Error // the run could not judge the part: the link to the board was lost
};
const char* OutcomeName(Outcome outcome); // "PASS", "FAIL", "SKIP", "ERROR"

struct TTestResult {
    std::string name; // "sdram.data-bus"
    Outcome outcome = Outcome::Skip;
    std::string message;              // the finding ("SDRAM data line 13 stuck at 0") or the reason
    std::vector<std::string> details; // further findings, one a line
    double seconds = 0;
};

// What the run as a whole says of the board, the first that applies: stopped by the user,
// cut off by a lost link, a part failed, nothing was run (every test skipped or none
// selected), or everything run passed.
enum class RunResult {
    Passed,
    Failed,
    LinkLost,
    Stopped,
    NothingRun
};
const char* RunResultName(RunResult result); // "passed", "failed", "error", "stopped", "none"

struct TReport {
    // Which board, where and when, so that reports of several boards can be told apart.
    std::string board;   // the link description
    std::string cable;   // the cable asked for (--cable, VX5H_CABLE); empty: the automatic choice
    std::string host;    // the computer that ran the test
    std::string started; // when the run began, UTC, ISO 8601 ("2026-05-01T09:30:00Z")
    std::string version; // the version of the program that ran it
    bool full = false, destructive = false, interactive = false;
    std::vector<std::string> only, skip;
    std::vector<TTestResult> tests;
    double seconds = 0;
    bool stopped = false; // the user asked to stop (Ctrl-C)

    int Count(Outcome outcome) const;
    RunResult Result() const;
    bool Passed() const { return Result() == RunResult::Passed; }
};

struct TOptions {
    bool full = false;                   // the device tests cover every word, not sampled blocks
    bool destructive = false;            // FLASH and EPCS are erased and programmed
    bool interactive = false;            // tests a person must watch or touch
    std::uint32_t inputBudgetMs = 30000; // for flipping the switches, pressing keys
    std::vector<std::string> only;       // test or group names ("sdram", "sdram.device")
    std::vector<std::string> skip;
};

// The person at the terminal, for the interactive tests.
class IOperator {
public:
    virtual ~IOperator() = default;
    // Someone can answer; without a terminal nobody can, and nothing is waited for.
    virtual bool Present() const = 0;
    virtual void Tell(const std::string& text) = 0;
    // y or n; nothing when no answer came within the budget.
    virtual std::optional<bool> Ask(const std::string& question, std::uint32_t budgetMs) = 0;
    // Waits so long that a person can follow (an LED lit in turn).
    virtual void Pause(std::uint32_t ms) = 0;
};

// An operator that is never there.
class TNobody : public IOperator {
public:
    bool Present() const override { return false; }
    void Tell(const std::string&) override { }
    std::optional<bool> Ask(const std::string&, std::uint32_t) override { return std::nullopt; }
    void Pause(std::uint32_t) override { }
};

// Progress of the running test, 0 to 1.
using ProgressFn = std::function<void(const std::string& test, double fraction)>;

// Every test name in running order.
std::vector<std::string> TestNames();

// The tests the options select, in running order (skipped ones included).
std::vector<std::string> SelectedTests(const TOptions& options);

// Empty when every --only/--skip name names a test or a group; else the message.
std::string CheckSelection(const TOptions& options);

// Whether the user asked to stop (Ctrl-C).
using StopFn = std::function<bool()>;

// Runs the selected tests in order. A lost link is the error of the test it broke and skips
// the rest; once `stop` says so the run ends after the current step, the rest skipped.
// The report carries the options, the host and the start time; the caller adds the board,
// the cable and its version.
TReport Run(IBoardAccess& board, IOperator& person, const TOptions& options, const ProgressFn& progress = {},
    const StopFn& stop = {});

} // namespace selftest
