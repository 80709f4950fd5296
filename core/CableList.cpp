#include "core/CableList.h"

#include "platform/Paths.h"
#include "platform/Process.h"

#include <algorithm>
#include <string_view>

namespace cables {

namespace {

// jtagconfig asks the vendor's JTAG server, which may first have to start.
constexpr std::uint32_t JTAGCONFIG_BUDGET_MS = 15000;

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

std::vector<std::string> KnownCables()
{
    std::vector<std::string> names;
    if (platform::FileExists(platform::ExecutableFolder() + "vx5h-board-sim"))
        names.push_back(SIMULATOR);
    if (const auto tools = platform::ProgrammerToolsFolder()) {
        const platform::TProgramRun run = platform::RunProgram({*tools + "/jtagconfig"}, JTAGCONFIG_BUDGET_MS);
        if (run.Succeeded())
            for (const std::string& name : CablesListed(run.output))
                names.push_back(name);
    }
    return names;
}

} // namespace cables
