#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A transcript of the link read back (the format TTraceRecorder writes, described in
// docs/transcripts.md), for `vx5h trace` and the simulator's replay. The file comes from
// a user, so nothing in it is trusted: every fault is reported with its line.
namespace trace {

// Bytes left out of a transcript: in the bytes they stand for as `length` made-up bytes
// whose sum is `sum`, so that the frame around them checks out as it did.
struct TGap {
    std::size_t at = 0;
    std::uint32_t length = 0;
    std::uint32_t crc = 0;
    std::uint8_t sum = 0;
};

struct TBytes {
    std::vector<std::uint8_t> bytes; // gaps filled in
    std::vector<TGap> gaps;
};

// Start: the header of another run, where transcripts were joined one after another (as
// `cat` joins them); its times count from its own start.
enum class TEventKind { Open, Close, Write, Read, Flush, Fail, Configure, Cut, Start };

struct TEvent {
    TEventKind kind = TEventKind::Close;
    int line = 0;
    std::uint64_t t = 0;  // µs from the start of the recording, when the operation began
    std::uint64_t us = 0; // how long it took
    bool ok = false;      // open, write, configure
    std::int64_t number = 0; // read: bytes wanted; flush: discarded; fail: command; open: error; cut: limit
    std::int64_t ms = 0;     // fail: elapsed
    std::string text;        // open: cable; fail: cause; configure: image; start: program
    std::string reason;      // a failed open's or configuration's
    TBytes data;             // write, read

    std::uint64_t End() const { return t + us; }
};

struct TTranscript {
    std::string program, version, platform, cable;
    bool wholeData = false;
    std::vector<TEvent> events;
};

// The largest chunk one event can hold: more than any frame of the link.
constexpr std::size_t MAX_EVENT_BYTES = 1 << 17;

// Reads a transcript. On a fault, `error` says "line N: what" and `transcript` holds the
// events before it, so that a damaged file still shows what it has.
bool ParseTranscript(std::string_view text, TTranscript& transcript, std::string& error);
bool ReadTranscriptFile(const std::string& path, TTranscript& transcript, std::string& error);

} // namespace trace
