// A transcript of the link as a user may send it, damaged or made up: read, shown,
// summed up and replayed.
// Input: the file's bytes.
//
// Properties: reading either succeeds or names the line of the first fault; no event
// holds more bytes than one chunk of the link, and only the bytes on record are held
// (left-out ones are made up when needed); showing and summing up what was read never
// fails and prints no control character but line breaks; a replay driven
// through the transcript's own steps never answers more than was on record, and reports
// a difference exactly when it stopped.
#include "fuzz/FuzzSupport.h"

#include "cli/Trace.h"
#include "core/TraceExchanges.h"
#include "core/TraceFile.h"
#include "sim/Replay.h"

#include <string>
#include <vector>

namespace {

using trace::TEventKind;

// The client a replay expects: each step on record, done as it was.
void Drive(const trace::TTranscript& transcript)
{
    int reports = 0;
    sim::TReplay replay(transcript, 0, [&](const std::string&) { ++reports; });
    std::uint8_t out[4096];
    std::size_t answered = 0, recorded = 0;
    for (const trace::TEvent& event : transcript.events) {
        if (event.kind == TEventKind::Read)
            recorded += event.data.Size();
        switch (event.kind) {
        case TEventKind::Open:
            replay.OpenCable();
            break;
        case TEventKind::Close:
            replay.CloseCable();
            break;
        case TEventKind::Write:
            if (event.ok) {
                const std::vector<std::uint8_t> request = event.data.Whole();
                replay.Receive(request.data(), request.size(), event.t);
            }
            break;
        case TEventKind::Configure: {
            sim::ControlAnswer answer;
            replay.Control({"configure-image", ""}, answer, event.t);
            break;
        }
        default:
            break;
        }
        while (const std::size_t n = replay.Transmit(UINT64_MAX, out, sizeof out))
            answered += n;
    }
    fuzz::Require(answered <= recorded, "a replay sends no byte that was not read on record");
    fuzz::Require(!replay.Complete() || reports == 0, "a complete replay reported no difference");
    fuzz::Require(reports <= 1, "a replay reports its first difference only");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using fuzz::Require;
    const std::string text(reinterpret_cast<const char*>(data), size);
    trace::TTranscript transcript;
    std::string error;
    const bool whole = trace::ParseTranscript(text, transcript, error);
    Require(whole == error.empty(), "a transcript is whole exactly when no fault is named");
    if (!whole)
        Require(error.rfind("line ", 0) == 0 || error == "the file is empty", "a fault names its line");
    for (const trace::TEvent& event : transcript.events) {
        const trace::TBytes& bytes = event.data;
        Require(bytes.Size() <= trace::MAX_EVENT_BYTES, "no event holds more than one chunk");
        Require(bytes.kept.size() <= size, "only bytes on record are held");
        std::size_t leftOut = 0;
        for (const trace::TGap& gap : bytes.gaps) {
            Require(gap.at + gap.length <= bytes.Size(), "a left-out stretch lies inside its bytes");
            Require(gap.keptBefore == gap.at - leftOut, "a left-out stretch knows the bytes on record before it");
            leftOut += gap.length;
        }
        Require(bytes.kept.size() + leftOut == bytes.Size(), "the bytes on record and the left-out ones are all");
    }
    trace::ReadExchanges(transcript);
    for (const cli::TTranscriptText& printed : {cli::ShowTranscript(transcript), cli::TranscriptStats(transcript)})
        for (const char c : printed.text)
            Require(c == '\n' || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F),
                "nothing printed is a control character");
    Drive(transcript);
    return 0;
}
