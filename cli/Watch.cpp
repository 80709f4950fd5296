#include "cli/Watch.h"

#include "cli/Args.h"
#include "cli/Cli.h"
#include "platform/Console.h"
#include "platform/Tick.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <thread>

namespace cli {

namespace {

void PrintRow(const std::vector<std::string>& columns, double seconds, bool withTime)
{
    std::string row;
    if (withTime) {
        char time[32];
        std::snprintf(time, sizeof time, "%.3f", seconds);
        row = time;
    }
    for (const std::string& column : columns)
        row += (row.empty() ? "" : ",") + column;
    std::printf("%s\n", row.c_str());
}

} // namespace

void AddWatchOptions(CLI::App& command, TWatchOptions& options)
{
    command.add_flag("-w,--watch", options.watch, "Keep reading and print every change, until Ctrl-C");
    command.add_flag("--csv", options.csv, "CSV with a header and a time column in seconds");
    command.add_option("--rate", options.rate, "Readings a second while watching (0.1 to 1000)")->capture_default_str();
}

void Watch(const TWatchOptions& options, const std::string& csvHeader, const TSampler& sample)
{
    const double rate = RateArgument(options.rate);
    if (options.csv)
        std::printf("%s%s\n", options.watch ? "time_s," : "", csvHeader.c_str());
    const std::uint32_t start = platform::TickCount();
    const auto period = std::chrono::duration<double>(1.0 / rate);
    auto next = std::chrono::steady_clock::now();
    std::string last;
    bool first = true;
    do {
        if (const std::optional<TReading> reading = sample()) {
            const double seconds = platform::TicksSince(start) / 1000.0;
            if (options.csv)
                PrintRow(reading->columns, seconds, options.watch);
            else if (first || reading->text != last)
                std::printf("%s\n", reading->text.c_str());
            last = reading->text;
            first = false;
            std::fflush(stdout);
        }
        if (!options.watch)
            return;
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
        // Sleep in short slices so that Ctrl-C ends even a slow watch at once.
        while (!platform::InterruptRequested() && std::chrono::steady_clock::now() < next)
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                next - std::chrono::steady_clock::now(), std::chrono::milliseconds(20)));
    } while (!platform::InterruptRequested());
}

} // namespace cli
