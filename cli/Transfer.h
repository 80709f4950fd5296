#pragma once

#include "core/MemoryTransfer.h"

#include <cstdint>
#include <string>

// How a memory command ends after a range transfer, in the order that matters to the
// user: stopped with Ctrl-C, a file that failed, the link that failed (with its cause, as
// the link layer logs it), the board's refusal, a flash word that was not erased.
namespace cli {

class TContext;

// "10A": the word address of a byte address, as the window's fields show it.
std::string WordAddressText(std::uint32_t byteAddress);

// Ends the command when the transfer did not move the whole range; `fileProblem` says
// what went wrong with the file when the sink or the source failed. `memoryName` names
// the memory in a flash word's message.
void CheckTransfer(const memory::TRangeResult& result, const std::string& what, const std::string& memoryName,
    std::uint32_t byteAddress, const std::string& fileProblem);

// After a transfer that went through: how many packets had to be sent again, for the
// person (the progress line's summary says it on a terminal).
void NoteRetries(const TContext& context, const memory::TRangeResult& result, const std::string& what,
    bool progressShown);

} // namespace cli
