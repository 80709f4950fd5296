// vx5h: the board from the command line, on the core the control panel uses.
#include "cli/Args.h"
#include "cli/Cli.h"
#include "cli/CommandLine.h"
#include "cli/ManyBoards.h"
#include "cli/Usage.h"
#include "platform/Console.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

int Run(int argc, char** argv)
{
    cli::TContext context;
    const std::unique_ptr<CLI::App> app = cli::MakeCommandLine(context);
    const std::vector<std::string> words(argv + 1, argv + argc);
    try {
        // Several boards: each gets a vx5h of its own, which parses the arguments as they
        // are given to it (--json moved to where its command takes it).
        cli::RefuseEmptyOptionValues(words);
        const auto many = cli::ManyBoardsAsked(words);
        const cli::TUnknownWord unknown
            = cli::UnknownWord(*app, many ? cli::ArgumentsFor(*many, many->cables.front()) : words);
        if (!unknown.message.empty()) {
            std::cerr << cli::UsageErrorText(*unknown.command, unknown.message);
            return cli::exitcode::USAGE;
        }
        if (many)
            return cli::RunOnEachBoard(*many);
        app->parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return cli::ParseErrorExit(*app, error, std::cout, std::cerr);
    } catch (const cli::TFailure& failure) {
        // A command's own check of what was typed ends as the parser's do, with the usage.
        if (failure.code == cli::exitcode::USAGE)
            std::cerr << cli::UsageErrorText(cli::CommandReached(*app), failure.message);
        else
            std::fprintf(stderr, "vx5h: %s\n", failure.message.c_str());
        return failure.code;
    }
    return cli::exitcode::OK;
}

} // namespace

int main(int argc, char** argv)
{
    platform::CatchInterrupts();
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vx5h: internal error: %s\n", error.what());
        return cli::exitcode::INTERNAL;
    }
}
