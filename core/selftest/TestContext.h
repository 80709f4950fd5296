#pragma once

#include "core/selftest/SelfTest.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What every test sees while it runs, and how it states its verdict.
namespace selftest {

struct TVerdict {
    Outcome outcome = Outcome::Pass;
    std::string message;
    std::vector<std::string> details;
};

inline TVerdict Pass(std::string message) { return {Outcome::Pass, std::move(message), {}}; }
inline TVerdict Fail(std::string message, std::vector<std::string> details = {})
{
    return {Outcome::Fail, std::move(message), std::move(details)};
}
inline TVerdict Skip(std::string message) { return {Outcome::Skip, std::move(message), {}}; }
inline TVerdict Error(std::string message) { return {Outcome::Error, std::move(message), {}}; }

struct TContext {
    IBoardAccess& board;
    IOperator& person;
    const TOptions& options;
    std::function<void(double)> progress;
    StopFn stop;
    bool linkLost = false;
    // Data lines found working by each memory's data-bus test (all until it ran), so that
    // the later tests of that memory judge only what they can.
    std::array<std::uint16_t, 8> goodDataLines{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    // Memories whose address-bus test named faulty lines: their words alias.
    std::array<bool, 8> addressFaulty{};

    bool Stopped() const { return stop && stop(); }
    void Progress(double fraction) const
    {
        if (progress)
            progress(fraction);
    }
    // A verdict for an exchange that did not go through: the board's refusal fails the
    // test; a lost link says nothing of the board: it is the test's error and ends the run.
    std::optional<TVerdict> Problem(Access access, const std::string& what)
    {
        if (access == Access::Ok)
            return std::nullopt;
        if (access == Access::LinkLost) {
            linkLost = true;
            return Error("link lost while " + what);
        }
        return Fail("the board refused " + what);
    }
};

// printf into a std::string.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// "A, B and C".
std::string JoinList(const std::vector<std::string>& items);

} // namespace selftest
