// vx5h's command line on any words a user or a script may type, parsed as the program
// parses them, stopped once the words are taken and before any subcommand runs: no
// board, file or terminal is touched.
// Input: the words after the program's name, separated by NUL bytes.
//
// Properties: the parser either takes the words or raises its own error, nothing else;
// taken words choose exactly one job: one subcommand at each level, down to one without
// subcommands of its own (so that `vx5h mem` never succeeds doing nothing); an error
// ends with help and success or with a message and the usage code.
#include "cli/Cli.h"
#include "cli/CommandLine.h"
#include "fuzz/FuzzSupport.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>

namespace {

using fuzz::Require;

constexpr std::size_t MAX_WORDS = 64;

std::vector<std::string> Words(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i < size && words.size() < MAX_WORDS; ++i) {
        if (data[i] != 0) {
            word += static_cast<char>(data[i]);
            continue;
        }
        words.push_back(word);
        word.clear();
    }
    if (!word.empty() && words.size() < MAX_WORDS)
        words.push_back(word);
    return words;
}

// Thrown when the parser has taken the words, before the chosen subcommand runs.
struct TTaken { };

void RequireOneJob(const CLI::App& root)
{
    const CLI::App* level = &root;
    for (;;) {
        const std::vector<CLI::App*> chosen = level->get_subcommands();
        const bool leaf = level->get_subcommands(std::function<bool(const CLI::App*)>()).empty();
        if (leaf) {
            Require(level != &root && chosen.empty(), "taken words end at a subcommand that does a job");
            return;
        }
        Require(chosen.size() == 1, "taken words choose one subcommand at each level");
        level = chosen.front();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    cli::TContext context;
    const std::unique_ptr<CLI::App> app = cli::MakeCommandLine(context);
    app->parse_complete_callback([] { throw TTaken{}; });

    std::vector<std::string> words = Words(data, size);
    std::reverse(words.begin(), words.end()); // the parser takes them last first
    try {
        app->parse(words);
        Require(false, "taken words stop where the chosen subcommand would run");
    } catch (const TTaken&) {
        RequireOneJob(*app);
    } catch (const CLI::ParseError& error) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = cli::ParseErrorExit(*app, error, out, err);
        Require(code == cli::exitcode::OK || code == cli::exitcode::USAGE, "a parse error is help or a usage error");
        Require(code == cli::exitcode::OK ? !out.str().empty() : !err.str().empty(),
            "help is shown, a usage error says what is wrong");
    }
    return 0;
}
