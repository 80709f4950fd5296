#include "core/ConnectSequence.h"

#include "config/Download.h"
#include "core/Connection.h"
#include "core/FileAccess.h"
#include "platform/Paths.h"
#include "platform/Tick.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <future>

namespace connection {

namespace {

constexpr const char* CABLE_ENV = "VX5H_CABLE";

// Why the image cannot be given to the download library, which reads whatever it is
// handed: a folder, a device that never ends or a file this user may not read is refused
// here in its own words. Empty when it is a readable, non-empty file.
std::string ImageFileProblem(const std::string& imagePath)
{
    if (memory::IsSpecialFile(imagePath))
        return "'" + imagePath + "' is not a regular file";
    const memory::TFilePtr file(memory::OpenFile(imagePath, "rb"));
    if (!file)
        return "cannot read '" + imagePath + "': " + memory::SystemReason(errno);
    if (memory::FileSize(file.get()) == 0)
        return "'" + imagePath + "' is empty, not a configuration image";
    return {};
}

TConfigureOutcome Configure(const std::string& cable, const std::string& imagePath,
    const ConfiguringFn& configuring, const StopFn& stop, TTraceRecorder* trace)
{
    if (const std::string problem = ImageFileProblem(imagePath); !problem.empty())
        return {TConnectFailure::NoImage, problem};
    TDownload download;
    download.SetCable(cable);
    const std::string obstacle = ConfigureObstacle(download, imagePath);
    if (!obstacle.empty())
        return {TConnectFailure::CannotConfigure, obstacle};

    const std::string name = platform::FileNameOf(imagePath);
    const std::uint32_t start = platform::TickCount();
    // The library's call blocks; the face shows that it is still under way. A stop ends a
    // programmer that hangs at once; a library that cannot end it is waited for.
    auto attempt = std::async(std::launch::async, [&] { return DownloadImage(download, imagePath, trace); });
    bool stopped = false;
    while (attempt.wait_for(std::chrono::milliseconds(CONFIGURE_REDRAW_MS)) != std::future_status::ready) {
        if (!stopped && stop && stop())
            stopped = download.Cancel();
        if (configuring)
            configuring(name, platform::TicksSince(start));
    }
    if (!attempt.get()) {
        if (stopped || (stop && stop()))
            return {TConnectFailure::Stopped, "stopped; the FPGA may hold no design now"};
        return {download.LastErrorConcernsImage() ? TConnectFailure::BadImage : TConnectFailure::CannotConfigure,
            DownloadFailedText(imagePath, download.LastError()), platform::TicksSince(start)};
    }
    return {TConnectFailure::None, {}, platform::TicksSince(start)};
}

// The link opened and the board's name asked; with `configureWhenSilent` a board that
// does not answer gets its FPGA configured and is asked once more.
TConnectOutcome OpenIdentified(
    const TConnectRequest& request, const std::shared_ptr<TTraceRecorder>& trace, bool configureWhenSilent)
{
    TConnectOutcome outcome;
    auto board = std::make_unique<TBoard>();
    board->SetCable(request.cable);
    board->SetTrace(trace);
    std::string errorText;
    if (!board->Connect(errorText, 0)) {
        // A bare FPGA has no JTAG UART to open: configuring it helps, unlike a cable that
        // is missing, taken or unreachable.
        const bool mayHelp = ConfigurationMayHelp(board->LinkErrorCode());
        if (!configureWhenSilent || !mayHelp) {
            outcome.failure = TConnectFailure::NoBoard;
            // The window's own words for this ("Fail to connect FPGA borad.") are its; a
            // library that gives no reason gets plain ones here.
            outcome.message = "no board: "
                + (board->LinkErrorText().empty() ? "the cable could not be opened (its library gives no reason)"
                                                  : board->LinkErrorText());
            outcome.configureMayHelp = mayHelp && !request.configure;
            return outcome;
        }
    } else {
        errorText = IdentifyBoard(*board, BOARD_NAME_BUDGET_MS);
        if (errorText.empty()) {
            outcome.board = std::move(board);
            return outcome;
        }
        if (!configureWhenSilent) {
            outcome.failure = TConnectFailure::Silent;
            outcome.message = "the board does not answer (" + errorText + ")";
            outcome.configureMayHelp = !request.configure;
            return outcome;
        }
    }
    board.reset();
    outcome.configuration = Configure(request.cable, DefaultImagePath(), request.configuring, request.stop, trace.get());
    if (outcome.configuration.failure != TConnectFailure::None) {
        outcome.failure = outcome.configuration.failure;
        outcome.message = outcome.configuration.message;
        return outcome;
    }
    TConnectOutcome again = OpenIdentified(request, trace, false);
    again.configured = true;
    again.configuration = outcome.configuration;
    if (!again.board)
        return again;
    // A fresh link after the identification, as the firmware expects.
    again.board->FlushInput();
    again.board->Disconnect();
    if (!again.board->Connect(errorText, 0)) {
        again.board.reset();
        again.failure = TConnectFailure::NoBoard;
        again.message = "no board: " + errorText;
    }
    return again;
}

} // namespace

TConnectOutcome ConnectBoard(const TConnectRequest& request)
{
    const std::shared_ptr<TTraceRecorder> trace = request.trace ? request.trace() : nullptr;
    return OpenIdentified(request, trace, request.configure);
}

std::string ChosenCable(const std::string& requested)
{
    if (!requested.empty())
        return requested;
    const char* chosen = std::getenv(CABLE_ENV);
    return chosen ? chosen : "";
}

TConfigureOutcome ConfigureFpga(const std::string& cable, const std::string& imagePath,
    const ConfiguringFn& configuring, const TraceFn& trace, const StopFn& stop)
{
    const std::shared_ptr<TTraceRecorder> recorder = trace ? trace() : nullptr;
    return Configure(cable, imagePath, configuring, stop, recorder.get());
}

} // namespace connection
