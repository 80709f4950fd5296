#include "core/selftest/SelfTest.h"

#include "board/Protocol.h"
#include "core/MemoryGeometry.h"
#include "core/TraceText.h"
#include "core/selftest/InteractiveTests.h"
#include "core/selftest/MemoryTests.h"
#include "core/selftest/PeripheralTests.h"
#include "platform/Paths.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cstdarg>
#include <cstdio>

namespace selftest {

namespace {

enum class Kind {
    Plain,
    Destructive,
    Interactive
};

struct TCatalogueEntry {
    std::string name;
    Kind kind;
    std::function<TVerdict(TContext&)> run;
};

std::string LowerName(std::uint8_t type)
{
    std::string name = memory::MemoryTypeName(type);
    std::transform(
        name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

// The tests in running order: the volatile memories first, as every later test relies
// on the firmware that runs from them, then the memories that keep their contents, the
// self-checking peripherals and last those that need a person.
const std::vector<TCatalogueEntry>& Catalogue()
{
    static const std::vector<TCatalogueEntry> tests = [] {
        std::vector<TCatalogueEntry> list;
        using MemoryTest = TVerdict (*)(TContext&, const TMemory&);
        const std::pair<const char*, MemoryTest> ramTests[]
            = {{"data-bus", DataBusTest}, {"address-bus", AddressBusTest}, {"device", DeviceTest}};
        for (std::uint8_t type : {protocol::MEM_SSRAM0, protocol::MEM_SSRAM1, protocol::MEM_SDRAM})
            for (const auto& [suffix, test] : ramTests)
                list.push_back({LowerName(type) + "." + suffix, Kind::Plain,
                    [type, test = test](TContext& ctx) { return test(ctx, MemoryOf(type)); }});
        list.push_back(
            {"eeprom", Kind::Plain, [](TContext& ctx) { return EepromTest(ctx, MemoryOf(protocol::MEM_EEPROM)); }});
        for (std::uint8_t type : {protocol::MEM_FLASH, protocol::MEM_EPCS})
            list.push_back(
                {LowerName(type), Kind::Destructive, [type](TContext& ctx) { return FlashTest(ctx, MemoryOf(type)); }});
        list.push_back({"gsensor", Kind::Plain, GsensorTest});
        list.push_back({"sdcard", Kind::Plain, SdCardTest});
        list.push_back({"hsmc", Kind::Plain, HsmcTest});
        list.push_back({"rs232", Kind::Plain, Rs232Test});
        list.push_back({"leds", Kind::Interactive, LedTest});
        list.push_back({"seg7", Kind::Interactive, Seg7Test});
        list.push_back({"switches", Kind::Interactive, SwitchTest});
        list.push_back({"keys", Kind::Interactive, KeyTest});
        list.push_back({"ir", Kind::Interactive, IrTest});
        return list;
    }();
    return tests;
}

std::string GroupOf(const std::string& name) { return name.substr(0, name.find('.')); }

bool Names(const std::vector<std::string>& names, const std::string& test)
{
    return std::any_of(
        names.begin(), names.end(), [&](const std::string& n) { return n == test || n == GroupOf(test); });
}

bool Selected(const TOptions& options, const std::string& test)
{
    return (options.only.empty() || Names(options.only, test)) && !Names(options.skip, test);
}

std::optional<std::string> SkipReason(const TCatalogueEntry& entry, const TContext& ctx)
{
    if (ctx.linkLost)
        return "link lost";
    if (ctx.Stopped())
        return "stopped";
    if (entry.kind == Kind::Destructive && !ctx.options.destructive)
        return "erases the chip (run with --destructive)";
    if (entry.kind == Kind::Interactive && !ctx.options.interactive)
        return "needs a person (run with --interactive)";
    if (entry.kind == Kind::Interactive && !ctx.person.Present())
        return "no terminal to ask";
    return std::nullopt;
}

// Now, in UTC, as ISO 8601 writes it: "2026-05-01T09:30:00Z".
std::string UtcNow()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{floor<seconds>(now - day)};
    return Format("%04d-%02u-%02uT%02ld:%02ld:%02ldZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), static_cast<long>(time.hours().count()),
        static_cast<long>(time.minutes().count()), static_cast<long>(time.seconds().count()));
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

std::string Format(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string JoinList(const std::vector<std::string>& items)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    return text;
}

const char* OutcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Pass:
        return "PASS";
    case Outcome::Fail:
        return "FAIL";
    case Outcome::Skip:
        return "SKIP";
    case Outcome::Error:
        return "ERROR";
    }
    return "SKIP";
}

const char* RunResultName(RunResult result)
{
    switch (result) {
    case RunResult::Passed:
        return "passed";
    case RunResult::Failed:
        return "failed";
    case RunResult::LinkLost:
        return "error";
    case RunResult::Stopped:
        return "stopped";
    case RunResult::NothingRun:
        break;
    }
    return "none";
}

int TReport::Count(Outcome outcome) const
{
    return static_cast<int>(
        std::count_if(tests.begin(), tests.end(), [outcome](const TTestResult& t) { return t.outcome == outcome; }));
}

RunResult TReport::Result() const
{
    if (stopped)
        return RunResult::Stopped;
    if (Count(Outcome::Error) > 0)
        return RunResult::LinkLost;
    if (Count(Outcome::Fail) > 0)
        return RunResult::Failed;
    if (Count(Outcome::Pass) == 0)
        return RunResult::NothingRun;
    return RunResult::Passed;
}

std::vector<std::string> TestNames()
{
    std::vector<std::string> names;
    for (const auto& entry : Catalogue())
        names.push_back(entry.name);
    return names;
}

std::vector<std::string> SelectedTests(const TOptions& options)
{
    std::vector<std::string> names;
    for (const auto& entry : Catalogue())
        if (Selected(options, entry.name))
            names.push_back(entry.name);
    return names;
}

std::string CheckSelection(const TOptions& options)
{
    const std::pair<const char*, const std::vector<std::string>*> lists[]
        = {{"--only", &options.only}, {"--skip", &options.skip}};
    for (const auto& [option, names] : lists)
        for (const std::string& name : *names) {
            const bool known = std::any_of(Catalogue().begin(), Catalogue().end(),
                [&](const TCatalogueEntry& entry) { return entry.name == name || GroupOf(entry.name) == name; });
            if (!known) {
                std::vector<std::string> groups;
                for (const auto& entry : Catalogue())
                    if (groups.empty() || groups.back() != GroupOf(entry.name))
                        groups.push_back(GroupOf(entry.name));
                std::string all;
                for (const auto& g : groups)
                    all += (all.empty() ? "" : " ") + g;
                return std::string(option) + ": no test named \"" + trace::PrintableText(name) + "\" (tests: " + all
                    + ")";
            }
        }
    return {};
}

TReport Run(
    IBoardAccess& board, IOperator& person, const TOptions& options, const ProgressFn& progress, const StopFn& stop)
{
    TReport report;
    report.full = options.full;
    report.destructive = options.destructive;
    report.interactive = options.interactive;
    report.only = options.only;
    report.skip = options.skip;
    report.host = platform::HostName();
    report.started = UtcNow();
    TContext ctx{board, person, options, {}, stop};
    const auto runStart = std::chrono::steady_clock::now();
    for (const TCatalogueEntry& entry : Catalogue()) {
        if (!Selected(options, entry.name))
            continue;
        TTestResult result;
        result.name = entry.name;
        const auto start = std::chrono::steady_clock::now();
        if (const auto reason = SkipReason(entry, ctx)) {
            result.outcome = Outcome::Skip;
            result.message = *reason;
        } else {
            ctx.progress = [&](double fraction) {
                if (progress)
                    progress(entry.name, std::clamp(fraction, 0.0, 1.0));
            };
            ctx.Progress(0.0);
            const TVerdict verdict = entry.run(ctx);
            result.outcome = verdict.outcome;
            result.message = verdict.message;
            result.details = verdict.details;
        }
        result.seconds = SecondsSince(start);
        report.tests.push_back(std::move(result));
    }
    report.seconds = SecondsSince(runStart);
    report.stopped = ctx.Stopped();
    return report;
}

} // namespace selftest
