#pragma once

namespace CLI {
class App;
}

// Every subcommand of vx5h, one module each: Add...Command registers its arguments and
// what it runs on the program's command line. A new subcommand is one more module and
// one more line in main.cpp.
namespace cli {

class TContext;

void AddInfoCommand(CLI::App& app, TContext& context);
void AddConfigureCommand(CLI::App& app, TContext& context);
void AddLedCommand(CLI::App& app, TContext& context);
void AddSeg7Command(CLI::App& app, TContext& context);
void AddSwitchesCommand(CLI::App& app, TContext& context);
void AddKeysCommand(CLI::App& app, TContext& context);
void AddLcdCommand(CLI::App& app, TContext& context);
void AddMemCommand(CLI::App& app, TContext& context);
void AddVgaCommand(CLI::App& app, TContext& context);
void AddSdCommand(CLI::App& app, TContext& context);
void AddHsmcCommand(CLI::App& app, TContext& context);
void AddGsensorCommand(CLI::App& app, TContext& context);
void AddIrCommand(CLI::App& app, TContext& context);
void AddRs232Command(CLI::App& app, TContext& context);
void AddDoctorCommand(CLI::App& app, TContext& context);
void AddSelfTestCommand(CLI::App& app, TContext& context);
void AddTraceCommand(CLI::App& app, TContext& context);
void AddBoardsCommand(CLI::App& app, TContext& context);

} // namespace cli
