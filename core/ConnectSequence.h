#pragma once

#include "board/Board.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The whole way from nothing to a board that answers, for the faces that hold a board of
// their own (the command line, the Python module): open the link, ask the board's name,
// and when the FPGA does not answer, configure it with the program folder's image and try
// once more, as the window's connect sequence does with its dialogs.
//
// Each connect names its cable to the libraries at its own open and download, never
// through the process-wide VX5H_CABLE, so that boards connected from several threads
// neither swap cables nor wait for each other.
namespace connection {

// Told about every CONFIGURE_REDRAW_MS while the FPGA is configured: the image's file
// name and the time spent so far.
using ConfiguringFn = std::function<void(const std::string& imageName, std::uint32_t elapsedMs)>;
// Starts the transcript of the link the face was asked for (nullptr for none), once a
// connect runs, so that its header names the cable asked for.
using TraceFn = std::function<std::shared_ptr<TTraceRecorder>()>;
// Asked while the FPGA is configured: true ends the programmer at once (Ctrl-C), rather
// than after its whole budget.
using StopFn = std::function<bool()>;
constexpr std::uint32_t CONFIGURE_REDRAW_MS = 100;

enum class TConnectFailure {
    None,
    NoBoard,         // the link did not open: no cable, taken, unreachable, a bare FPGA
    Silent,          // the link opened, but no answer of our firmware came
    NoImage,         // the image to configure with is not there, or no readable file
    BadImage,        // the download library refused the image itself
    CannotConfigure, // the download library or the programmer tools failed
    Stopped          // configuring was stopped on request; the FPGA may hold no design
};

struct TConnectRequest {
    std::string cable;     // as VX5H_CABLE names one; empty: VX5H_CABLE as the user set it
    bool configure = true; // configure an FPGA that does not answer
    ConfiguringFn configuring;
    TraceFn trace;
    StopFn stop;
};

struct TConfigureOutcome {
    TConnectFailure failure = TConnectFailure::None;
    std::string message; // why it failed, in the window's words where it has some
    std::uint32_t elapsedMs = 0;
};

struct TConnectOutcome {
    std::unique_ptr<TBoard> board; // connected and identified; null on failure
    TConnectFailure failure = TConnectFailure::None;
    std::string message; // "no board: <reason>", "the board does not answer (<reason>)", ...
    // The FPGA was left unconfigured because the request said so, where configuring it
    // might have made the board answer.
    bool configureMayHelp = false;
    // The FPGA was configured on the way (also when the board failed afterwards).
    bool configured = false;
    TConfigureOutcome configuration;
};

TConnectOutcome ConnectBoard(const TConnectRequest& request);

// The cable a connect asked for `requested` (as in TConnectRequest) reaches for: that
// one, else VX5H_CABLE as the user set it; empty for the drivers' own choice.
std::string ChosenCable(const std::string& requested);

// Configures the FPGA of `cable` (as in TConnectRequest) with the image at `imagePath`;
// blocks until the attempt has ended.
TConfigureOutcome ConfigureFpga(const std::string& cable, const std::string& imagePath,
    const ConfiguringFn& configuring = {}, const TraceFn& trace = {}, const StopFn& stop = {});

} // namespace connection
