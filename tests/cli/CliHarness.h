#pragma once

#include "SimulatedBoard.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <memory>
#include <string>

// vx5h as a user runs it, against a simulator of the test's own.
namespace clitest {

struct TRun {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs the built vx5h with `args` (shell words) in the test's simulator's environment.
TRun Vx5h(const std::string& args, const std::string& input = "");
// Runs vx5h in the background and, `afterMs` later, the shell words `during` ($PID is
// vx5h's), then waits for vx5h.
TRun Vx5hWhile(const std::string& args, int afterMs, const std::string& during);

// How many vx5h processes run whose environment holds `mark` (a test's simulator socket).
std::size_t RunningVx5h(const std::string& mark);

// Checks the JUnit file at `path` as CI tools read it (tests/cli/check_junit.py): code 0
// and the suites as JSON on standard output, or what is wrong.
TRun CheckJunit(const std::string& path);

// `words` with each "CTL " made the simulator's control command for `sim`, for a shell.
std::string WithSimControl(std::string words, const testsupport::SimulatedBoard& sim);

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { sim = std::make_unique<testsupport::SimulatedBoard>(configured); }
    void TearDown() override { sim.reset(); }

    nlohmann::json State() const { return nlohmann::json::parse(sim->Ctl("state")); }

    bool configured = true;
    std::unique_ptr<testsupport::SimulatedBoard> sim;
};

} // namespace clitest
