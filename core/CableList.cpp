#include "core/CableList.h"

#include "platform/Paths.h"
#include "platform/Process.h"

#include <algorithm>
#include <string_view>

namespace cables {

namespace {

// jtagconfig asks the vendor's JTAG server, which may first have to start.
constexpr std::uint32_t JTAGCONFIG_BUDGET_MS = 15000;
// The simulator answers its control socket at once, or it is not running.
constexpr std::uint32_t LAB_BUDGET_MS = 3000;
// jtagconfig's word between a remote cable's type and its host.
constexpr std::string_view REMOTE_MARK = " on ";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The cable's name on a line "  1) USB-Blaster [1-1]", empty on any other line.
std::string_view CableOnLine(std::string_view line)
{
    line = Trimmed(line);
    std::size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9')
        ++digits;
    if (digits == 0 || line.substr(digits, 2) != ") ")
        return {};
    return Trimmed(line.substr(digits + 2));
}

// "sim" or "sim-k": a board of the simulator.
bool IsSimulatedName(std::string_view name)
{
    if (name == SIMULATOR)
        return true;
    if (name.size() < 5 || name.size() > 6 || name.substr(0, 4) != "sim-")
        return false;
    return std::all_of(name.begin() + 4, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::vector<std::string> CablesListed(const std::string& jtagconfigOutput)
{
    // By hand, not with std::regex: its recursion overflows the stack on a long line,
    // and what a program prints may be any length.
    std::vector<std::string> names;
    std::string_view rest = jtagconfigOutput;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::string_view name = CableOnLine(rest.substr(0, end));
        if (!name.empty())
            names.emplace_back(name);
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return names;
}

std::vector<std::string> LabBoardsListed(const std::string& answer)
{
    std::vector<std::string> names;
    std::string_view rest = answer;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::string_view name = Trimmed(rest.substr(0, end));
        if (IsSimulatedName(name))
            names.emplace_back(name);
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return names;
}

TWhere WhereIs(const std::string& cable)
{
    if (IsSimulatedName(cable))
        return TWhere::Simulated;
    return RemoteHost(cable).empty() ? TWhere::Local : TWhere::Remote;
}

const char* WhereName(TWhere where)
{
    switch (where) {
    case TWhere::Simulated: return "simulated";
    case TWhere::Remote: return "remote";
    default: return "local";
    }
}

std::string RemoteHost(const std::string& cable)
{
    // The host stands between " on " and the port's " [": a cable type never holds " on ".
    const std::size_t on = cable.find(REMOTE_MARK);
    if (on == std::string::npos)
        return {};
    const std::size_t from = on + REMOTE_MARK.size();
    const std::size_t to = cable.find(" [", from);
    const std::string host = cable.substr(from, to == std::string::npos ? std::string::npos : to - from);
    return host.find(' ') == std::string::npos ? host : std::string();
}

std::vector<std::string> KnownCables(const std::atomic<bool>* stop)
{
    std::vector<std::string> names;
    const std::string simulator = platform::ExecutableFolder() + "vx5h-board-sim";
    if (platform::ProgramExists(simulator)) {
        const platform::TProgramRun lab = platform::RunProgram({simulator, "ctl", "boards"}, LAB_BUDGET_MS, stop);
        std::vector<std::string> boards = lab.Succeeded() ? LabBoardsListed(lab.output) : std::vector<std::string>{};
        if (boards.empty())
            boards.push_back(SIMULATOR);
        names.insert(names.end(), boards.begin(), boards.end());
    }
    if (const auto tools = platform::ProgrammerToolsFolder()) {
        const platform::TProgramRun run = platform::RunProgram({*tools + "/jtagconfig"}, JTAGCONFIG_BUDGET_MS, stop);
        if (run.Succeeded())
            for (const std::string& name : CablesListed(run.output))
                names.push_back(name);
    }
    return names;
}

} // namespace cables
