#include "cli/Transfer.h"

#include "cli/Cli.h"
#include "core/MemoryGeometry.h"

#include <cstdio>

namespace cli {

namespace {

std::string WordText(std::uint16_t word)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", word);
    return text;
}

} // namespace

std::string WordAddressText(std::uint32_t byteAddress) { return memory::HexText(byteAddress / 2); }

void CheckTransfer(const memory::TRangeResult& result, const std::string& what, const std::string& memoryName,
    std::uint32_t byteAddress, const std::string& fileProblem)
{
    const std::string at = " at word " + WordAddressText(byteAddress + result.moved);
    if (result.aborted)
        Fail(exitcode::CANCELLED, what + " stopped with Ctrl-C" + at);
    if (result.dataFailed)
        Fail(exitcode::FILE, fileProblem);
    if (result.notErased)
        Fail(exitcode::REFUSED, what + ": " + memoryName + " word " + WordAddressText(result.badAddress) + " reads "
                + WordText(result.readWord) + ", not " + WordText(result.wroteWord)
                + ": programming cannot set bits that were not erased; erase first (mem erase, or --erase)");
    if (result.linkLost)
        Fail(exitcode::LINK, what + " stopped" + at + ": the link failed (" + LinkFailureText(result.failure) + ")"
                + (result.retried > 0 ? ", also when the packet was sent again" : ""));
    if (!result.ok)
        Fail(exitcode::REFUSED, what + " stopped" + at + ": the board refused the transfer");
}

void NoteRetries(const TContext& context, const memory::TRangeResult& result, const std::string& what,
    bool progressShown)
{
    if (result.retried == 0 || progressShown)
        return;
    context.Note(what + ": " + std::to_string(result.retried) + (result.retried == 1 ? " packet was" : " packets were")
        + " sent again after the link failed (last: " + LinkFailureText(result.failure) + ")");
}

} // namespace cli
