// The C++ side of the Python module's figures: TBoard::SetLed, the call `board.leds = mask`
// ends in, timed over many calls on a board connected as vx5h connects it.
//
//   vx5h-bench-leds CALLS     prints "us_per_call X"
#include "board/Board.h"
#include "core/ConnectSequence.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const long calls = argc > 1 ? std::atol(argv[1]) : 2000;
    const connection::TConnectOutcome outcome = connection::ConnectBoard({});
    if (!outcome.board || calls <= 0) {
        std::fprintf(
            stderr, "vx5h-bench-leds: %s\n", outcome.board ? "CALLS must be positive" : outcome.message.c_str());
        return 1;
    }
    TBoard& board = *outcome.board;
    for (int i = 0; i < 100; ++i)
        board.SetLed(static_cast<std::uint32_t>(i));
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    for (long i = 0; i < calls; ++i)
        ok = board.SetLed(static_cast<std::uint32_t>(i) & 0x7FFFFFF) && ok;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("us_per_call %.3f\n", 1e6 * seconds / calls);
    return ok ? 0 : 1;
}
