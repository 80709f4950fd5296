#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class TTraceRecorder;

// How every face of the program starts a transcript of the link, so that the panel,
// vx5h and the Python module record alike: VX5H_TRACE=FILE names the file,
// VX5H_TRACE_DATA=1 keeps memory contents whole, VX5H_TRACE_LIMIT=SIZE bounds the file
// (bytes, or with a k, M or G suffix; 256M by default).
namespace trace {

struct TRequest {
    std::optional<std::string> path; // nothing: VX5H_TRACE's, if it names one; an empty name is refused
    bool keepData = false; // or VX5H_TRACE_DATA=1
    std::string cable;     // the board asked for, for the header; empty: VX5H_CABLE's
};

// The recorder the user asked for, with its header written; nullptr when nobody asked
// (`error` empty) or when it cannot be had (`error` says why: a refused file, a bad
// limit). `program` names the face in the header.
std::shared_ptr<TTraceRecorder> StartRecording(const std::string& program, TRequest request, std::string& error);

// "256M", "1048576", "64k" as bytes; nothing for anything else or for 0.
std::optional<std::uint64_t> ParseSize(const std::string& text);

} // namespace trace
