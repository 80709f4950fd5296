#pragma once

#include <cstdint>
#include <string>

class TBoard;

// The arithmetic and the one board step of the connect sequence, apart from the window.

// `scale` x `ms`, rounded; a negative or non-finite product gives 0.
std::uint32_t ScaledDuration(float scale, std::uint32_t ms);

// The gauge's value `now` for an animation from `from` to `to` planned over `duration`
// ms from `start`: linear, then held at `to`. The elapsed time is an unsigned 32-bit
// difference, so the tick may wrap. A zero duration is at `to` at once.
std::int32_t GaugeValue(
    std::int32_t from, std::int32_t to, std::uint32_t start, std::uint32_t duration, std::uint32_t now);

// Asks the board's name until an answer comes or `budgetMs` have passed since the first
// attempt. The budget is tested after each attempt, so at least one runs, and an attempt
// that began in time counts even when its reply ends after the budget.
bool QueryBoardNameWithin(TBoard& board, std::string& name, std::uint32_t budgetMs);
