// A transcript read back: what a damaged file says, and what the exchanges in it show.
#include "core/TraceExchanges.h"
#include "core/TraceFile.h"
#include "core/TraceText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::string HEADER = R"({"vx5h_trace":1,"program":"vx5h","version":"1.0.0","platform":"p","cable":"","data":"elided","limit":1000})"
                           "\n";

struct Damage {
    const char* what;
    std::string text;
    const char* error; // must appear in the message
};

TEST(TraceFileTest, ADamagedFileIsReportedWithItsLine)
{
    const std::string open = R"({"t":1,"ev":"open","ok":true,"cable":"c"})"
                             "\n";
    const Damage cases[] = {
        {"an empty file", "", "empty"},
        {"another file", "hello\n", "line 1: not JSON"},
        {"another format", R"({"vx5h_trace":2})"
                           "\n",
            "line 1: a transcript of format 2"},
        {"a line cut short", HEADER + open + R"({"t":5,"ev":"w","ok":true,"hex":"aa05)", "line 3: the file ends inside"},
        {"an odd hex", HEADER + R"({"t":5,"ev":"w","ok":true,"hex":"aa0"})"
                                "\n",
            "line 2: \"w\": \"hex\" has an odd number"},
        {"a missing time", HEADER + R"({"ev":"close"})"
                                    "\n",
            "line 2: no \"t\""},
        {"an unknown event", HEADER + open + R"({"t":2,"ev":"teleport"})"
                                             "\n",
            "line 3: an unknown event"},
        {"a gap larger than any chunk", HEADER + R"({"t":2,"ev":"r","want":1,"hex":["",{"n":9999999,"crc32":"00000000","sum":0},""]})"
                                                 "\n",
            "line 2: \"r\": more bytes than one chunk"},
        {"a sum that is no byte", HEADER + R"({"t":2,"ev":"r","want":1,"hex":[{"n":2,"crc32":"00000000","sum":300}]})"
                                           "\n",
            "line 2: \"r\": \"sum\" is not a byte"},
        {"deep nesting", HEADER + std::string(5000, '[') + "\n", "nested too deeply"},
        {"more after the cut", HEADER + R"({"t":2,"ev":"cut","limit":9})"
                                        "\n" + open,
            "line 3: more after the note"},
        {"a fraction", HEADER + R"({"t":2.5,"ev":"close"})"
                                "\n",
            "not a whole number"},
    };
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.what);
        trace::TTranscript transcript;
        std::string error;
        EXPECT_FALSE(trace::ParseTranscript(c.text, transcript, error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    // What comes before the damage is kept, for a person to read.
    trace::TTranscript transcript;
    std::string error;
    EXPECT_FALSE(trace::ParseTranscript(HEADER + open + "{\n", transcript, error));
    ASSERT_EQ(transcript.events.size(), 1u);
    EXPECT_EQ(transcript.events[0].text, "c");
}

TEST(TraceFileTest, JoinedRunsAndLeftOutBytesReadBack)
{
    const std::string text = HEADER + R"({"t":3,"ev":"r","us":2,"want":70,"hex":["00",{"n":66,"crc32":"0badcafe","sum":7},"0755"]})"
                                      "\n"
        + HEADER + R"({"t":1,"ev":"close"})"
                   "\r\n";
    trace::TTranscript transcript;
    std::string error;
    ASSERT_TRUE(trace::ParseTranscript(text, transcript, error)) << error;
    ASSERT_EQ(transcript.events.size(), 3u);
    const trace::TEvent& read = transcript.events[0];
    EXPECT_EQ(read.End(), 5u);
    ASSERT_EQ(read.data.Size(), 69u);
    ASSERT_EQ(read.data.gaps.size(), 1u);
    EXPECT_EQ(read.data.gaps[0].at, 1u);
    EXPECT_EQ(read.data.gaps[0].crc, 0x0badcafeu);
    const std::vector<std::uint8_t> bytes = read.data.Whole();
    unsigned sum = 0;
    for (std::size_t i = 1; i < 67; ++i)
        sum += bytes[i];
    EXPECT_EQ(sum % 256, 7u);
    EXPECT_EQ(transcript.events[1].kind, trace::TEventKind::Start);
    EXPECT_EQ(transcript.events[2].line, 4u);
}

// The bytes after a request as the board's reply frame, and what broke it.
TEST(TraceFileTest, ExchangesMarkWhatBrokeTheReply)
{
    struct Case {
        const char* what;
        const char* replyHex;
        bool replied;
        const char* mark; // empty: none
    };
    const Case cases[] = {
        {"a good reply", "aa0501000000000655", true, ""},
        {"garbage first", "1122aa0501000000000655", true, "garbage before the header: 2 bytes"},
        {"one stray byte first", "11aa0501000000000655", true, "garbage before the header: 1 byte"},
        {"a bad checksum", "aa0501000000000755", false, "bad checksum (07)"},
        {"a short body", "aa050100000000", false, "short reply: 7 of 9 bytes"},
        {"another command", "aa0601000000000755", false, "a reply to another command (code 6)"},
        {"nothing", "", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = HEADER + R"({"t":10,"ev":"w","us":1,"ok":true,"hex":"aa0504000000050000000e55"})"
                                    "\n";
        if (*c.replyHex)
            text += std::string(R"({"t":20,"ev":"r","us":5,"want":9,"hex":")") + c.replyHex + "\"}\n";
        trace::TTranscript transcript;
        std::string error;
        ASSERT_TRUE(trace::ParseTranscript(text, transcript, error)) << error;
        const auto items = trace::ReadExchanges(transcript);
        ASSERT_EQ(items.size(), 1u);
        const trace::TExchange& e = items[0].exchange;
        EXPECT_EQ(e.command, 5);
        EXPECT_EQ(e.replied, c.replied);
        if (c.replied) {
            EXPECT_EQ(e.end, 25u);
        }
        if (*c.mark) {
            ASSERT_FALSE(e.marks.empty());
            EXPECT_EQ(e.marks[0], c.mark);
        } else {
            EXPECT_TRUE(e.marks.empty());
        }
    }
}

std::string Repeated(const std::string& line, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += line;
    return text;
}

// A left-out stretch is a few bytes of text that stand for up to 128 KiB: it is held as
// its length and checksums, and what it stands for is made up only for whoever reads it.
TEST(TraceFileTest, ALeftOutStretchCostsItsLengthNotItsBytes)
{
    const std::string gap = R"({"t":0,"ev":"r","want":1,"hex":[{"n":131072,"crc32":"00000000","sum":0}]})"
                            "\n";
    trace::TTranscript transcript;
    std::string error;
    ASSERT_TRUE(trace::ParseTranscript(HEADER + Repeated(gap, 5000), transcript, error)) << error;
    ASSERT_EQ(transcript.events.size(), 5000u);
    for (const trace::TEvent& event : transcript.events) {
        ASSERT_EQ(event.data.Size(), 131072u);
        ASSERT_TRUE(event.data.kept.empty());
    }
    // The exchanges' bytes are looked at where they are, not gathered.
    const std::string request = R"({"t":0,"ev":"w","ok":true,"hex":"aa0100000000000155"})"
                                "\n";
    ASSERT_TRUE(trace::ParseTranscript(HEADER + request + Repeated(gap, 5000), transcript, error)) << error;
    const auto items = trace::ReadExchanges(transcript);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].exchange.replyBytes, 5000u * 131072u);
    EXPECT_EQ(
        items[0].exchange.marks, (std::vector<std::string>{"garbage before the header: 655360000 bytes", "no header"}));

    // What one transcript may take is bounded, and the line where it would take more is named.
    const std::uint64_t twenty = 20 * (sizeof(trace::TEvent) + sizeof(trace::TGap));
    EXPECT_FALSE(trace::ParseTranscript(HEADER + Repeated(gap, 100), transcript, error, twenty));
    EXPECT_EQ(error.rfind("line 22: more than this program holds of one transcript", 0), 0u) << error;
    EXPECT_EQ(transcript.events.size(), 20u);
}

// The bytes of a chunk with left-out stretches, as a replay sends them and as the
// exchanges read them: kept bytes where they were, each stretch its sum and zeros.
TEST(TraceFileTest, AChunkWithLeftOutStretchesReadsAsItsWholeBytes)
{
    const std::string line = HEADER
        + R"({"t":0,"ev":"r","want":1,"hex":["a1b2",{"n":3,"crc32":"00000000","sum":170},"c3",{"n":2,"crc32":"00000000","sum":0},{"n":1,"crc32":"00000000","sum":7},"d4e5"]})"
          "\n";
    trace::TTranscript transcript;
    std::string error;
    ASSERT_TRUE(trace::ParseTranscript(line, transcript, error)) << error;
    const trace::TBytes& bytes = transcript.events.at(0).data;
    const std::vector<std::uint8_t> whole = {0xa1, 0xb2, 0xaa, 0, 0, 0xc3, 0, 0, 7, 0xd4, 0xe5};
    ASSERT_EQ(bytes.Whole(), whole);
    for (std::size_t from = 0; from < whole.size(); ++from) {
        SCOPED_TRACE("from " + std::to_string(from));
        std::vector<std::uint8_t> part(whole.size() - from);
        bytes.Copy(from, part.size(), part.data());
        EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + static_cast<std::ptrdiff_t>(from)));
        for (const std::uint8_t value : {0xaa, 0x00, 0xd4, 0x07, 0x55}) {
            const auto found = std::find(whole.begin() + static_cast<std::ptrdiff_t>(from), whole.end(), value);
            EXPECT_EQ(bytes.Find(value, from), static_cast<std::size_t>(found - whole.begin())) << int(value);
        }
        EXPECT_EQ(bytes.LeftOut(from, from + 1), (from >= 2 && from <= 4) || (from >= 6 && from <= 8));
    }
    // A request is matched on the bytes on record only.
    std::vector<std::uint8_t> sent = {0xa1, 0xb2, 1, 2, 3, 0xc3, 4, 5, 6, 0xd4, 0xe5};
    EXPECT_EQ(bytes.FirstDifference(sent.data(), sent.size()), sent.size());
    sent[9] = 0;
    EXPECT_EQ(bytes.FirstDifference(sent.data(), sent.size()), 9u);
    EXPECT_EQ(bytes.FirstDifference(sent.data(), 9), 9u);
}

// A text of the file is shown as it is where it is printable UTF-8, and byte by byte
// escaped where a terminal would act on it or could not show it.
TEST(TraceTextTest, WhatATerminalWouldActOnIsEscapedByteByByte)
{
    const struct {
        const char* what;
        std::string text;
        const char* shown;
        bool escaped;
    } cases[] = {
        {"plain", "USB-Blaster [1-1]", "USB-Blaster [1-1]", false},
        {"UTF-8 of two, three and four bytes", "\xc3\xbc \xe2\x82\xac \xf0\x9f\x94\x8c", "\xc3\xbc \xe2\x82\xac \xf0\x9f\x94\x8c", false},
        {"a backslash", "a\\x41", "a\\\\x41", false},
        {"escape sequences", "\x1b]0;t\x07\x1b[2J", "\\x1b]0;t\\x07\\x1b[2J", true},
        {"line ends, a NUL and DEL", std::string("a\r\nb\0c\x7f", 7), "a\\x0d\\x0ab\\x00c\\x7f", true},
        {"a C1 control", "\xc2\x9b" "2J", "\\xc2\\x9b2J", true},
        {"direction marks", "a\xe2\x80\xae" "b\xe2\x81\xa6", "a\\xe2\\x80\\xaeb\\xe2\\x81\\xa6", true},
        {"no UTF-8", "\xff\xfe", "\\xff\\xfe", true},
        {"an overlong NUL", "\xc0\x80", "\\xc0\\x80", true},
        {"a surrogate", "\xed\xa0\x80", "\\xed\\xa0\\x80", true},
        {"a sequence cut short", "ok\xe2\x82", "ok\\xe2\\x82", true},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool escaped = false;
        EXPECT_EQ(trace::PrintableText(c.text, &escaped), c.shown);
        EXPECT_EQ(escaped, c.escaped);
    }
}

} // namespace
