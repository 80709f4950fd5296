#include "core/TraceFile.h"

#include "core/JsonLine.h"
#include "core/TraceText.h"
#include "platform/RegularFile.h"

#include <algorithm>

namespace trace {
namespace {

using json::TValue;
using TKind = TValue::TKind;

constexpr std::uint64_t MAX_FILE = 4ull << 30;
constexpr int FORMAT_VERSION = 1;

struct TEventName {
    TEventKind kind;
    const char* name;
};
constexpr TEventName EVENT_NAMES[] = {
    {TEventKind::Open, "open"},
    {TEventKind::Close, "close"},
    {TEventKind::Write, "w"},
    {TEventKind::Read, "r"},
    {TEventKind::Flush, "flush"},
    {TEventKind::Fail, "fail"},
    {TEventKind::Configure, "configure"},
    {TEventKind::Cut, "cut"},
};

// One line's object and what went wrong with it.
class TFields {
public:
    explicit TFields(const TValue& object)
        : m_Object(object)
    { }

    const std::string& Error() const { return m_Error; }

    bool Number(const char* key, std::int64_t& out, bool required = true, std::int64_t min = 0)
    {
        const TValue* value = m_Object.Find(key);
        if (!value)
            return !required || Fault(std::string("no \"") + key + "\"");
        if (value->kind != TKind::Number || value->number < min)
            return Fault(std::string("\"") + key + "\" is not a whole number of " + std::to_string(min) + " or more");
        out = value->number;
        return true;
    }
    bool Text(const char* key, std::string& out, bool required = true)
    {
        const TValue* value = m_Object.Find(key);
        if (!value)
            return !required || Fault(std::string("no \"") + key + "\"");
        if (value->kind != TKind::String)
            return Fault(std::string("\"") + key + "\" is not a text");
        out = value->text;
        return true;
    }
    bool Flag(const char* key, bool& out)
    {
        const TValue* value = m_Object.Find(key);
        if (!value)
            return Fault(std::string("no \"") + key + "\"");
        if (value->kind != TKind::Bool)
            return Fault(std::string("\"") + key + "\" is not true or false");
        out = value->boolean;
        return true;
    }
    bool Bytes(TBytes& out);
    bool Fault(const std::string& what)
    {
        if (m_Error.empty())
            m_Error = what;
        return false;
    }

private:
    bool Hex(const std::string& text, TBytes& out);
    bool Gap(const TValue& gap, TBytes& out);

    const TValue& m_Object;
    std::string m_Error;
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool TFields::Hex(const std::string& text, TBytes& out)
{
    if (text.size() % 2 != 0)
        return Fault("\"hex\" has an odd number of digits");
    if (out.size + text.size() / 2 > MAX_EVENT_BYTES)
        return Fault("more bytes than one chunk of the link can hold");
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return Fault("\"hex\" holds something other than hexadecimal digits");
        out.kept.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    out.size += text.size() / 2;
    return true;
}

bool TFields::Gap(const TValue& gap, TBytes& out)
{
    TFields fields(gap);
    std::int64_t length = 0, sum = 0;
    std::string crc;
    if (gap.kind != TKind::Object || !fields.Number("n", length) || !fields.Text("crc32", crc)
        || !fields.Number("sum", sum))
        return Fault("a left-out stretch of \"hex\" needs \"n\", \"crc32\" and \"sum\""
            + (fields.Error().empty() ? std::string() : ": " + fields.Error()));
    if (length < 1 || static_cast<std::uint64_t>(length) > MAX_EVENT_BYTES - out.size)
        return Fault("more bytes than one chunk of the link can hold");
    if (sum > 255)
        return Fault("\"sum\" is not a byte");
    std::uint32_t crcValue = 0;
    if (crc.size() != 8)
        return Fault("\"crc32\" is not eight hexadecimal digits");
    for (const char c : crc) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return Fault("\"crc32\" is not eight hexadecimal digits");
        crcValue = crcValue << 4 | static_cast<std::uint32_t>(digit);
    }
    out.gaps.push_back(
        {out.size, static_cast<std::uint32_t>(length), crcValue, static_cast<std::uint8_t>(sum), out.kept.size()});
    out.size += static_cast<std::size_t>(length);
    return true;
}

bool TFields::Bytes(TBytes& out)
{
    const TValue* value = m_Object.Find("hex");
    if (!value)
        return Fault("no \"hex\"");
    if (value->kind == TKind::String)
        return Hex(value->text, out);
    if (value->kind != TKind::Array)
        return Fault("\"hex\" is neither a text nor a list");
    for (const TValue& piece : value->items) {
        if (piece.kind == TKind::String ? !Hex(piece.text, out) : !Gap(piece, out))
            return false;
    }
    return true;
}

bool Header(const TValue& object, TTranscript& transcript, std::string& error)
{
    TFields fields(object);
    std::int64_t version = 0;
    std::string data;
    if (!fields.Number("vx5h_trace", version))
        error = "not a transcript of the link (its first line has no \"vx5h_trace\")";
    else if (version != FORMAT_VERSION)
        error = "a transcript of format " + std::to_string(version) + "; this program reads format "
            + std::to_string(FORMAT_VERSION);
    else if (!fields.Text("program", transcript.program, false) || !fields.Text("version", transcript.version, false)
        || !fields.Text("platform", transcript.platform, false) || !fields.Text("cable", transcript.cable, false)
        || !fields.Text("data", data, false))
        error = fields.Error();
    transcript.wholeData = data == "whole";
    return error.empty();
}

bool EventKindOf(const std::string& name, TEventKind& kind)
{
    for (const TEventName& entry : EVENT_NAMES)
        if (name == entry.name) {
            kind = entry.kind;
            return true;
        }
    return false;
}

bool Event(const TValue& object, TEvent& event, std::string& error)
{
    TFields fields(object);
    std::string name;
    std::int64_t t = 0, us = 0;
    if (!fields.Text("ev", name) || !fields.Number("t", t) || !fields.Number("us", us, false)) {
        error = fields.Error();
        return false;
    }
    if (!EventKindOf(name, event.kind)) {
        error = "an unknown event \"" + PrintableText(name) + "\"";
        return false;
    }
    event.t = static_cast<std::uint64_t>(t);
    event.us = static_cast<std::uint64_t>(us);
    bool good = true;
    switch (event.kind) {
    case TEventKind::Open:
        good = fields.Flag("ok", event.ok)
            && (event.ok ? fields.Text("cable", event.text)
                         : fields.Number("error", event.number, true, -2147483648LL) && fields.Text("reason", event.reason));
        break;
    case TEventKind::Write:
        good = fields.Flag("ok", event.ok) && fields.Bytes(event.data);
        break;
    case TEventKind::Read:
        good = fields.Number("want", event.number, true, 1) && fields.Bytes(event.data);
        if (good && event.data.Empty())
            good = fields.Fault("a read of no bytes");
        break;
    case TEventKind::Flush:
        good = fields.Number("n", event.number);
        break;
    case TEventKind::Fail:
        good = fields.Number("cmd", event.number) && fields.Text("cause", event.text) && fields.Number("ms", event.ms);
        if (good && event.number > 255)
            good = fields.Fault("\"cmd\" is not a byte");
        break;
    case TEventKind::Configure:
        good = fields.Text("image", event.text) && fields.Flag("ok", event.ok) && fields.Text("reason", event.reason, false);
        break;
    case TEventKind::Cut:
        good = fields.Number("limit", event.number);
        break;
    case TEventKind::Close:
    case TEventKind::Start:
        break;
    }
    if (!good)
        error = "\"" + name + "\": " + fields.Error();
    return good;
}

// What one event takes in memory.
std::uint64_t CostOf(const TEvent& event)
{
    return sizeof(TEvent) + event.text.size() + event.reason.size() + event.data.kept.size()
        + event.data.gaps.size() * sizeof(TGap);
}

// A transcript read a line at a time, from a text or a file alike.
class TReader {
public:
    TReader(TTranscript& transcript, std::uint64_t maxCost)
        : m_Transcript(transcript)
        , m_MaxCost(maxCost)
    {
        m_Transcript = TTranscript{};
    }

    const std::string& Error() const { return m_Error; }

    // One line without its line break; `complete`: a line break ended it.
    bool Line(std::string_view content, bool complete);
    // At the end of the text.
    bool Finish()
    {
        if (m_Line == 0)
            m_Error = "the file is empty";
        return m_Error.empty();
    }
    bool Fail(const std::string& what)
    {
        m_Error = "line " + std::to_string(m_Line) + ": " + what;
        return false;
    }
    // The line being read has grown longer than any line: it fails before it is whole.
    bool TooLong()
    {
        ++m_Line;
        return Fail("longer than any line a transcript holds");
    }

private:
    TTranscript& m_Transcript;
    const std::uint64_t m_MaxCost;
    std::string m_Error;
    std::uint64_t m_Line = 0;
    bool m_Cut = false;
    std::uint64_t m_Cost = 0;
};

bool TReader::Line(std::string_view content, bool complete)
{
    ++m_Line;
    if (!content.empty() && content.back() == '\r')
        content.remove_suffix(1);
    if (content.size() > MAX_LINE)
        return Fail("longer than any line a transcript holds");
    if (content.find_first_not_of(" \t") == std::string_view::npos)
        return true;
    json::TValue object;
    std::string why;
    if (!json::Parse(content, object, why, 4))
        return Fail((complete ? "not JSON (" : "the file ends inside this line (") + why + ")");
    if (object.kind != json::TValue::TKind::Object)
        return Fail("not a JSON object");
    TEvent event;
    if (m_Line == 1 || object.Find("vx5h_trace")) {
        TTranscript run;
        if (!Header(object, run, why))
            return Fail(why);
        if (m_Line == 1) {
            m_Transcript = std::move(run);
            return true;
        }
        event.kind = TEventKind::Start;
        event.text = run.program + " " + run.version;
    } else if (m_Cut) {
        return Fail("more after the note that the transcript was cut");
    } else if (!Event(object, event, why)) {
        return Fail(why);
    }
    m_Cost += CostOf(event);
    if (m_Cost > m_MaxCost)
        return Fail("more than this program holds of one transcript ("
            + (m_MaxCost >= 1u << 20 ? std::to_string(m_MaxCost >> 20) + " MB" : std::to_string(m_MaxCost) + " bytes")
            + " in memory)");
    event.line = m_Line;
    m_Cut = event.kind == TEventKind::Cut;
    m_Transcript.events.push_back(std::move(event));
    return true;
}

// The lines of a file, read in pieces: no more of it is held than its longest line.
bool ReadLines(platform::TRegularFileReader& file, TReader& reader, std::string& why)
{
    std::string pending;
    char chunk[65536];
    for (;;) {
        const long n = file.Read(chunk, sizeof chunk, why);
        if (n < 0)
            return false;
        if (n == 0)
            return pending.empty() || reader.Line(pending, false);
        std::string_view piece(chunk, static_cast<std::size_t>(n));
        for (std::size_t newline; (newline = piece.find('\n')) != std::string_view::npos;) {
            const std::string_view end = piece.substr(0, newline);
            piece.remove_prefix(newline + 1);
            if (pending.empty() ? !reader.Line(end, true) : !reader.Line(pending.append(end), true))
                return false;
            pending.clear();
        }
        // A line break may follow a carriage return the line is allowed to end with.
        if (pending.size() + piece.size() > MAX_LINE + 1)
            return reader.TooLong();
        pending.append(piece);
    }
}

} // namespace

// --- the bytes of a chunk -----------------------------------------------------------------

namespace {

// The gap that holds or follows `at`: the first one that ends after it.
std::vector<TGap>::const_iterator GapFrom(const std::vector<TGap>& gaps, std::size_t at)
{
    return std::upper_bound(gaps.begin(), gaps.end(), at,
        [](std::size_t position, const TGap& gap) { return position < gap.at + gap.length; });
}

} // namespace

void TBytes::Copy(std::size_t from, std::size_t count, std::uint8_t* out) const
{
    auto gap = GapFrom(gaps, from);
    const std::size_t to = from + count;
    while (from < to) {
        if (gap != gaps.end() && gap->at <= from) {
            // Inside a left-out stretch: its sum, then zeros.
            const std::size_t end = std::min(to, gap->at + gap->length);
            for (; from < end; ++from)
                *out++ = from == gap->at ? gap->sum : 0;
            ++gap;
            continue;
        }
        const std::size_t end = std::min(to, gap == gaps.end() ? size : gap->at);
        const std::size_t keptAt = from - (gap == gaps.end() ? size - kept.size() : gap->at - gap->keptBefore);
        out = std::copy_n(kept.begin() + static_cast<std::ptrdiff_t>(keptAt), end - from, out);
        from = end;
    }
}

std::size_t TBytes::Find(std::uint8_t value, std::size_t from) const
{
    for (auto gap = GapFrom(gaps, from); from < size;) {
        if (gap != gaps.end() && gap->at <= from) {
            if (from == gap->at && gap->sum == value)
                return from;
            if (value == 0 && gap->length > 1)
                return std::max(from, gap->at + 1);
            from = gap->at + gap->length;
            ++gap;
            continue;
        }
        const std::size_t end = gap == gaps.end() ? size : gap->at;
        const std::size_t keptFrom = gap == gaps.end() ? size - kept.size() : gap->at - gap->keptBefore;
        const auto first = kept.begin() + static_cast<std::ptrdiff_t>(from - keptFrom);
        const auto last = kept.begin() + static_cast<std::ptrdiff_t>(end - keptFrom);
        const auto found = std::find(first, last, value);
        if (found != last)
            return from + static_cast<std::size_t>(found - first);
        from = end;
    }
    return size;
}

bool TBytes::LeftOut(std::size_t from, std::size_t to) const
{
    const auto gap = GapFrom(gaps, from);
    return gap != gaps.end() && gap->at < to;
}

std::size_t TBytes::FirstDifference(const std::uint8_t* data, std::size_t count) const
{
    std::size_t at = 0;
    for (auto gap = gaps.begin(); at < count;) {
        const std::size_t end = std::min(count, gap == gaps.end() ? size : gap->at);
        const std::size_t keptFrom = gap == gaps.end() ? size - kept.size() : gap->at - gap->keptBefore;
        const auto differs
            = std::mismatch(data + at, data + end, kept.begin() + static_cast<std::ptrdiff_t>(at - keptFrom));
        if (differs.first != data + end)
            return static_cast<std::size_t>(differs.first - data);
        if (gap == gaps.end())
            break;
        at = gap->at + gap->length;
        ++gap;
    }
    return count;
}

std::vector<std::uint8_t> TBytes::Whole() const
{
    std::vector<std::uint8_t> bytes(size);
    Copy(0, size, bytes.data());
    return bytes;
}

// --- the file -------------------------------------------------------------------------

bool ParseTranscript(std::string_view text, TTranscript& transcript, std::string& error, std::uint64_t maxCost)
{
    TReader reader(transcript, maxCost);
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t newline = text.find('\n', at);
        const bool complete = newline != std::string_view::npos;
        const std::string_view content = text.substr(at, complete ? newline - at : std::string_view::npos);
        at = complete ? newline + 1 : text.size();
        if (!reader.Line(content, complete))
            break;
    }
    const bool whole = reader.Error().empty() && reader.Finish();
    error = reader.Error();
    return whole;
}

bool ReadTranscriptFile(const std::string& path, TTranscript& transcript, std::string& error)
{
    using TEnd = platform::TRegularFileRead::TEnd;
    transcript = TTranscript{};
    platform::TRegularFileReader file;
    const platform::TRegularFileRead open = file.Open(path, MAX_FILE);
    switch (open.end) {
    case TEnd::Read:
        break;
    case TEnd::NotRegular:
        error = path + " is not a regular file";
        return false;
    case TEnd::TooLarge:
        error = path + " is larger than any transcript";
        return false;
    default:
        error = "cannot open " + path + ": " + open.reason;
        return false;
    }
    TReader reader(transcript, MAX_TRANSCRIPT_COST);
    std::string why;
    if (ReadLines(file, reader, why) && reader.Finish())
        return true;
    error = reader.Error().empty() ? "cannot read " + path + ": " + why : path + ", " + reader.Error();
    return false;
}

} // namespace trace
