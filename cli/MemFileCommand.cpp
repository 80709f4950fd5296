// vx5h mem dump|load|verify|erase: whole ranges streamed through files.
#include "cli/Cli.h"
#include "cli/MemRange.h"

#include <CLI/CLI.hpp>

namespace cli {

void AddMemFileCommands(CLI::App&, TContext&) { }

} // namespace cli
