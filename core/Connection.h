#pragma once

#include <cstdint>
#include <string>

class TBoard;
class TDownload;
class TTraceRecorder;

// The board steps of connecting, shared by the window's connect sequence and the command
// line: open the link, ask the board's name, and when the FPGA does not answer, configure
// it with the image from the program folder and try again.
namespace connection {

constexpr const char* IMAGE_FILE_NAME = "VX5h_260_ControlPanel.sof";
// How long an unconfigured FPGA is asked for its name before it is configured.
constexpr std::uint32_t BOARD_NAME_BUDGET_MS = 3000;
// The time the download library is given to configure the FPGA.
constexpr std::int32_t DOWNLOAD_TIME = 20000;

// The board's name was asked within the budget: its answer, or the reason it failed
// ("Failed to query board name.", "Invalid Board Name"). On failure the link is closed,
// so the next attempt starts from a fresh one.
std::string IdentifyBoard(TBoard& board, std::uint32_t budgetMs);

// Whether configuring the FPGA may make a failed open of the link work, by the JTAG
// library's reason (jtagapi::JTAG_ERROR_*): when the cable found no JTAG UART, or the
// library did not say; not when the cable is missing, taken or unreachable, where
// configuring would not help and could overwrite the design of a board in use.
bool ConfigurationMayHelp(std::int32_t linkErrorCode);

// The first reason the FPGA cannot be configured with `imagePath` through `download`,
// in the words the window shows; empty when nothing stands in the way.
std::string ConfigureObstacle(const TDownload& download, const std::string& imagePath);

// Configures the FPGA with the image; blocks until the attempt has ended. The attempt and
// its outcome go into `trace` when there is one.
bool DownloadImage(const TDownload& download, const std::string& imagePath, TTraceRecorder* trace = nullptr);
// `reason`: the download library's own, when it gave one.
std::string DownloadFailedText(const std::string& imagePath, const std::string& reason = {});

// The image the FPGA is configured with when none is named: the one in the program folder.
std::string DefaultImagePath();

} // namespace connection

// Asks the board's name until an answer comes or `budgetMs` have passed since the first
// attempt. The budget is tested after each attempt, so at least one runs, and an attempt
// that began in time counts even when its reply ends after the budget.
bool QueryBoardNameWithin(TBoard& board, std::string& name, std::uint32_t budgetMs);
