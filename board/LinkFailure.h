#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Why an exchange with the board failed: what a user's log needs to tell a dead cable
// from a noisy one or from a board that answers something else.
enum class TLinkFailure : std::uint8_t {
    None,
    NoLink,       // no open link
    BadRequest,   // a request the firmware could not take; nothing was sent
    WriteRefused, // the link refused the request
    NoReply,      // the reply's header did not come within its budget
    WrongReply,   // a header with another start marker or another command code
    WrongLength,  // a reply of another length than the command's
    ShortBody,    // the rest of the reply did not come within its budget
    BadChecksum,  // the reply came whole, but its checksum or end marker is wrong
};

// A few words for the log, e.g. "budget spent waiting for the reply".
const char* LinkFailureText(TLinkFailure cause);
// A stable name for files and scripts, e.g. "no_reply"; and back (false for an unknown one).
const char* LinkFailureKey(TLinkFailure cause);
bool LinkFailureFromKey(const std::string& key, TLinkFailure& cause);

struct TLinkFailureReport {
    std::uint8_t command;
    TLinkFailure cause;
    std::uint32_t elapsedMs; // from the start of the exchange
};

// Told of every failed exchange, on the thread that ran it.
using LinkFailureSink = std::function<void(const TLinkFailureReport&)>;
