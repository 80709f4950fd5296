#pragma once

#include <optional>
#include <string>
#include <vector>

// One command on several boards at once (--cable all, --cable A,B): each board's work is a
// vx5h of its own, run side by side, and what each said is shown under its cable.
//
// A process per board rather than a thread: a command prints as it goes and ends the
// program with its exit code when it fails, a stalled cable or a crash then costs only its
// own board, and Ctrl-C reaches each board's work as it would reach a lone vx5h (the
// selftest restores the EEPROM on its way out).
namespace cli {

struct TManyBoards {
    std::vector<std::string> args; // vx5h's arguments, the program's name left out
    std::size_t cableAt = 0;       // the argument holding the cables' value
    std::string cablePrefix;       // "--cable=" when the value came joined to it, else empty
    std::vector<std::string> cables;
    std::string command; // the subcommand ("mem verify" for mem's)
};

// The commands that run on several boards at once.
const std::vector<std::string>& ManyBoardCommands();

// The cables a --cable value names: "all" (every cable `vx5h boards` lists), or a
// comma-separated list; empty for a single cable's name.
std::vector<std::string> CablesNamed(const std::string& value, bool& several);

// What the arguments ask for when their --cable names several boards; nothing for one.
// A command that cannot run on several boards, or an option that cannot be shared among
// them, is a TFailure with the usage code.
std::optional<TManyBoards> ManyBoardsAsked(const std::vector<std::string>& args);

// The arguments of board `cable`'s own vx5h.
std::vector<std::string> ArgumentsFor(const TManyBoards& asked, const std::string& cable);

// Runs the command on each board side by side; the worst board's exit code.
int RunOnEachBoard(const TManyBoards& asked);

} // namespace cli
