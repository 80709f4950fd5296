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

TRun RunShell(const std::string& program, const std::string& input)
{
    const auto folder = std::filesystem::temp_directory_path() / ("vx5h-run-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream(folder / "in", std::ios::binary) << input;
    }
    TRun run;
    const std::string command
        = "{ " + program + "; } <'" + (folder / "in").string() + "' 2>'" + (folder / "err").string() + "'";
    run.out = testsupport::RunCommand(command, &run.code);
    run.err = Slurp(folder / "err");
    std::filesystem::remove_all(folder);
    return run;
}

// Bounded, so that a vx5h that hangs fails its test instead of holding up the run; the
// signals a test sends reach vx5h as they would from a shell.
std::string Program()
{
    return "timeout --foreground -s KILL 300 '" + testsupport::SimulatedBoard::BinFolder() + "vx5h'";
}

} // namespace

TRun Vx5h(const std::string& args, const std::string& input) { return RunShell(Program() + " " + args, input); }

TRun Vx5hWhile(const std::string& args, int afterMs, const std::string& during)
{
    return RunShell(Program() + " " + args + " & PID=$!; sleep " + std::to_string(afterMs / 1000.0) + "; { " + during
            + "; } >/dev/null 2>&1; wait $PID",
        "");
}

std::size_t RunningVx5h(const std::string& mark)
{
    std::size_t count = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code missing;
        const auto exe = std::filesystem::read_symlink(entry.path() / "exe", missing);
        if (!missing && exe.filename() == "vx5h" && Slurp(entry.path() / "environ").find(mark) != std::string::npos)
            ++count;
    }
    return count;
}

TRun CheckJunit(const std::string& path) { return RunShell("python3 '" VX5H_JUNIT_CHECK "' '" + path + "'", ""); }

std::string WithSimControl(std::string words, const testsupport::SimulatedBoard& sim)
{
    const std::string control = "VX5H_SIM_SOCKET='" + sim.SocketPath() + "' '" + testsupport::SimulatedBoard::BinFolder()
        + "vx5h-board-sim' ctl ";
    for (std::size_t at; (at = words.find("CTL ")) != std::string::npos;)
        words.replace(at, 4, control);
    return words;
}

} // namespace clitest
