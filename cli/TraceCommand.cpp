// vx5h trace show|stats FILE: a transcript of the link, read for a person. It needs no
// board.
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Trace.h"
#include "core/TraceFile.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace cli {
namespace {

using TFormatter = TTranscriptText (*)(const trace::TTranscript&);

// Prints what the file holds; a damaged file also shows what comes before the damage,
// then fails with the line of it.
void Print(const TContext& context, const std::string& path, TFormatter format)
{
    trace::TTranscript transcript;
    std::string error;
    const bool whole = trace::ReadTranscriptFile(path, transcript, error);
    if (!transcript.program.empty() || !transcript.events.empty()) {
        const TTranscriptText shown = format(transcript);
        std::fwrite(shown.text.data(), 1, shown.text.size(), stdout);
        std::fflush(stdout);
        if (shown.escaped)
            context.Note("Some text in " + path
                + " is not plain printable text: it is shown escaped, each such byte "
                  "as \\x and its two hex digits.");
    }
    if (!whole)
        Fail(exitcode::FILE, "trace: " + error);
}

} // namespace

void AddTraceCommand(CLI::App& app, TContext& context)
{
    auto* command = app.add_subcommand("trace", "Read a transcript of the link (recorded with --trace or VX5H_TRACE)");
    command->require_subcommand(1);
    auto path = std::make_shared<std::string>();
    auto* show = command->add_subcommand("show", "The exchanges as commands, with their times and what broke");
    show->add_option("FILE", *path, "The transcript")->required();
    show->callback([&context, path] { Print(context, *path, ShowTranscript); });
    auto* stats = command->add_subcommand(
        "stats", "Round trips per command, transfer rates, time in flushes and keep-alives, failures by cause");
    stats->add_option("FILE", *path, "The transcript")->required();
    stats->callback([&context, path] { Print(context, *path, TranscriptStats); });
}

} // namespace cli
