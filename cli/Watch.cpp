#include "cli/Watch.h"

#include "cli/Args.h"
#include "cli/Cli.h"
#include "cli/JsonText.h"
#include "platform/Console.h"
#include "platform/Tick.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

namespace cli {

namespace {

constexpr std::uint32_t SLEEP_SLICE_MS = 20;

void PrintRow(const TReading& reading, double seconds, bool withTime)
{
    std::string row;
    if (withTime) {
        char time[32];
        std::snprintf(time, sizeof time, "%.3f", seconds);
        row = time;
    }
    bool first = !withTime;
    for (const std::string& column : reading.columns) {
        row += (first ? "" : ",") + CsvField(column);
        first = false;
    }
    std::printf("%s\n", row.c_str());
}

void PrintJson(const TReading& reading, double seconds, bool withTime)
{
    nlohmann::json object = nlohmann::json::object();
    if (withTime)
        object["time_s"] = std::round(seconds * 1000) / 1000;
    object.update(reading.json);
    std::printf("%s\n", JsonText(object).c_str());
}

// Waits until `until` in short slices, so that Ctrl-C ends even a slow watch at once.
void SleepUntil(std::chrono::steady_clock::time_point until)
{
    while (!platform::InterruptRequested() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            until - std::chrono::steady_clock::now(), std::chrono::milliseconds(SLEEP_SLICE_MS)));
}

} // namespace

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

void AddWatchOptions(CLI::App& command, TWatchOptions& options, TInputKind kind)
{
    const bool receiver = kind == TInputKind::Arrivals;
    command.add_flag("-w,--watch", options.watch,
        receiver ? "Keep listening until Ctrl-C, printing each arrival as it comes"
                 : "Keep reading until Ctrl-C, printing the first reading and then each change");
    auto* csv = command.add_flag("--csv", options.csv,
        "CSV: a header, then a row for each line the text would print (time_s first while watching)");
    command
        .add_flag("--json", options.json,
            "JSON Lines: an object for each line the text would print (with time_s while watching)")
        ->excludes(csv);
    command
        .add_option("--rate", options.rate,
            receiver ? "How often the receiver is asked, a second (0.1 to 1000)"
                     : "How often the board is read while watching, a second (0.1 to 1000)")
        ->check(RateCheck())
        ->capture_default_str();
    if (receiver)
        command
            .add_option(
                "--timeout", options.timeout, "Without --watch: seconds to listen for what arrives (0 to 86400)")
            ->check(TimeoutCheck())
            ->option_text("SECONDS")
            ->capture_default_str();
}

void Watch(const TWatchOptions& options, TInputKind kind, const std::string& csvHeader, const TSampler& sample)
{
    if (options.csv)
        std::printf("%s%s\n", options.watch ? "time_s," : "", csvHeader.c_str());
    const bool listening = !options.watch && kind == TInputKind::Arrivals;
    const std::uint32_t start = platform::TickCount();
    const auto period = std::chrono::duration<double>(1.0 / options.rate);
    const auto listenEnd = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(options.timeout));
    auto next = std::chrono::steady_clock::now();
    std::string last;
    bool first = true;
    for (;;) {
        for (const TReading& reading : sample()) {
            // Every form prints the same readings: each arrival, or a state when it is new.
            const bool news = kind == TInputKind::Arrivals || first || reading.text != last;
            last = reading.text;
            first = false;
            if (!news)
                continue;
            const double seconds = platform::TicksSince(start) / 1000.0;
            if (options.csv)
                PrintRow(reading, seconds, options.watch);
            else if (options.json)
                PrintJson(reading, seconds, options.watch);
            else
                std::printf("%s\n", reading.text.c_str());
        }
        std::fflush(stdout);
        // A receiver's last look is at the end of its time, so that nothing sent before
        // then is missed.
        const bool listenMore = listening && std::chrono::steady_clock::now() < listenEnd;
        if (platform::InterruptRequested() || !(options.watch || listenMore))
            return;
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
        SleepUntil(listening ? std::min(next, listenEnd) : next);
        if (platform::InterruptRequested())
            return;
    }
}

} // namespace cli
