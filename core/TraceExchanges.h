#pragma once

#include "core/TraceFile.h"

#include <cstdint>
#include <string>
#include <vector>

// A transcript's bytes read as the board's exchanges: each request frame the program
// wrote with the bytes that came back before its next request, checked as a frame, and
// what broke it when something did.
namespace trace {

// What is kept of a payload: more than any payload holds but a memory transfer's, whose
// data is never put in words.
constexpr std::size_t PAYLOAD_HEAD = 256;

struct TExchange {
    std::uint64_t line = 0; // the request's line
    std::uint64_t t = 0;   // when the request went out
    std::uint64_t end = 0; // when the reply was whole, or the exchange was given up
    std::uint8_t command = 0;
    bool isFrame = false;  // the bytes written are a request frame
    bool written = false;  // the link took them
    std::vector<std::uint8_t> request; // its payload's first PAYLOAD_HEAD bytes
    std::size_t requestLength = 0;     // and its whole length
    bool requestElided = false;
    bool replied = false;  // a whole, valid reply to this command came, and the program took it
    std::vector<std::uint8_t> reply; // its payload's first PAYLOAD_HEAD bytes
    std::size_t replyLength = 0;     // and its whole length
    bool replyElided = false;
    std::size_t replyBytes = 0; // everything read for it
    std::string failure;        // the program's cause ("no_reply"), when it gave up
    std::vector<std::string> marks; // what broke the reply's frame, for a person
};

// An exchange, or one of the events around them (open, close, configure, cut, the start
// of another run, or a failure without a request on the link).
struct TItem {
    const TEvent* event = nullptr; // null for an exchange
    TExchange exchange;
};

std::vector<TItem> ReadExchanges(const TTranscript& transcript);

} // namespace trace
