#include "core/TraceFile.h"

#include "core/JsonLine.h"

#include <fstream>
#include <iterator>

namespace trace {
namespace {

using json::TValue;
using TKind = TValue::TKind;

constexpr std::size_t MAX_LINE = 4 * MAX_EVENT_BYTES;
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
    if (out.bytes.size() + text.size() / 2 > MAX_EVENT_BYTES)
        return Fault("more bytes than one chunk of the link can hold");
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return Fault("\"hex\" holds something other than hexadecimal digits");
        out.bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
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
    if (length < 1 || static_cast<std::uint64_t>(length) > MAX_EVENT_BYTES - out.bytes.size())
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
    const TGap stretch{out.bytes.size(), static_cast<std::uint32_t>(length), crcValue, static_cast<std::uint8_t>(sum)};
    out.gaps.push_back(stretch);
    out.bytes.resize(out.bytes.size() + stretch.length, 0);
    out.bytes[stretch.at] = stretch.sum; // the rest are zero: the same sum
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
        error = "an unknown event \"" + name + "\"";
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
        if (good && event.data.bytes.empty())
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

} // namespace

bool ParseTranscript(std::string_view text, TTranscript& transcript, std::string& error)
{
    transcript = TTranscript{};
    error.clear();
    int line = 0;
    bool cut = false;
    std::size_t at = 0;
    while (at < text.size()) {
        ++line;
        const std::size_t newline = text.find('\n', at);
        const bool complete = newline != std::string_view::npos;
        std::string_view content = text.substr(at, complete ? newline - at : std::string_view::npos);
        at = complete ? newline + 1 : text.size();
        if (!content.empty() && content.back() == '\r')
            content.remove_suffix(1);
        const auto fail = [&](const std::string& what) {
            error = "line " + std::to_string(line) + ": " + what;
            return false;
        };
        if (content.size() > MAX_LINE)
            return fail("longer than any line a transcript holds");
        if (content.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        json::TValue object;
        std::string why;
        if (!json::Parse(content, object, why, 4))
            return fail((complete ? "not JSON (" : "the file ends inside this line (") + why + ")");
        if (object.kind != json::TValue::TKind::Object)
            return fail("not a JSON object");
        TEvent event;
        if (line == 1 || object.Find("vx5h_trace")) {
            TTranscript run;
            if (!Header(object, run, why))
                return fail(why);
            if (line == 1) {
                transcript = std::move(run);
                continue;
            }
            event.kind = TEventKind::Start;
            event.text = run.program + " " + run.version;
        } else if (cut) {
            return fail("more after the note that the transcript was cut");
        } else if (!Event(object, event, why)) {
            return fail(why);
        }
        event.line = line;
        cut = event.kind == TEventKind::Cut;
        transcript.events.push_back(std::move(event));
    }
    if (line == 0) {
        error = "the file is empty";
        return false;
    }
    return true;
}

bool ReadTranscriptFile(const std::string& path, TTranscript& transcript, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    file.seekg(0, std::ios::end);
    const auto size = static_cast<std::uint64_t>(file.tellg());
    file.seekg(0);
    if (size > MAX_FILE) {
        error = path + " is larger than any transcript";
        return false;
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (ParseTranscript(text, transcript, error))
        return true;
    error = path + ", " + error;
    return false;
}

} // namespace trace
