// vx5h trace stats: a transcript's figures, for "why is my board slow?".
#include "cli/Trace.h"

#include "board/LinkFailure.h"
#include "board/Protocol.h"
#include "core/Counted.h"
#include "core/TraceExchanges.h"
#include "core/TraceText.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace cli {
namespace {

using namespace protocol;

std::string Format(const char* format, auto... values)
{
    char text[200];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Nearest rank: the smallest value that `percent` of them do not exceed.
double Percentile(const std::vector<double>& sorted, double percent)
{
    const auto rank = static_cast<std::size_t>(percent / 100.0 * static_cast<double>(sorted.size()) + 0.999999);
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

// One run of memory exchanges over consecutive addresses of one memory.
struct TTransfer {
    std::string what; // the first exchange's request, as words
    std::uint8_t command = 0;
    std::uint8_t memoryType = 0;
    std::uint32_t next = 0; // the address a continuation starts at
    std::uint64_t bytes = 0;
    std::uint64_t t = 0, end = 0;
    int exchanges = 0;
};

// A memory exchange's type, address and data length; false for any other exchange.
bool MemoryStep(const trace::TExchange& e, std::uint8_t& type, std::uint32_t& address, std::uint32_t& length)
{
    if (!e.replied || e.reply.empty() || e.reply[0] != 0)
        return false;
    if (e.command == CMD_MEMORY_READ && e.requestLength == 9)
        length = GetU32(&e.request[5]);
    else if (e.command == CMD_MEMORY_WRITE && e.requestLength >= 5)
        length = static_cast<std::uint32_t>(e.requestLength - 5);
    else
        return false;
    type = e.request[0];
    address = GetU32(&e.request[1]);
    return true;
}

std::vector<TTransfer> Transfers(const std::vector<trace::TItem>& items)
{
    std::vector<TTransfer> transfers;
    TTransfer* open = nullptr;
    for (const trace::TItem& item : items) {
        std::uint8_t type = 0;
        std::uint32_t address = 0, length = 0;
        if (item.event || !MemoryStep(item.exchange, type, address, length)) {
            // A keep-alive between the steps of a transfer does not end it.
            if (item.event || item.exchange.command != CMD_PING)
                open = nullptr;
            continue;
        }
        const trace::TExchange& e = item.exchange;
        if (!open || open->command != e.command || open->memoryType != type || open->next != address) {
            transfers.push_back({RequestText(e), e.command, type, address, 0, e.t, e.end, 0});
            open = &transfers.back();
        }
        open->next = address + length;
        open->bytes += length;
        open->end = e.end;
        ++open->exchanges;
    }
    return transfers;
}

std::string RoundTrips(const std::vector<trace::TItem>& items)
{
    std::map<std::string, std::vector<double>> trips;
    for (const trace::TItem& item : items)
        if (!item.event && item.exchange.replied) {
            const std::string name = RequestText(item.exchange);
            trips[name.substr(0, name.find(' '))].push_back((item.exchange.end - item.exchange.t) / 1000.0);
        }
    std::string out = "Round trips (ms)          count       p50       p90       p99       max\n";
    for (auto& [name, times] : trips) {
        std::sort(times.begin(), times.end());
        out += Format("  %-20s %8zu %9.3f %9.3f %9.3f %9.3f\n", name.c_str(), times.size(), Percentile(times, 50),
            Percentile(times, 90), Percentile(times, 99), times.back());
    }
    return trips.empty() ? "Round trips: none\n" : out;
}

std::string TransfersText(const std::vector<trace::TItem>& items)
{
    const std::vector<TTransfer> transfers = Transfers(items);
    if (transfers.empty())
        return "Transfers: none\n";
    std::string out = "Transfers\n";
    for (const TTransfer& t : transfers) {
        const double seconds = std::max<double>(1e-6, static_cast<double>(t.end - t.t) / 1e6);
        out += Format("  %-44s %10llu %-5s in %4d %-9s %9.3f s, %10.1f KiB/s\n",
            t.what.substr(0, t.what.rfind('+')).c_str(), static_cast<unsigned long long>(t.bytes),
            text::Noun(t.bytes, "byte").c_str(), t.exchanges, (text::Noun(t.exchanges, "exchange") + ",").c_str(),
            seconds, static_cast<double>(t.bytes) / 1024.0 / seconds);
    }
    return out;
}

std::string Overheads(const trace::TTranscript& transcript, const std::vector<trace::TItem>& items)
{
    std::uint64_t flushes = 0, flushUs = 0, discarded = 0, pings = 0, pingUs = 0;
    for (const trace::TEvent& event : transcript.events)
        if (event.kind == trace::TEventKind::Flush) {
            ++flushes;
            flushUs += event.us;
            discarded += static_cast<std::uint64_t>(event.number);
        }
    for (const trace::TItem& item : items)
        if (!item.event && item.exchange.isFrame && item.exchange.command == CMD_PING) {
            ++pings;
            pingUs += item.exchange.end - item.exchange.t;
        }
    return Format("Flushes: %llu, %.3f s in all, %s discarded\n", static_cast<unsigned long long>(flushes),
               flushUs / 1e6, text::Counted(discarded, "byte").c_str())
        + Format("Keep-alives (Ping): %llu, %.3f s in all\n", static_cast<unsigned long long>(pings), pingUs / 1e6);
}

std::string Failures(const trace::TTranscript& transcript, bool& escaped)
{
    std::map<std::string, int> causes;
    for (const trace::TEvent& event : transcript.events)
        if (event.kind == trace::TEventKind::Fail)
            ++causes[event.text];
    if (causes.empty())
        return "Failures: none\n";
    std::string out = "Failures\n";
    for (const auto& [key, count] : causes) {
        TLinkFailure cause{};
        out += Format("  %-14s %5d  %s\n", trace::PrintableText(key, &escaped).c_str(), count,
            LinkFailureFromKey(key, cause) ? LinkFailureText(cause) : "(a cause this program does not know)");
    }
    return out;
}

} // namespace

TTranscriptText TranscriptStats(const trace::TTranscript& transcript)
{
    const std::vector<trace::TItem> items = trace::ReadExchanges(transcript);
    std::uint64_t first = UINT64_MAX, last = 0, written = 0, read = 0;
    int exchanges = 0;
    for (const trace::TEvent& event : transcript.events) {
        first = std::min(first, event.t);
        last = std::max(last, event.End());
        if (event.kind == trace::TEventKind::Write)
            written += event.data.Size();
        if (event.kind == trace::TEventKind::Read)
            read += event.data.Size();
    }
    for (const trace::TItem& item : items)
        exchanges += item.event ? 0 : 1;
    const double span = first <= last ? static_cast<double>(last - first) / 1e6 : 0.0;
    TTranscriptText stats;
    stats.text = Format("Transcript: %.3f s, %s, %s written, %s read\n", span,
                     text::Counted(static_cast<std::uint64_t>(exchanges), "exchange").c_str(),
                     text::Counted(written, "byte").c_str(), text::Counted(read, "byte").c_str())
        + RoundTrips(items) + TransfersText(items) + Overheads(transcript, items) + Failures(transcript, stats.escaped);
    return stats;
}

} // namespace cli
