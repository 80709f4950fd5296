#pragma once

#include "cli/Watch.h"

#include <cstdint>
#include <string>
#include <vector>

namespace CLI {
class App;
}

// The pushbuttons and slide switches as both `keys` and `switches` read them.
namespace cli {

class TContext;

// The inputs from `first` for `count` bits that are down/up: SW0, SW2.
std::vector<std::string> InputsOn(std::uint32_t state, int first, int count);
// "SW0 SW2"; "none" for no name.
std::string NamesText(const std::vector<std::string>& names);

// A subcommand that reads the board's word of keys and switches (bits 0-3 KEY0-KEY3,
// bits 4-21 SW0-SW17), once or watching; `reading` turns the word into what it prints.
void AddInputCommand(CLI::App& app, TContext& context, const char* name, const char* description,
    TReading (*reading)(std::uint32_t state));

} // namespace cli
