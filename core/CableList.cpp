#include "core/CableList.h"

#include "platform/Console.h"
#include "platform/Paths.h"

#include <regex>

namespace cables {

namespace {

// jtagconfig asks the vendor's JTAG server, which may first have to start.
constexpr std::uint32_t JTAGCONFIG_BUDGET_MS = 15000;

} // namespace

std::vector<std::string> CablesListed(const std::string& jtagconfigOutput)
{
    static const std::regex cableLine(R"(^\s*\d+\) (.*\S)\s*$)");
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < jtagconfigOutput.size()) {
        std::size_t end = jtagconfigOutput.find('\n', start);
        if (end == std::string::npos)
            end = jtagconfigOutput.size();
        std::smatch match;
        const std::string line = jtagconfigOutput.substr(start, end - start);
        if (std::regex_match(line, match, cableLine))
            names.push_back(match[1].str());
        start = end + 1;
    }
    return names;
}

std::vector<std::string> KnownCables()
{
    std::vector<std::string> names;
    if (platform::FileExists(platform::ExecutableFolder() + "vx5h-board-sim"))
        names.push_back(SIMULATOR);
    if (const auto tools = platform::ProgrammerToolsFolder()) {
        std::string output;
        int code = 0;
        if (platform::RunProgram(*tools + "/jtagconfig", {}, JTAGCONFIG_BUDGET_MS, output, code) && code == 0)
            for (const std::string& name : CablesListed(output))
                names.push_back(name);
    }
    return names;
}

} // namespace cables
