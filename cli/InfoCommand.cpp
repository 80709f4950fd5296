// vx5h info: which board answers, through which link.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "core/TraceText.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace cli {

namespace {

struct TInfo {
    std::string board;
    std::string link;
    bool simulator = false;
};

TInfo Gather(TContext& context)
{
    TBoard& board = context.Board();
    TInfo info;
    context.Check(board.QueryBoardName(info.board), "info");
    info.link = board.LinkDescription();
    info.simulator = info.link.find("simulator") != std::string::npos;
    return info;
}

} // namespace

void AddInfoCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("info", "The board's name, the link's description, whether it is the simulator");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "One JSON object: board, link, simulator");
    command->callback([&context, json] {
        const TInfo info = Gather(context);
        if (*json) {
            const nlohmann::json object = {{"board", info.board}, {"link", info.link}, {"simulator", info.simulator}};
            std::printf("%s\n", JsonText(object).c_str());
        } else {
            std::printf("board      %s\nlink       %s\nsimulator  %s\n", info.board.c_str(),
                trace::PrintableText(info.link).c_str(), info.simulator ? "yes" : "no");
        }
    });
}

} // namespace cli
