// vx5h gsensor: the accelerometer in milli-g and the board's tilt.
#include "board/Board.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Watch.h"
#include "core/GsensorMath.h"

#include <CLI/CLI.hpp>

namespace cli {

namespace {

const char* const GSENSOR_KEYS[] = {"x_mg", "y_mg", "z_mg", "tilt_x_deg", "tilt_y_deg"};

TReading GsensorReading(TContext& context)
{
    std::int16_t x = 0, y = 0, z = 0;
    context.Check(context.Board().GsensorRead(x, y, z), "gsensor");
    const std::int32_t storedY = gsensor::StoredY(y);
    const gsensor::TGsensorView view = gsensor::ViewOf(x, storedY, z);
    auto mg = [](std::int32_t count) { return gsensor::OneDecimal(gsensor::CountToMg(count)); };
    const std::vector<std::string> columns = {mg(x), mg(storedY), mg(z), view.textTiltX, view.textTiltY};
    // The numbers a script reads are the ones the page shows, rounded alike.
    nlohmann::json json = nlohmann::json::object();
    for (std::size_t i = 0; i < columns.size(); ++i)
        json[GSENSOR_KEYS[i]] = std::stod(columns[i]);
    return {view.textX + " " + view.textY + " " + view.textZ + " tiltX=" + view.textTiltX + " tiltY=" + view.textTiltY,
        columns, json};
}

} // namespace

void AddGsensorCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("gsensor", "The G-sensor: X, Y, Z in mg and the tilt in degrees, as the page shows them");
    auto options = std::make_shared<TWatchOptions>();
    AddWatchOptions(*command, *options, TInputKind::State);
    command->callback([&context, options] {
        context.Check(context.Board().GsensorInit(), "gsensor");
        Watch(*options, TInputKind::State, "x_mg,y_mg,z_mg,tilt_x_deg,tilt_y_deg",
            [&context] { return std::vector<TReading>{GsensorReading(context)}; });
    });
}

} // namespace cli
