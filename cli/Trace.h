#pragma once

#include <string>

namespace trace {
struct TTranscript;
struct TExchange;
}

// vx5h trace: a transcript of the link read for a person.
namespace cli {

// What is printed of a transcript. Its texts are shown as printable text only
// (trace::PrintableText), since the file comes from someone else.
struct TTranscriptText {
    std::string text;
    bool escaped = false; // some text of the file was not plain printable text
};

// Every exchange as a command with its arguments, outcome and time, and the events
// around them, one a line.
TTranscriptText ShowTranscript(const trace::TTranscript& transcript);

// Round trips per command, the throughput of each memory transfer, the time in flushes
// and keep-alives, failures by cause.
TTranscriptText TranscriptStats(const trace::TTranscript& transcript);

// "SetLed mask=0000005", "MemoryRead SDRAM 0x00010000+32747": the request in words.
std::string RequestText(const trace::TExchange& exchange);

} // namespace cli
