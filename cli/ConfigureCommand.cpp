// vx5h configure [IMAGE]: load a configuration image into the FPGA.
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/Connection.h"

#include <CLI/CLI.hpp>

namespace cli {

void AddConfigureCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("configure", "Configure the FPGA with an image (the program folder's by default)");
    auto image = std::make_shared<std::string>();
    command->add_option("IMAGE", *image, "The configuration image");
    command->callback([&context, image] {
        context.Configure(image->empty() ? connection::DefaultImagePath() : *image);
        // The control panel's own image must make the board answer; another design may
        // well not speak the board's protocol.
        if (image->empty()) {
            context.options.noConfigure = true;
            context.Board();
        }
    });
}

} // namespace cli
