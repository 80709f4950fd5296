// vx5h: the board from the command line, on the core the control panel uses.
#include "cli/Cli.h"
#include "cli/CommandLine.h"
#include "cli/ManyBoards.h"
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
    const std::string unknown = cli::UnknownCommand(*app, std::vector<std::string>(argv + 1, argv + argc));
    if (!unknown.empty()) {
        std::fprintf(stderr, "vx5h: %s\n", unknown.c_str());
        return cli::exitcode::USAGE;
    }
    try {
        // Several boards: each gets a vx5h of its own, which parses the arguments.
        if (const auto many = cli::ManyBoardsAsked(std::vector<std::string>(argv + 1, argv + argc)))
            return cli::RunOnEachBoard(*many);
        app->parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return cli::ParseErrorExit(*app, error, std::cout, std::cerr);
    } catch (const cli::TFailure& failure) {
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
