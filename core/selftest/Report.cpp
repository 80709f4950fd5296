#include "core/selftest/Report.h"

#include "core/Counted.h"
#include "core/Names.h"
#include "core/selftest/TestContext.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace selftest {

namespace {

std::string Json(const std::string& text)
{
    std::string out = "\"";
    // Valid UTF-8 whatever the board sent or the cable is called; control characters escaped.
    for (char c : names::Utf8OrEscaped(text)) {
        if (static_cast<unsigned char>(c) < 0x20)
            out += c == '\n' ? std::string("\\n") : Format("\\u%04x", c);
        else
            out += (c == '"' || c == '\\' ? std::string("\\") : std::string()) + c;
    }
    return out + "\"";
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

std::string Joined(const std::vector<std::string>& names, const char* separator)
{
    std::string text;
    for (const auto& name : names)
        text += (text.empty() ? "" : separator) + name;
    return text;
}

// The options as the command line spells them: "--full --only sdram,hsmc".
std::string OptionsText(const TReport& r)
{
    std::string text;
    for (const auto& [on, flag] : {std::pair{r.full, "--full"}, std::pair{r.destructive, "--destructive"},
             std::pair{r.interactive, "--interactive"}})
        if (on)
            text += std::string(text.empty() ? "" : " ") + flag;
    if (!r.only.empty())
        text += (text.empty() ? "--only " : " --only ") + Joined(r.only, ",");
    if (!r.skip.empty())
        text += (text.empty() ? "--skip " : " --skip ") + Joined(r.skip, ",");
    return text.empty() ? "none" : text;
}

std::string CableText(const TReport& r) { return r.cable.empty() ? "automatic" : r.cable; }

std::string JsonList(const std::vector<std::string>& items)
{
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i)
        out += (i ? "," : "") + Json(items[i]);
    return out + "]";
}

std::string Verdict(const TReport& r)
{
    switch (r.Result()) {
    case RunResult::Passed:
        return "the board passed";
    case RunResult::Failed:
        return "the board FAILED";
    case RunResult::LinkLost:
        return "the link to the board was lost; the board was not judged";
    case RunResult::Stopped:
        return "stopped; the board was not judged";
    case RunResult::NothingRun:
        break;
    }
    return "no test ran; the board was not judged";
}

} // namespace

std::string XmlText(const std::string& text)
{
    // Line breaks and tabs as references too, so that an attribute keeps them.
    static constexpr std::pair<char, const char*> REFERENCES[] = {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"},
        {'"', "&quot;"}, {'\'', "&apos;"}, {'\n', "&#10;"}, {'\t', "&#9;"}, {'\r', "&#13;"}};
    const std::string utf8 = names::Utf8OrEscaped(text);
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const auto* reference
            = std::find_if(std::begin(REFERENCES), std::end(REFERENCES), [c](const auto& r) { return r.first == c; });
        // No other control character, and neither U+FFFE nor U+FFFF, is a character of XML
        // at all, not even as a reference: they are escaped as bytes that are not UTF-8 are.
        const bool nonCharacter = utf8.compare(i, 2, "\xEF\xBF") == 0 && i + 2 < utf8.size()
            && (utf8[i + 2] == '\xBE' || utf8[i + 2] == '\xBF');
        if (reference != std::end(REFERENCES)) {
            out += reference->second;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out += Format("\\x%02x", c);
        } else if (nonCharacter) {
            out += Format("\\xef\\xbf\\x%02x", static_cast<unsigned char>(utf8[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string Summary(const TReport& r)
{
    const int errors = r.Count(Outcome::Error);
    return Format("%s: %d passed, %d failed, %s%d skipped in %.1f s", text::Counted(r.tests.size(), "test").c_str(),
        r.Count(Outcome::Pass), r.Count(Outcome::Fail),
        errors ? Format("%d %s, ", errors, errors == 1 ? "error" : "errors").c_str() : "", r.Count(Outcome::Skip),
        r.seconds);
}

std::string TextReport(const TReport& r)
{
    std::size_t width = 4;
    for (const auto& t : r.tests)
        width = std::max(width, t.name.size());
    std::string out = "Self-test of " + (r.board.empty() ? std::string("the board") : r.board) + " (" + Mode(r) + ")\n";
    out += "cable " + CableText(r) + ", host " + r.host + ", started " + r.started + ", vx5h " + r.version
        + ", options " + OptionsText(r) + "\n";
    for (const auto& t : r.tests) {
        out += Format("%-5s %-*s %7.2f s  %s\n", OutcomeName(t.outcome), static_cast<int>(width), t.name.c_str(),
            t.seconds, t.message.c_str());
        for (const auto& d : t.details)
            out += std::string(6 + width + 12, ' ') + d + "\n";
    }
    return out + Summary(r) + ": " + Verdict(r) + "\n";
}

std::string JsonReport(const TReport& r)
{
    std::string out = "{\"board\":" + Json(r.board) + ",\"cable\":" + Json(r.cable) + ",\"host\":" + Json(r.host)
        + ",\"started\":" + Json(r.started) + ",\"version\":" + Json(r.version)
        + ",\"options\":{\"full\":" + (r.full ? "true" : "false") + ",\"destructive\":" + (r.destructive ? "true" : "false")
        + ",\"interactive\":" + (r.interactive ? "true" : "false") + ",\"only\":" + JsonList(r.only)
        + ",\"skip\":" + JsonList(r.skip) + "},\"tests\":[";
    for (std::size_t i = 0; i < r.tests.size(); ++i) {
        const auto& t = r.tests[i];
        out += std::string(i ? "," : "") + "{\"name\":" + Json(t.name) + ",\"result\":\"" + OutcomeName(t.outcome)
            + "\",\"message\":" + Json(t.message) + ",\"details\":" + JsonList(t.details)
            + ",\"seconds\":" + Seconds(t.seconds) + "}";
    }
    out += Format("],\"summary\":{\"tests\":%u,\"passed\":%d,\"failed\":%d,\"errors\":%d,\"skipped\":%d,"
                  "\"seconds\":%s},",
        static_cast<unsigned>(r.tests.size()), r.Count(Outcome::Pass), r.Count(Outcome::Fail), r.Count(Outcome::Error),
        r.Count(Outcome::Skip), Seconds(r.seconds).c_str());
    return out + "\"result\":\"" + RunResultName(r.Result()) + "\",\"passed\":" + (r.Passed() ? "true" : "false")
        + "}\n";
}

std::string JunitReport(const TReport& r)
{
    const std::string counts
        = Format("tests=\"%u\" failures=\"%d\" errors=\"%d\" time=\"%s\"", static_cast<unsigned>(r.tests.size()),
            r.Count(Outcome::Fail), r.Count(Outcome::Error), Seconds(r.seconds).c_str());
    // The schema CI tools read JUnit files by has no skipped count for the root.
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"vx5h selftest\" " + counts
        + ">\n  <testsuite name=\"" + XmlText("vx5h selftest: " + r.board + " (" + Mode(r) + ")") + "\" " + counts
        + Format(" skipped=\"%d\"", r.Count(Outcome::Skip)) + " hostname=\"" + XmlText(r.host) + "\" timestamp=\""
        + XmlText(r.started) + "\">\n    <properties>\n";
    for (const auto& [name, value] : {std::pair<const char*, std::string>{"board", r.board}, {"cable", CableText(r)},
             {"version", r.version}, {"options", OptionsText(r)}, {"result", RunResultName(r.Result())}})
        out += "      <property name=\"" + std::string(name) + "\" value=\"" + XmlText(value) + "\"/>\n";
    out += "    </properties>\n";
    for (const auto& t : r.tests) {
        out += "    <testcase classname=\"selftest." + XmlText(t.name.substr(0, t.name.find('.'))) + "\" name=\""
            + XmlText(t.name) + "\" time=\"" + Seconds(t.seconds) + "\">\n";
        std::string body = t.message;
        for (const auto& d : t.details)
            body += "\n" + d;
        if (t.outcome == Outcome::Fail || t.outcome == Outcome::Error) {
            const char* tag = t.outcome == Outcome::Fail ? "failure" : "error";
            out += std::string("      <") + tag + " message=\"" + XmlText(t.message) + "\">" + XmlText(body) + "</"
                + tag + ">\n";
        } else if (t.outcome == Outcome::Skip) {
            out += "      <skipped message=\"" + XmlText(t.message) + "\"/>\n";
        } else {
            out += "      <system-out>" + XmlText(body) + "</system-out>\n";
        }
        out += "    </testcase>\n";
    }
    return out + "  </testsuite>\n</testsuites>\n";
}

} // namespace selftest
