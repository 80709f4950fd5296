#pragma once

#include <memory>
#include <string>

class TTraceRecorder;

// The transcripts of the link that VX5H_TRACE asks for, for every board of the process.
// One process, one transcript: each connect records under a header of its own, after what
// the boards before it wrote, so that a reconnect after a lost link keeps the failure it
// is for. A board that connects while another board of the process still records there,
// or after the file reached its size limit, records into the first free name beside it:
// link.jsonl, then link-2.jsonl, link-3.jsonl, ... Only the first use of a name in the
// process starts its file anew.
namespace pyvx5h {

struct TTranscriptFile;

// A board's hold on the transcript it records into; given back when the board closes.
class TTranscriptLease {
public:
    TTranscriptLease() = default;
    ~TTranscriptLease() { Release(); }
    TTranscriptLease(const TTranscriptLease&) = delete;
    TTranscriptLease& operator=(const TTranscriptLease&) = delete;

    // The board recorded its last line; the next board may go on in the file.
    void Release();

    // The transcript VX5H_TRACE asks for a connect to `cable` (as Board() names it), held
    // by this lease; nullptr when nobody asked. Raises TFileError when the file is refused.
    std::shared_ptr<TTraceRecorder> Start(const std::string& cable);

private:
    TTranscriptFile* m_File = nullptr;
};

} // namespace pyvx5h
