#include "cli/Cli.h"

#include "board/Board.h"
#include "config/Download.h"
#include "core/Connection.h"
#include "core/TraceSetup.h"
#include "platform/Console.h"
#include "platform/Paths.h"
#include "platform/Tick.h"

#include <chrono>
#include <cstdio>
#include <future>

namespace cli {

namespace {

constexpr std::uint32_t CONFIGURE_REDRAW_MS = 100;

// Opening the cable leaves the process in the program folder, where the window wants it;
// the file names a user types mean the folder vx5h was started in.
class TFolderKept {
public:
    TFolderKept()
        : m_Folder(platform::CurrentDirectory())
    { }
    ~TFolderKept() { platform::SetCurrentDirectory(m_Folder); }
    TFolderKept(const TFolderKept&) = delete;
    TFolderKept& operator=(const TFolderKept&) = delete;

private:
    std::string m_Folder;
};

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
           "  130  stopped with Ctrl-C\n";
}

void Fail(int code, const std::string& message) { throw TFailure{code, message}; }

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
    if (!exchanged)
        Fail(exitcode::LINK, what + ": the board did not answer; the link is lost");
}

void TContext::Check(bool exchanged, bool accepted, const std::string& what) const
{
    Check(exchanged, what);
    if (!accepted)
        Fail(exitcode::REFUSED, what + ": the board refused the command");
}

std::unique_ptr<TBoard> TContext::OpenIdentified(bool configureWhenSilent)
{
    auto board = std::make_unique<TBoard>();
    board->SetTrace(Trace());
    std::string errorText;
    if (!board->Connect(errorText, 0)) {
        // A bare FPGA has no JTAG UART to open: configuring it helps, unlike a cable that is
        // missing, taken or unreachable.
        const bool mayHelp = connection::ConfigurationMayHelp(board->LinkErrorCode());
        const std::string why = board->LinkErrorText().empty() ? errorText : board->LinkErrorText();
        if (!configureWhenSilent || !mayHelp)
            Fail(exitcode::LINK,
                "no board: " + why
                    + (options.noConfigure && mayHelp ? "; --no-configure leaves its FPGA unconfigured" : ""));
    } else {
        errorText = connection::IdentifyBoard(*board, connection::BOARD_NAME_BUDGET_MS);
        if (errorText.empty())
            return board;
        if (!configureWhenSilent)
            Fail(exitcode::LINK,
                "the board does not answer (" + errorText + ")"
                    + (options.noConfigure ? "; --no-configure leaves its FPGA unconfigured" : ""));
    }
    board.reset();
    Configure(connection::DefaultImagePath());
    board = OpenIdentified(false);
    // A fresh link after the identification, as the firmware expects.
    board->FlushInput();
    board->Disconnect();
    if (!board->Connect(errorText, 0))
        Fail(exitcode::LINK, "no board: " + errorText);
    return board;
}

const std::shared_ptr<TTraceRecorder>& TContext::Trace()
{
    if (!m_TraceStarted) {
        m_TraceStarted = true;
        std::string error;
        m_Trace = trace::StartRecording("vx5h", {options.trace, options.traceData}, error);
        if (!error.empty())
            Fail(exitcode::FILE, (options.trace.empty() ? "VX5H_TRACE: " : "--trace: ") + error);
    }
    return m_Trace;
}

TBoard& TContext::Board()
{
    if (!m_Board) {
        platform::SetEnvironment("VX5H_CABLE", options.cable);
        const TFolderKept folder;
        m_Board = OpenIdentified(!options.noConfigure);
    }
    return *m_Board;
}

void TContext::Configure(const std::string& imagePath)
{
    if (m_Board)
        m_Board->Disconnect();
    m_Board.reset();
    platform::SetEnvironment("VX5H_CABLE", options.cable);
    if (!platform::FileExists(imagePath))
        Fail(exitcode::FILE, "IMAGE: no such file: " + imagePath);
    const TDownload download;
    const std::string obstacle = connection::ConfigureObstacle(download, imagePath);
    if (!obstacle.empty())
        Fail(exitcode::LINK, "configure: " + obstacle);

    const std::string name = platform::FileNameOf(imagePath);
    const bool shown = ProgressWanted();
    const std::uint32_t start = platform::TickCount();
    TTraceRecorder* trace = Trace().get();
    auto attempt
        = std::async(std::launch::async, [&] { return connection::DownloadImage(download, imagePath, trace); });
    while (attempt.wait_for(std::chrono::milliseconds(CONFIGURE_REDRAW_MS)) != std::future_status::ready) {
        if (shown)
            std::fprintf(stderr, "\rConfiguring the FPGA with %s ... %.1f s\x1b[K", name.c_str(),
                platform::TicksSince(start) / 1000.0);
    }
    const bool ok = attempt.get();
    if (shown)
        std::fprintf(stderr, "\r\x1b[K");
    if (!ok)
        Fail(exitcode::LINK, "configure: " + connection::DownloadFailedText(imagePath, download.LastError()));
    Note("Configured the FPGA with " + name + " in " + std::to_string(platform::TicksSince(start)) + " ms");
}

} // namespace cli
