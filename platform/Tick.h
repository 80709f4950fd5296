#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// The millisecond tick: an unsigned 32-bit counter that wraps after about 49.7 days.
// Every budget is measured as the unsigned difference `TickCount() - start`, which stays
// correct across the wrap.
std::uint32_t TickCount();

inline std::uint32_t TicksSince(std::uint32_t start) { return TickCount() - start; }

// Replaces the clock (tests drive time, for example across the wrap). An empty function
// restores the system clock.
using TickSource = std::function<std::uint32_t()>;
void SetTickSource(TickSource source);

// Microseconds of a clock that never goes back (not the wall clock): for time stamps that
// must stay in order and comparable within one run.
std::uint64_t MonotonicMicroseconds();

} // namespace platform
