#include "core/selftest/Report.h"

#include "core/selftest/TestContext.h"

#include <algorithm>

namespace selftest {

namespace {

// Length of the UTF-8 sequence at `i`, or 0 when the bytes there are not one.
std::size_t Utf8Length(const std::string& text, std::size_t i)
{
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
            return 0;
    return n;
}

// Text that is valid UTF-8 whatever the board sent: stray bytes become '?'. Control
// characters go through `control`.
template<typename Control> std::string Clean(const std::string& text, Control control)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8Length(text, i);
        if (n == 0) {
            out += '?';
            ++i;
        } else if (n == 1 && static_cast<unsigned char>(text[i]) < 0x20) {
            out += control(text[i++]);
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

std::string Json(const std::string& text)
{
    std::string out = "\"";
    for (char c : Clean(text, [](char c) { return std::string(1, c); })) {
        if (static_cast<unsigned char>(c) < 0x20)
            out += c == '\n' ? std::string("\\n") : Format("\\u%04x", c);
        else
            out += (c == '"' || c == '\\' ? std::string("\\") : std::string()) + c;
    }
    return out + "\"";
}

std::string Xml(const std::string& text)
{
    std::string out;
    for (char c : Clean(text, [](char c) { return c == '\n' || c == '\t' ? std::string(1, c) : std::string(" "); })) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Seconds(double s) { return Format("%.3f", s); }

std::string Mode(const TReport& r)
{
    std::string mode = r.full ? "full" : "sampled";
    if (r.destructive)
        mode += ", destructive";
    if (r.interactive)
        mode += ", interactive";
    return mode;
}

} // namespace

std::string Summary(const TReport& r)
{
    return Format("%u tests: %d passed, %d failed, %d skipped in %.1f s", static_cast<unsigned>(r.tests.size()),
        r.Count(Outcome::Pass), r.Count(Outcome::Fail), r.Count(Outcome::Skip), r.seconds);
}

std::string TextReport(const TReport& r)
{
    std::size_t width = 4;
    for (const auto& t : r.tests)
        width = std::max(width, t.name.size());
    std::string out = "Self-test of " + (r.board.empty() ? std::string("the board") : r.board) + " (" + Mode(r) + ")\n";
    for (const auto& t : r.tests) {
        out += Format("%s  %-*s %7.2f s  %s\n", OutcomeName(t.outcome), static_cast<int>(width), t.name.c_str(),
            t.seconds, t.message.c_str());
        for (const auto& d : t.details)
            out += std::string(6 + width + 12, ' ') + d + "\n";
    }
    out += Summary(r) + (r.Passed() ? ": the board passed\n" : ": the board FAILED\n");
    return out;
}

std::string JsonReport(const TReport& r)
{
    std::string out = "{\"board\":" + Json(r.board) + ",\"options\":{\"full\":" + (r.full ? "true" : "false")
        + ",\"destructive\":" + (r.destructive ? "true" : "false")
        + ",\"interactive\":" + (r.interactive ? "true" : "false") + "},\"tests\":[";
    for (std::size_t i = 0; i < r.tests.size(); ++i) {
        const auto& t = r.tests[i];
        out += std::string(i ? "," : "") + "{\"name\":" + Json(t.name) + ",\"result\":\"" + OutcomeName(t.outcome)
            + "\",\"message\":" + Json(t.message) + ",\"details\":[";
        for (std::size_t k = 0; k < t.details.size(); ++k)
            out += (k ? "," : "") + Json(t.details[k]);
        out += "],\"seconds\":" + Seconds(t.seconds) + "}";
    }
    out += Format("],\"summary\":{\"tests\":%u,\"passed\":%d,\"failed\":%d,\"skipped\":%d,\"seconds\":%s},",
        static_cast<unsigned>(r.tests.size()), r.Count(Outcome::Pass), r.Count(Outcome::Fail), r.Count(Outcome::Skip),
        Seconds(r.seconds).c_str());
    return out + "\"passed\":" + (r.Passed() ? "true" : "false") + "}\n";
}

std::string JunitReport(const TReport& r)
{
    const std::string counts = Format("tests=\"%u\" failures=\"%d\" errors=\"0\" skipped=\"%d\" time=\"%s\"",
        static_cast<unsigned>(r.tests.size()), r.Count(Outcome::Fail), r.Count(Outcome::Skip),
        Seconds(r.seconds).c_str());
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"vx5h selftest\" " + counts
        + ">\n  <testsuite name=\"" + Xml("vx5h selftest: " + r.board + " (" + Mode(r) + ")") + "\" " + counts + ">\n";
    for (const auto& t : r.tests) {
        out += "    <testcase classname=\"selftest." + Xml(t.name.substr(0, t.name.find('.'))) + "\" name=\""
            + Xml(t.name) + "\" time=\"" + Seconds(t.seconds) + "\">\n";
        std::string body = t.message;
        for (const auto& d : t.details)
            body += "\n" + d;
        if (t.outcome == Outcome::Fail)
            out += "      <failure message=\"" + Xml(t.message) + "\">" + Xml(body) + "</failure>\n";
        else if (t.outcome == Outcome::Skip)
            out += "      <skipped message=\"" + Xml(t.message) + "\"/>\n";
        else
            out += "      <system-out>" + Xml(body) + "</system-out>\n";
        out += "    </testcase>\n";
    }
    return out + "  </testsuite>\n</testsuites>\n";
}

} // namespace selftest
