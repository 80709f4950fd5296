#pragma once

#include "core/ConnectSequence.h"

#include <memory>
#include <optional>
#include <string>

// What every subcommand of vx5h shares: the exit codes, the way a command fails, and
// the context it runs in (the board, connected on first use as the window connects it,
// and the options that steer the connection and the output).
namespace cli {

// The exit codes a script can rely on (vx5h --help lists them).
namespace exitcode {
constexpr int OK = 0;
constexpr int DIFFERENT = 1; // a check found differences: verify, HSMC pairs
constexpr int USAGE = 2;     // bad arguments
constexpr int REFUSED = 3;   // the board refused the command
constexpr int LINK = 4;      // no board, the link broke, or another program holds it
constexpr int FILE = 5;      // a file could not be read or written
constexpr int INTERNAL = 70;   // a fault of vx5h itself
constexpr int CANCELLED = 130; // Ctrl-C, as a shell reports it
} // namespace exitcode

// The exit codes as `vx5h --help` shows them.
const char* ExitCodeHelp();

// The program's version, "1.0.0".
const char* Version();

// Ends the command: main prints the message on standard error and exits with the code.
struct TFailure {
    int code;
    std::string message;
};
[[noreturn]] void Fail(int code, const std::string& message);

struct TOptions {
    std::string cable;        // --cable: VX5H_CABLE for the driver libraries
    bool noConfigure = false; // --no-configure
    bool quiet = false;       // --quiet: no progress, no notes
    std::optional<std::string> trace; // --trace: a transcript of the link (else VX5H_TRACE's)
    bool traceData = false;   // --trace-data: memory contents whole in it
};

class TContext {
public:
    TContext();
    ~TContext();
    TContext(const TContext&) = delete;
    TContext& operator=(const TContext&) = delete;

    TOptions options;

    // The board, connected on first use: the link opened, the board's name asked, and the
    // FPGA configured with the program folder's image when it does not answer (unless
    // --no-configure). Fails with the link code when no board can be had.
    TBoard& Board();
    // Configures the FPGA with `imagePath` (the link closed meanwhile), with a progress
    // line; fails when it cannot.
    void Configure(const std::string& imagePath);

    // For the person: one line on standard error, unless --quiet.
    void Note(const std::string& text) const;
    // Long work shows a progress line: standard error is a terminal and not --quiet.
    bool ProgressWanted() const;

    // An exchange that did not go through ends the command with the link code and the
    // cause the link layer gives, one that the board refused with the refusal code;
    // `what` names the command.
    void Check(bool exchanged, const std::string& what) const;
    void Check(bool exchanged, bool accepted, const std::string& what) const;

private:
    [[noreturn]] void FailConnect(
        connection::TConnectFailure failure, const std::string& message, bool configureMayHelp) const;
    // The configuring line on standard error, when progress is wanted; `drawn` is set once
    // it was drawn.
    connection::ConfiguringFn ConfiguringLine(bool& drawn) const;
    void Configured(const std::string& imagePath, bool drawn, std::uint32_t elapsedMs) const;
    // The transcript asked for, started on first use; fails when its file is refused.
    const std::shared_ptr<TTraceRecorder>& Trace();

    std::shared_ptr<TTraceRecorder> m_Trace;
    bool m_TraceStarted = false;
    std::unique_ptr<TBoard> m_Board;
};

} // namespace cli
