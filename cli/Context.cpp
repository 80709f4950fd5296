#include "cli/Cli.h"

#include "board/Board.h"
#include "core/Connection.h"
#include "core/TraceSetup.h"
#include "platform/Console.h"
#include "platform/Paths.h"

#include <cstdio>

namespace cli {

namespace {

} // namespace

const char* ExitCodeHelp()
{
    return "Exit codes:\n"
           "  0    success\n"
           "  1    a check found differences (mem verify, hsmc)\n"
           "  2    bad arguments\n"
           "  3    the board refused the command\n"
           "  4    no board, the link broke, or another program holds the board\n"
           "  5    a file could not be read or written\n"
           "  70   an internal error of vx5h\n"
           "  130  stopped with Ctrl-C (or SIGTERM, or a closed terminal)\n";
}

void Fail(int code, const std::string& message) { throw TFailure{code, message}; }

const char* Version() { return VX5H_VERSION; }

TContext::TContext() = default;
TContext::~TContext() = default;

void TContext::Note(const std::string& text) const
{
    if (!options.quiet)
        std::fprintf(stderr, "%s\n", text.c_str());
}

bool TContext::ProgressWanted() const { return !options.quiet && platform::IsTerminal(platform::TStream::Error); }

void TContext::Check(bool exchanged, const std::string& what) const
{
    if (exchanged)
        return;
    const TLinkFailure cause = m_Board ? m_Board->LastFailure() : TLinkFailure::NoLink;
    // A command without a status of its own fails alike when the board says no; then the
    // last exchange went through.
    if (cause == TLinkFailure::None)
        Fail(exitcode::REFUSED, what + ": the board refused the command");
    Fail(exitcode::LINK, what + ": the link failed (" + std::string(LinkFailureText(cause)) + ")");
}

void TContext::Check(bool exchanged, bool accepted, const std::string& what) const
{
    Check(exchanged, what);
    if (!accepted)
        Fail(exitcode::REFUSED, what + ": the board refused the command");
}

// What failed connecting, with the exit code it ends vx5h with.
[[noreturn]] void TContext::FailConnect(
    connection::TConnectFailure failure, const std::string& message, bool configureMayHelp) const
{
    switch (failure) {
    case connection::TConnectFailure::NoImage:
    case connection::TConnectFailure::BadImage:
        Fail(exitcode::FILE, "IMAGE: " + message);
    case connection::TConnectFailure::CannotConfigure:
        Fail(exitcode::LINK, "configure: " + message);
    case connection::TConnectFailure::Stopped:
        Fail(exitcode::CANCELLED, "configure stopped with Ctrl-C; the FPGA may hold no design now");
    default:
        Fail(exitcode::LINK, message + (configureMayHelp ? "; --no-configure leaves its FPGA unconfigured" : ""));
    }
}

connection::ConfiguringFn TContext::ConfiguringLine(bool& drawn) const
{
    if (!ProgressWanted())
        return {};
    return [&drawn](const std::string& name, std::uint32_t elapsedMs) {
        std::fprintf(stderr, "\rConfiguring the FPGA with %s ... %.1f s\x1b[K", name.c_str(), elapsedMs / 1000.0);
        drawn = true;
    };
}

void TContext::Configured(const std::string& imagePath, bool drawn, std::uint32_t elapsedMs) const
{
    if (drawn)
        std::fprintf(stderr, "\r\x1b[K");
    Note("Configured the FPGA with " + platform::FileNameOf(imagePath) + " in " + std::to_string(elapsedMs) + " ms");
}

const std::shared_ptr<TTraceRecorder>& TContext::Trace()
{
    if (!m_TraceStarted) {
        m_TraceStarted = true;
        std::string error;
        m_Trace = trace::StartRecording("vx5h", {options.trace, options.traceData, options.cable}, error);
        if (!error.empty())
            Fail(exitcode::FILE, (options.trace ? "--trace: " : "VX5H_TRACE: ") + error);
    }
    return m_Trace;
}

TBoard& TContext::Board()
{
    if (!m_Board) {
        bool drawn = false;
        connection::TConnectOutcome outcome = connection::ConnectBoard({options.cable, !options.noConfigure,
            ConfiguringLine(drawn), [this] { return Trace(); }, platform::InterruptRequested});
        if (outcome.configured)
            Configured(connection::DefaultImagePath(), drawn, outcome.configuration.elapsedMs);
        else if (drawn)
            std::fprintf(stderr, "\r\x1b[K");
        // Ctrl-C (or SIGTERM) while the link opened: its waits have a budget and end by
        // themselves; then nothing more is done.
        if (platform::InterruptRequested() && outcome.failure != connection::TConnectFailure::Stopped)
            Fail(exitcode::CANCELLED, "stopped with Ctrl-C while connecting to the board");
        if (!outcome.board)
            FailConnect(outcome.failure, outcome.message, outcome.configureMayHelp);
        m_Board = std::move(outcome.board);
    }
    return *m_Board;
}

void TContext::Configure(const std::string& imagePath)
{
    if (m_Board)
        m_Board->Disconnect();
    m_Board.reset();
    bool drawn = false;
    const connection::TConfigureOutcome outcome = connection::ConfigureFpga(
        options.cable, imagePath, ConfiguringLine(drawn), [this] { return Trace(); }, platform::InterruptRequested);
    if (outcome.failure != connection::TConnectFailure::None) {
        if (drawn)
            std::fprintf(stderr, "\r\x1b[K");
        FailConnect(outcome.failure, outcome.message, false);
    }
    Configured(imagePath, drawn, outcome.elapsedMs);
}

} // namespace cli
