#include "CliHarness.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace clitest {

namespace {

std::string Slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TRun Vx5h(const std::string& args, const std::string& input)
{
    const auto folder = std::filesystem::temp_directory_path() / ("vx5h-run-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream(folder / "in", std::ios::binary) << input;
    }
    TRun run;
    const std::string command = "'" + testsupport::SimulatedBoard::BinFolder() + "vx5h' " + args + " <'"
        + (folder / "in").string() + "' 2>'" + (folder / "err").string() + "'";
    run.out = testsupport::RunCommand(command, &run.code);
    run.err = Slurp(folder / "err");
    std::filesystem::remove_all(folder);
    return run;
}

} // namespace clitest
