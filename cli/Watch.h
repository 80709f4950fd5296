#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

// One reading of an input, or with --watch a reading at a steady rate, printed when it
// changes, as plain lines or as CSV with a time column for plotting. A watch ends
// cleanly on Ctrl-C and with the link code when the link breaks.
namespace cli {


struct TWatchOptions {
    bool watch = false;
    bool csv = false;
    double rate = 10.0; // readings a second
};

void AddWatchOptions(CLI::App& command, TWatchOptions& options);

struct TReading {
    std::string text;                 // the plain line
    std::vector<std::string> columns; // the CSV columns after the time
};

// `sample` reads once; nothing when there is nothing new (a receiver with no bytes).
// Plain lines are printed when they differ from the previous one, CSV rows for every
// reading with news, so that a plot has its samples.
using TSampler = std::function<std::optional<TReading>()>;
void Watch(const TWatchOptions& options, const std::string& csvHeader, const TSampler& sample);

} // namespace cli
