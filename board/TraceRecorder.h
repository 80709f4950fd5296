#pragma once

#include "board/LinkFailure.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

// A transcript of the board's link: every chunk of bytes written and read, with its time,
// and the events around them (the cable opened and closed, the FPGA configured, each
// failed exchange with its cause). One JSON object a line (docs/transcripts.md), so that
// a person can read it and any tool can parse it; `vx5h trace` reads it back and
// `vx5h-board-sim --replay` plays the board in it.
namespace trace {

constexpr int FORMAT_VERSION = 1;
constexpr std::uint64_t DEFAULT_LIMIT_BYTES = 256ull << 20;
// The user's memory contents stay out of a transcript unless asked for: a memory payload
// longer than this is kept as its length, CRC-32 and byte sum.
constexpr std::uint32_t KEPT_PAYLOAD_MAX = 64;

struct TOptions {
    bool keepData = false; // memory payloads whole
    std::uint64_t limitBytes = DEFAULT_LIMIT_BYTES;
};

// What the first line says about where the transcript comes from.
struct THeader {
    std::string program; // "vx5h", "VX5h_260_ControlPanel"
    std::string version;
    std::string platform;
    std::string cable; // the board asked for (VX5H_CABLE), empty for the automatic choice
};

} // namespace trace

// Writes a transcript. Shared by the board and its link (and by whoever configures the
// FPGA in between), and safe to call from any thread: each line is written whole and
// flushed, so that a program that dies leaves a transcript that ends at its last event.
class TTraceRecorder {
public:
    // Records into `file` (taken over and closed at the end).
    TTraceRecorder(std::FILE* file, const trace::THeader& header, const trace::TOptions& options);
    ~TTraceRecorder();
    TTraceRecorder(const TTraceRecorder&) = delete;
    TTraceRecorder& operator=(const TTraceRecorder&) = delete;

    // A recorder on a new private file (platform::CreatePrivateFile); nullptr and the
    // reason when the file is refused.
    static std::unique_ptr<TTraceRecorder> Create(
        const std::string& path, const trace::THeader& header, const trace::TOptions& options, std::string& error);

    // The clock of the events: pass what Now() said when an operation began.
    static std::uint64_t Now();

    // Starts the transcript of another run in the same file, after what is there: its
    // header, and times counted from now. The size limit holds for the whole file.
    void Restart(const trace::THeader& header);

    void Opened(bool ok, const std::string& description, std::int32_t errorCode, const std::string& reason,
        std::uint64_t startUs);
    void Closed();
    void Wrote(const std::uint8_t* bytes, std::int32_t count, bool accepted, std::uint64_t startUs);
    // Only reads that delivered something are worth a line.
    void Read(const std::uint8_t* bytes, std::int32_t got, std::int32_t wanted, std::uint64_t startUs);
    void Flushed(int discarded, std::uint64_t startUs);
    void Failed(const TLinkFailureReport& report);
    void Configured(const std::string& image, bool ok, const std::string& reason, std::uint64_t startUs);

    // The size limit was reached: the file ends with a note that says so.
    bool Cut() const;

private:
    // Finds the data of a memory read's reply in the bytes read, wherever the reads cut
    // them, so that it can be left out.
    class TReplyScanner {
    public:
        void Arm() { m_Armed = true; }
        // Where memory data lies in the next `count` bytes read: `data` bytes after the
        // first `before` ones (data 0: none). A chunk holds at most one stretch of it.
        void Next(const std::uint8_t* bytes, std::size_t count, std::size_t& before, std::size_t& data);

    private:
        enum class TState { Search, Header, Status, Data };
        TState m_State = TState::Search;
        bool m_Armed = false;
        std::uint8_t m_Header[6] = {};
        std::size_t m_HeaderLen = 0;
        std::uint32_t m_DataLeft = 0;
    };

    void WriteHeader(const trace::THeader& header);
    void Begin(const char* event, std::uint64_t startUs);
    void AppendBytes(const std::uint8_t* bytes, std::size_t count, std::size_t gapAt, std::size_t gapLen);
    void AppendText(const std::string& text);
    void End();

    std::FILE* m_File;
    trace::TOptions m_Options;
    std::uint64_t m_StartUs;
    std::uint64_t m_Written = 0;
    bool m_Cut = false;
    std::string m_Line;
    TReplyScanner m_Scanner;
    mutable std::mutex m_Lock;
};
