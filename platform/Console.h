#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What a command-line program needs of its terminal: whether a stream is a terminal,
// Ctrl-C as a request to stop between steps, a raw keyboard for an interactive
// terminal, and the environment through which the driver libraries learn the user's
// choices.
namespace platform {

enum class TStream { Input, Output, Error };

bool IsTerminal(TStream stream);

// From now on Ctrl-C (and a termination request) no longer ends the program at once but
// sets a flag that long work asks between its steps. A second Ctrl-C while the flag is
// set still ends the program, for work that does not ask.
void CatchInterrupts();
bool InterruptRequested();
// Clears the flag (tests, and a watch that ends cleanly on it).
void ClearInterrupt();
// For a program that runs work of its own in other processes (each board's vx5h), which
// must end that work before it goes: from now on the second Ctrl-C no longer ends the
// program at once either, but is only noted (RepeatedInterruptRequested).
void HoldRepeatedInterrupts();
bool RepeatedInterruptRequested();

// Sets (or, with an empty value, removes) an environment variable of this process.
void SetEnvironment(const std::string& name, const std::string& value);

// The keyboard of the controlling terminal byte by byte, without echo or line editing,
// while the object lives; the terminal's previous mode comes back when it dies, and
// also when the program ends through exit() or a fatal signal while it is held.
class TRawTerminal {
public:
    TRawTerminal();
    ~TRawTerminal();
    TRawTerminal(const TRawTerminal&) = delete;
    TRawTerminal& operator=(const TRawTerminal&) = delete;
    // The terminal is in raw mode (false when standard input is no terminal).
    bool Active() const { return m_Active; }

private:
    bool m_Active = false;
};

// Up to `size` bytes from standard input within `budgetMs`; 0 when none came, -1 at its
// end or on an error.
int ReadInput(std::uint8_t* dest, std::size_t size, std::uint32_t budgetMs);

} // namespace platform
