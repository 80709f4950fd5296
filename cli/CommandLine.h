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

// A word of `args` (the command line after the program's name) that names no command or
// option of the level it stands at: the message for the first, with the name nearest to
// it ("unknown command 'inf' (did you mean info?)"), and the command it was given to.
struct TUnknownWord {
    std::string message; // empty when every word is known
    const CLI::App* command = nullptr;
};
TUnknownWord UnknownWord(const CLI::App& app, const std::vector<std::string>& args);

// The exit code for what the parser raised: help is a success, anything else a usage
// error. Help goes to `out`; an error to `err`, in vx5h's words with the usage line of the
// command it concerns, and bare `vx5h` gets the whole help there.
int ParseErrorExit(const CLI::App& app, const CLI::ParseError& error, std::ostream& out, std::ostream& err);

} // namespace cli
