#pragma once

#include <iosfwd>
#include <memory>

namespace CLI {
class App;
class ParseError;
} // namespace CLI

// vx5h's whole command line, for the program and for whatever else parses it as the
// program does: the options every subcommand shares and each subcommand with its action.
namespace cli {

class TContext;

std::unique_ptr<CLI::App> MakeCommandLine(TContext& context);

// The exit code for what the parser raised: help is a success, anything else a usage
// error. Help and the error's message go to `out` and `err` as the parser formats them.
int ParseErrorExit(const CLI::App& app, const CLI::ParseError& error, std::ostream& out, std::ostream& err);

} // namespace cli
