#include "core/Connection.h"

#include "board/Board.h"
#include "board/JtagApi.h"
#include "board/TraceRecorder.h"
#include "config/Download.h"
#include "platform/Paths.h"
#include "platform/Tick.h"

namespace connection {

bool ConfigurationMayHelp(std::int32_t linkErrorCode)
{
    return linkErrorCode == jtagapi::JTAG_ERROR_NONE || linkErrorCode == jtagapi::JTAG_ERROR_NO_JTAG_UART;
}

std::string IdentifyBoard(TBoard& board, std::uint32_t budgetMs)
{
    std::string name;
    std::string errorText;
    if (!QueryBoardNameWithin(board, name, budgetMs))
        errorText = "Failed to query board name.";
    else if (name != protocol::BOARD_NAME)
        errorText = "Invalid Board Name";
    if (!errorText.empty())
        board.Disconnect();
    return errorText;
}

std::string ConfigureObstacle(const TDownload& download, const std::string& imagePath)
{
    if (!download.IsLoaded())
        return "Download tool not found.";
    if (download.GetQuartusVersion() == 0.0)
        return "Please make sure Quartus is installed!";
    if (!platform::FileExists(imagePath))
        return "Can not find the file: " + platform::FileNameOf(imagePath);
    return {};
}

bool DownloadImage(const TDownload& download, const std::string& imagePath, TTraceRecorder* trace)
{
    const std::uint64_t start = TTraceRecorder::Now();
    const bool ok = download.DownloadImage(imagePath, DOWNLOAD_TIME, 0, 0, 0, 0, 1);
    // The file's name only: the folders above it say who the user is.
    if (trace)
        trace->Configured(platform::FileNameOf(imagePath), ok, ok ? std::string() : download.LastError(), start);
    return ok;
}

std::string DownloadFailedText(const std::string& imagePath, const std::string& reason)
{
    const std::string text = "download SOPC file (" + platform::FileNameOf(imagePath) + ") fail!";
    return reason.empty() ? text : text + "\n" + reason;
}

std::string DefaultImagePath() { return platform::ExecutableFolder() + IMAGE_FILE_NAME; }

} // namespace connection

bool QueryBoardNameWithin(TBoard& board, std::string& name, std::uint32_t budgetMs)
{
    const std::uint32_t start = platform::TickCount();
    do {
        if (board.QueryBoardName(name))
            return true;
    } while (platform::TicksSince(start) < budgetMs);
    return false;
}
