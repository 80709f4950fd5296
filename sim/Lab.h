#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// A simulator serves one board or a lab of several (vx5h-board-sim --boards N). Each board
// is a cable of its own: board 1 is "sim", the one the plain socket serves, and board k
// is "sim-k", served on a socket of its own beside it, so that a board is reached by its
// cable name alone, as a real cable is.
namespace sim {

constexpr int MAX_BOARDS = 64;
// How many boards a simulator started without --boards serves (1 when unset).
constexpr const char* BOARDS_ENV = "VX5H_SIM_BOARDS";

// "sim" for board 1, "sim-k" for board k.
std::string BoardName(int board);
// The cable's own description, as the link reports it ("USB-Blaster [VX5h-260 simulator]",
// "USB-Blaster [VX5h-260 simulator 2]").
std::string BoardDescription(int board);
// The board a cable name means: "sim", "sim-k" (k from 1) or a board's description; 0 when
// the name is not a simulated board's.
int BoardOfCable(const std::string& cable);
// The socket of board `board` of the simulator whose first board serves `firstSocket`:
// "x/board.sock" for board 1, "x/board-2.sock" for board 2 (a name without ".sock" gets
// "-2" appended), whatever its length.
std::string BoardSocketName(const std::string& firstSocket, int board);
// BoardSocketName, or for a board after the first empty when it would not fit a Unix
// socket's address.
std::string BoardSocketPath(const std::string& firstSocket, int board);
// The number of boards asked for in `text` (VX5H_SIM_BOARDS, --boards): 1 to MAX_BOARDS,
// or 0 when `text` is no such number.
int ParseBoardCount(const std::string& text);

// What the servers of one lab share, each serving one board on its own thread: when one
// leaves they all go, and activity on any board keeps them all from their idle exit.
struct TLab {
    explicit TLab(int boardCount)
        : boards(boardCount)
    { }
    const int boards;
    std::atomic<bool> leaving{false};
    std::atomic<std::uint64_t> lastActivityUs{0};
};

} // namespace sim
