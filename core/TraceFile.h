#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A transcript of the link read back (the format TTraceRecorder writes, described in
// docs/transcripts.md), for `vx5h trace` and the simulator's replay. The file comes from
// a user, so nothing in it is trusted: every fault is reported with its line, and what
// it may cost is bounded.
namespace trace {

// Bytes left out of a transcript, kept as their length and checksums only. Where their
// bytes are needed (a replay sends them), they are made up: `length` bytes whose sum is
// `sum` (that sum, then zeros), so that the frame around them checks out as it did.
struct TGap {
    std::size_t at = 0; // where they start in their chunk
    std::uint32_t length = 0;
    std::uint32_t crc = 0;
    std::uint8_t sum = 0;
    std::size_t keptBefore = 0; // bytes on record in the chunk before it
};

// One chunk of the link as recorded: the bytes on record and the stretches left out. A
// chunk of a few bytes of text may stand for a hundred thousand made-up ones, so the
// made-up ones exist only while somebody reads them.
struct TBytes {
    std::vector<std::uint8_t> kept; // the bytes on record, without the left-out ones
    std::vector<TGap> gaps;         // in order
    std::size_t size = 0;           // the whole chunk, left-out bytes included

    std::size_t Size() const { return size; }
    bool Empty() const { return size == 0; }
    // `count` bytes from `from` on (within the chunk) into `out`, left-out ones made up.
    void Copy(std::size_t from, std::size_t count, std::uint8_t* out) const;
    // The first byte of `value` from `from` on, made-up ones included; Size() if none.
    std::size_t Find(std::uint8_t value, std::size_t from = 0) const;
    // Whether bytes of [from, to) were left out.
    bool LeftOut(std::size_t from, std::size_t to) const;
    // The first of the first `count` bytes (at most Size()) of `data` that differs from a
    // byte on record here; left-out bytes match anything. `count` when none differs.
    std::size_t FirstDifference(const std::uint8_t* data, std::size_t count) const;
    // All of it, made-up bytes included; for tests and for few bytes only.
    std::vector<std::uint8_t> Whole() const;
};

// Start: the header of another run, where transcripts were joined one after another (as
// `cat` joins them); its times count from its own start.
enum class TEventKind { Open, Close, Write, Read, Flush, Fail, Configure, Cut, Start };

struct TEvent {
    TEventKind kind = TEventKind::Close;
    std::uint64_t line = 0; // counted in 64 bits: a file of newlines may hold more than 2^31
    std::uint64_t t = 0;  // µs from the start of the recording, when the operation began
    std::uint64_t us = 0; // how long it took
    bool ok = false;      // open, write, configure
    std::int64_t number = 0; // read: bytes wanted; flush: discarded; fail: command; open: error; cut: limit
    std::int64_t ms = 0;     // fail: elapsed
    std::string text;        // open: cable; fail: cause; configure: image; start: program
    std::string reason;      // a failed open's or configuration's
    TBytes data;             // write, read

    // When it ended; the times on record are at most 2^63, so the sum cannot wrap.
    std::uint64_t End() const { return t + us; }
};

struct TTranscript {
    std::string program, version, platform, cable;
    bool wholeData = false;
    std::vector<TEvent> events;
};

// The largest chunk one event can hold: more than any frame of the link.
constexpr std::size_t MAX_EVENT_BYTES = 1 << 17;
// The longest line a transcript holds: a chunk of the largest size, in hex, with room.
constexpr std::size_t MAX_LINE = 4 * MAX_EVENT_BYTES;
// What the events of one transcript may take in memory, the bytes on record included:
// more than a transcript of the recorder's default size limit takes, far less than the
// made-up bytes a small file may stand for.
constexpr std::uint64_t MAX_TRANSCRIPT_COST = 1ull << 30;

// Reads a transcript. On a fault, `error` says "line N: what" and `transcript` holds the
// events before it, so that a damaged file still shows what it has. Events beyond
// `maxCost` bytes of memory are such a fault.
bool ParseTranscript(
    std::string_view text, TTranscript& transcript, std::string& error, std::uint64_t maxCost = MAX_TRANSCRIPT_COST);
// The same from a file, a line at a time: what is not a regular file is refused before
// anything is read, and a line longer than any line a transcript holds as soon as it
// is. `error` starts with the file's name or says why it cannot be opened.
bool ReadTranscriptFile(const std::string& path, TTranscript& transcript, std::string& error);

} // namespace trace
