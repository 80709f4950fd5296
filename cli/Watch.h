#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

// One reading of an input, or with --watch readings at a steady rate, printed as plain
// lines, as CSV with a time column for plotting, or as JSON (JSON Lines while watching).
// A receiver (IR, RS232) without --watch listens for --timeout seconds and prints what
// arrives meanwhile. A watch ends cleanly on Ctrl-C and with the link code when the link
// breaks.
namespace cli {

struct TWatchOptions {
    bool watch = false;
    bool csv = false;
    bool json = false;
    double rate = 10.0;   // readings a second
    double timeout = 1.0; // seconds a receiver listens without --watch
};

// What a command's readings are: a state that is printed when it changes (switches, the
// G-sensor), or arrivals that are each printed (scan codes, received text).
enum class TInputKind {
    State,
    Arrivals
};

// The options of a reading command, checked by the parser before any command runs; a
// receiver also gets --timeout.
void AddWatchOptions(CLI::App& command, TWatchOptions& options, TInputKind kind);

struct TReading {
    std::string text;                 // the plain line
    std::vector<std::string> columns; // the CSV fields after the time, unquoted
    nlohmann::json json;              // the JSON object
};

// `sample` reads once and returns what it read: one reading of a state, or a reading per
// arrival (none when nothing came). Text, CSV and JSON print the same readings: every
// arrival, and a state when it is the first or differs from the one before.
using TSampler = std::function<std::vector<TReading>()>;
void Watch(const TWatchOptions& options, TInputKind kind, const std::string& csvHeader, const TSampler& sample);

// A CSV field as RFC 4180 writes it: quoted, with quotes doubled, when it holds a comma, a
// quote or a line break.
std::string CsvField(const std::string& text);

} // namespace cli
