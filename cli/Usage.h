#pragma once

#include <memory>
#include <string>

namespace CLI {
class App;
class FormatterBase;
class ParseError;
} // namespace CLI

// How vx5h speaks about its own command line: the help of each command and every usage
// error. Both name an argument as the help lists it (MASK, LINE0, --rate), and an error
// says the rule it broke and ends with the command's usage line, the first line of its
// help.
namespace cli {

// The formatter of every command's help.
std::shared_ptr<CLI::FormatterBase> MakeHelpFormatter();

// "Usage: vx5h mem read [OPTIONS] MEMORY ADDRESS [COUNT]"
std::string UsageLine(const CLI::App& command);

// The command the parser got to: the last subcommand of each level it took, down from `app`.
const CLI::App& CommandReached(const CLI::App& app);

// Nothing at all was given: no command, no option.
bool NothingTyped(const CLI::App& app);

// A usage error as vx5h shows it: "vx5h: MESSAGE", then the usage line of `command`.
std::string UsageErrorText(const CLI::App& command, const std::string& message);

// The parser's error in vx5h's words; `command` is where the parser got to.
std::string ParseErrorMessage(const CLI::App& command, const CLI::ParseError& error);

} // namespace cli
