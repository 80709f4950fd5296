// vx5h sd: the SD card's registers and file system.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/SdCardOutcome.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace cli {

void AddSdCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("sd", "Read the SD card: its CSD and CID registers and its file system");
    command->callback([&context] {
        TBoard& board = context.Board();
        bool present = false;
        std::string csd, fileSystem, cid;
        board.FlushInput();
        const bool exchanged = board.GetSdCardInfo(present, csd, fileSystem, cid);
        const sdcard::TReadOutcome outcome = sdcard::ReadOutcome(exchanged, present);
        context.Check(exchanged, "sd");
        if (!outcome.success)
            Fail(exitcode::REFUSED, "sd: no SD card answers; is one in the slot?");
        std::printf("CSD\n%sFile system: %s\nCID\n%s", csd.c_str(), fileSystem.c_str(), cid.c_str());
    });
}

} // namespace cli
