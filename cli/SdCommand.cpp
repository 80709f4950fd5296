// vx5h sd: the SD card's registers and file system.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "core/SdCardOutcome.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace cli {

namespace {

// The register texts' lines, without their line ends and without the blank the window's
// text leaves at the end of one ("(x100 cycle) "): a script compares fields exactly.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    auto keep = [&lines, &line] {
        line.erase(line.find_last_not_of(' ') + 1);
        if (!line.empty())
            lines.push_back(line);
        line.clear();
    };
    for (char c : text) {
        if (c == '\n')
            keep();
        else if (c != '\r')
            line += c;
    }
    keep();
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

} // namespace

void AddSdCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("sd", "Read the SD card: its CSD and CID registers and its file system");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "One JSON object: csd, file_system, cid (the registers' lines)");
    command->callback([&context, json] {
        TBoard& board = context.Board();
        bool present = false;
        std::string csd, fileSystem, cid;
        board.FlushInput();
        const bool exchanged = board.GetSdCardInfo(present, csd, fileSystem, cid);
        const sdcard::TReadOutcome outcome = sdcard::ReadOutcome(exchanged, present);
        context.Check(exchanged, "sd");
        if (!outcome.success)
            Fail(exitcode::REFUSED, "sd: no SD card answers; is one in the slot?");
        if (*json)
            std::printf(
                "%s\n", JsonText({{"csd", Lines(csd)}, {"file_system", fileSystem}, {"cid", Lines(cid)}}).c_str());
        else
            std::printf("CSD\n%sFile system: %s\nCID\n%s", Joined(Lines(csd)).c_str(), fileSystem.c_str(),
                Joined(Lines(cid)).c_str());
    });
}

} // namespace cli
