#pragma once

#include "core/Connection.h"

#include <cstdint>

// The arithmetic of the connect sequence's gauge, apart from the window; its board steps
// are in core/Connection.h, shared with the command line.

// `scale` x `ms`, rounded; a negative or non-finite product gives 0.
std::uint32_t ScaledDuration(float scale, std::uint32_t ms);

// The gauge's value `now` for an animation from `from` to `to` planned over `duration`
// ms from `start`: linear, then held at `to`. The elapsed time is an unsigned 32-bit
// difference, so the tick may wrap. A zero duration is at `to` at once.
std::int32_t GaugeValue(
    std::int32_t from, std::int32_t to, std::uint32_t start, std::uint32_t duration, std::uint32_t now);
