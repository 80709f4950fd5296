// What vx5h doctor reads from other programs and the user's files: jtagconfig's output
// (with and without -n) and ~/.jtag.conf, and jtagconfig's output as the list of cables
// reads it. Input: the text itself, fed to each reader.
#include "cli/DoctorChecks.h"
#include "core/CableList.h"
#include "fuzz/FuzzSupport.h"

#include <string>

namespace {

// Generous for the advice around it; what matters is that the text read is cut short.
constexpr std::size_t MAX_DETAIL = 600;

void RequireBounded(const doctor::TCheck& check)
{
    fuzz::Require(check.detail.size() <= MAX_DETAIL, "a line shows a bounded part of what it read");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<doctor::TCheck> checks = doctor::ReadJtagconfig(text, true);
    fuzz::Require(!checks.empty(), "jtagconfig's output always gives a line");
    for (const doctor::TCheck& check : checks)
        RequireBounded(check);
    fuzz::Require(checks.size() <= 8, "each finding once");
    RequireBounded(doctor::ReadJtagconfigNodes(text, true));
    const std::vector<doctor::TCheck> servers
        = doctor::CheckRemoteServers(text, true, [](const std::string&, std::uint16_t) { return false; });
    fuzz::Require(!servers.empty() && servers.size() <= doctor::MAX_SERVERS_ASKED + 1, "the servers asked are bounded");
    for (const doctor::TCheck& check : servers)
        RequireBounded(check);
    for (const std::string& cable : cables::CablesListed(text))
        fuzz::Require(!cable.empty() && cable.size() < size && cable.find('\n') == std::string::npos,
            "a cable is a non-empty part of one line");
    return 0;
}
