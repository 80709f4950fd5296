#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
class ParseError;
} // namespace CLI

// vx5h's whole command line, for the program and for whatever else parses it as the
// program does: the options every subcommand shares and each subcommand with its action.
namespace cli {

class TContext;

std::unique_ptr<CLI::App> MakeCommandLine(TContext& context);

// Empty when every word of `args` (the command line after the program's name) that names
// a command names one of `app`'s; else the message for the first that does not, with the
// command nearest to it: "unknown command 'inf' (did you mean info?)".
std::string UnknownCommand(const CLI::App& app, const std::vector<std::string>& args);

// The exit code for what the parser raised: help is a success, anything else a usage
// error. Help and the error's message go to `out` and `err` as the parser formats them.
int ParseErrorExit(const CLI::App& app, const CLI::ParseError& error, std::ostream& out, std::ostream& err);

} // namespace cli
