// The peripherals' words, tables and texts, without a board: the LED mask, the
// seven-segment word, the input names, the HSMC report and verdict, the IR key table and
// list, the LCD, RS232 and SD texts, the VGA pattern names, and the 8-bit characters of
// the character channels.
#include "core/HsmcReport.h"
#include "core/IrKeys.h"
#include "core/Latin1.h"
#include "core/LcdText.h"
#include "core/LedMask.h"
#include "core/Rs232Text.h"
#include "core/SdCardOutcome.h"
#include "core/Seg7Word.h"
#include "core/SwitchState.h"
#include "core/VgaPattern.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

} // namespace

TEST(BoardWords, LedMaskSevenSegmentWordAndInputNames)
{
    EXPECT_EQ(leds::LedMask([](int) { return true; }), leds::ALL_LEDS);
    EXPECT_EQ(leds::LedMask([](int) { return false; }), 0u);
    EXPECT_EQ(leds::LedMask([](int id) { return id != 0; }), 0x07FFFFFEu);
    EXPECT_EQ(leds::LedMask([](int id) { return id == 26; }), 0x04000000u);
    EXPECT_EQ(leds::LedMask([](int id) { return id == 9; }), 0x00000200u); // RLED0
    EXPECT_EQ(leds::LedName(8), "GLED8");
    EXPECT_EQ(leds::LedName(9), "RLED0");
    EXPECT_EQ(leds::LedName(26), "RLED17");

    EXPECT_EQ(seg7::StepDigit(15, true), 0);
    EXPECT_EQ(seg7::StepDigit(0, false), 15);
    EXPECT_EQ(seg7::StepDigit(9, true), 10);
    EXPECT_EQ(seg7::Seg7Word({9, 8, 8, 8, 8, 8, 8, 8}), 0x88888889u);
    EXPECT_EQ(seg7::Seg7Word({0, 0, 0, 10, 0, 0, 0, 0}), 0x0000A000u);
    EXPECT_EQ(seg7::Seg7Word({1, 2, 3, 4, 5, 6, 7, 15}), 0xF7654321u);
    EXPECT_EQ(seg7::Seg7Word({0x1F, 0, 0, 0, 0, 0, 0, 0}), 0x0000000Fu); // only the low four bits count
    EXPECT_EQ(seg7::DigitName(0), "HEX0");

    EXPECT_EQ(switches::InputName(3), "KEY3");
    EXPECT_EQ(switches::InputName(4), "SW0");
    EXPECT_EQ(switches::InputName(21), "SW17");
    EXPECT_TRUE(switches::IsDown(0x00200000, 21));
    EXPECT_FALSE(switches::IsDown(0x00200000, 20));
}

TEST(HsmcReport, PinsInBitOrderTransceiversFirst)
{
    const struct {
        std::uint32_t xcvr;
        std::uint64_t io;
        const char* report;
    } cases[] = {
        {0, 1, "HSMC Test:NG\r\n<IO Error:>\r\nHSMC Pin 39-40    \r\n"},
        {0, std::uint64_t{1} << 40, "HSMC Test:NG\r\n<IO Error:>\r\nHSMC Pin 159-160    \r\n"},
        // In bit order, not pin order: bit 11 (pin 49) comes after bit 10 (pin 89).
        {0, (1u << 10) | (1u << 11), "HSMC Test:NG\r\n<IO Error:>\r\nHSMC Pin 89-90    \r\nHSMC Pin 49-50    \r\n"},
        // Bits above the 41 pairs and the four transceiver groups name nothing.
        {0, std::uint64_t{1} << 41, "HSMC Test:NG\r\n<IO Error:>\r\n"},
        {0x10, 0, "HSMC Test:NG\r\n<Transceiver Error:>\r\n"},
        {0x09, 0, "HSMC Test:NG\r\n<Transceiver Error:>\r\nHSMC Pin 31/29-32/30    \r\nHSMC Pin 19/17-20/18    \r\n"},
        {0x06, 4,
            "HSMC Test:NG\r\n<Transceiver Error:>\r\nHSMC Pin 27/25-28/26    \r\nHSMC Pin 23/21-24/22    \r\n"
            "<IO Error:>\r\nHSMC Pin 43-44    \r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hsmc::Report(c.xcvr, c.io), c.report) << c.xcvr << " " << c.io;

    std::set<int> pins(hsmc::HSMC_IO_PIN_TABLE.begin(), hsmc::HSMC_IO_PIN_TABLE.end());
    EXPECT_EQ(pins.size(), 41u);
    EXPECT_EQ(hsmc::HSMC_IO_PIN_TABLE[11], 49);
    EXPECT_EQ(hsmc::HSMC_IO_PIN_TABLE[21], 101);
    EXPECT_EQ(hsmc::HSMC_IO_PIN_TABLE[30], 103);
    for (int pin : pins)
        EXPECT_EQ(pin % 2, 1) << pin;
}

// Every outcome of the exchanges that report in their own words: what the information
// line says and in which colour, which box comes up, and whether the link counts as lost.
// A refusal is never a success and never a lost link.
TEST(Outcomes, EachCommandReportsRefusalAndLostLinkApart)
{
    const hsmc::TVerdict pass = hsmc::Verdict(true, true, 0, 0);
    EXPECT_EQ(pass.infoText, "HSMC Loopback Test: PASS");
    EXPECT_EQ(pass.resultText, "PASS");
    EXPECT_TRUE(pass.passed);
    EXPECT_TRUE(pass.reportBox.empty() && pass.errorBox.empty());
    const hsmc::TVerdict ng = hsmc::Verdict(true, true, 0x10, 0);
    EXPECT_EQ(ng.infoText, "HSMC Loopback Test: NG");
    EXPECT_EQ(ng.resultText, "NG");
    EXPECT_EQ(ng.reportBox, hsmc::Report(0x10, 0));
    EXPECT_FALSE(ng.passed || ng.linkFailure);
    const hsmc::TVerdict refused = hsmc::Verdict(true, false, 0, 0);
    EXPECT_EQ(refused.infoText, "Failed to perform HSMC test");
    EXPECT_EQ(refused.resultText, "NG");
    EXPECT_TRUE(refused.reportBox.empty() && refused.errorBox.empty());
    EXPECT_FALSE(refused.passed || refused.linkFailure);
    const hsmc::TVerdict lost = hsmc::Verdict(false, false, 0, 0);
    EXPECT_TRUE(lost.resultText.empty());
    EXPECT_EQ(lost.errorBox, "Failed to perform HSMC test");
    EXPECT_TRUE(lost.linkFailure);

    const struct {
        lcd::TSetOutcome outcome;
        lcd::TSetOutcome expected;
    } lcdCases[] = {
        {lcd::SetOutcome(true, true), {"Set LCD Success", true, "", false}},
        {lcd::SetOutcome(true, false), {"Failed to set lcd.", false, "Failed to set lcd.", false}},
        {lcd::SetOutcome(false, false), {"Set LCD Fail", false, "Set LCD Fail", true}},
    };
    for (const auto& c : lcdCases) {
        EXPECT_EQ(c.outcome.infoText, c.expected.infoText);
        EXPECT_EQ(c.outcome.success, c.expected.success) << c.expected.infoText;
        EXPECT_EQ(c.outcome.errorBox, c.expected.errorBox) << c.expected.infoText;
        EXPECT_EQ(c.outcome.linkFailure, c.expected.linkFailure) << c.expected.infoText;
    }

    const char* noCard = "Failed to access the SDCARD.\nPlease make sure a SDCARD is pluged into the VX5h-260.";
    const struct {
        sdcard::TReadOutcome outcome;
        sdcard::TReadOutcome expected;
    } sdCases[] = {
        {sdcard::ReadOutcome(true, true), {"Read SDCARD read successfully", true, "", "", false}},
        {sdcard::ReadOutcome(true, false), {"Failed to access SDCARD.", false, "", noCard, false}},
        {sdcard::ReadOutcome(false, false), {"Failed to access SDCARD.", false, "Failed to access SDCARD.", "", true}},
    };
    for (const auto& c : sdCases) {
        EXPECT_EQ(c.outcome.infoText, c.expected.infoText);
        EXPECT_EQ(c.outcome.success, c.expected.success) << c.expected.infoText;
        EXPECT_EQ(c.outcome.errorBox, c.expected.errorBox) << c.expected.infoText;
        EXPECT_EQ(c.outcome.warningBox, c.expected.warningBox) << c.expected.infoText;
        EXPECT_EQ(c.outcome.linkFailure, c.expected.linkFailure) << c.expected.infoText;
    }
}

TEST(IrKeys, CodesFindTheirKeysTheListKeepsTheEightMostRecentAndGlowFades)
{
    EXPECT_EQ(ir::KeyForCode(0x05), 2 * 4 + 1);
    EXPECT_EQ(ir::KeyForCode(0x00), 4 * 4 + 1);
    EXPECT_EQ(ir::KeyForCode(0x0F), 0);
    EXPECT_EQ(ir::KeyForCode(0x0C), 23);
    EXPECT_EQ(ir::KeyForCode(0x40), -1);
    // A key is named by what is printed on it, not by its place: 0x05 is the key "5" in
    // row 2, column 1, and 0x12 the power key.
    const std::pair<std::uint8_t, const char*> named[]
        = {{0x05, "5"}, {0x00, "0"}, {0x09, "9"}, {0x12, "POWER"}, {0x1A, "CH+"}, {0x1F, "VOL-"}, {0x0C, "MUTE"}};
    for (const auto& [code, label] : named)
        EXPECT_STREQ(ir::IR_KEYS[ir::KeyForCode(code)].label, label) << int(code);
    EXPECT_EQ(ir::KeyRow(ir::KeyForCode(0x05)), 2);
    EXPECT_EQ(ir::KeyColumn(ir::KeyForCode(0x05)), 1);
    // Every digit key's label is its digit, and no two keys share a code or a label.
    std::set<std::uint8_t> codes;
    std::set<std::string> labels;
    for (const ir::TIrKey& key : ir::IR_KEYS) {
        codes.insert(key.code);
        labels.insert(key.label);
        if (key.code <= 9) {
            EXPECT_EQ(key.label, std::to_string(key.code));
        }
    }
    EXPECT_EQ(codes.size(), ir::IR_KEYS.size());
    EXPECT_EQ(labels.size(), ir::IR_KEYS.size());

    ir::TScanCodeList list;
    const std::uint8_t first[] = {1, 2, 3, 4, 5, 6, 7, 8};
    list.Append(first, 8);
    const std::uint8_t two[] = {0xAB, 0x0C};
    list.Append(two, 2);
    EXPECT_EQ(list.Codes(), (std::vector<std::uint8_t>{3, 4, 5, 6, 7, 8, 0xAB, 0x0C}));
    EXPECT_EQ(list.Text(), "03\n04\n05\n06\n07\n08\nAB\n0C\n");
    std::uint8_t twelve[12];
    for (int i = 0; i < 12; ++i)
        twelve[i] = static_cast<std::uint8_t>(0x10 + i);
    list.Clear();
    list.Append(twelve, 12);
    EXPECT_EQ(list.Codes(), std::vector<std::uint8_t>(twelve + 4, twelve + 12));
    list.Append(nullptr, 3);
    list.Append(twelve, -1);
    EXPECT_EQ(list.Codes().size(), 8u);
    list.Clear();
    EXPECT_EQ(list.Text(), "");

    std::vector<int> levels;
    for (std::uint8_t g = ir::GLOW_FULL; g != 0; g = ir::FadeLevel(g))
        levels.push_back(g);
    EXPECT_EQ(levels, (std::vector<int>{255, 240, 225, 210, 195, 180, 165, 150}));
}

// The character channels carry one byte per character; what is typed or given on a
// command line is UTF-8.
TEST(CharacterTexts, LcdAndRs232BytesAndTheirCharacters)
{
    EXPECT_EQ(lcd::LcdBytes("VX5h-260", "Control Panel"), Bytes(std::string("VX5h-260\nControl Panel\n\0", 24)));
    EXPECT_EQ(lcd::LcdBytes("", ""), Bytes(std::string("\n\n\0", 3)));
    EXPECT_EQ(lcd::LcdBytes(std::string(16, 'W'), std::string(16, 'W')).size(), 35u);
    // Placeholders stay literal; beyond Latin-1 becomes '?'.
    EXPECT_EQ(lcd::LcdBytes("\u00e9\u4e2d", "%1%2"), Bytes(std::string("\xe9?\n%1%2\n\0", 9)));

    // What the LCD cannot show, or the port cannot carry, is refused before it is sent.
    const struct {
        const char* line0;
        const char* line1;
        const char* lcd;
        const char* rs232; // line0 sent on the port
    } refusals[] = {
        {"VX5h-260", "~ !", "", ""},
        {"caf\u00e9", "", "Line 1, character 4: \"\u00e9\" is not in the LCD's character set.", ""},
        // What the message quotes of the user's text never acts on a terminal.
        {"ok", "tab\there", "Line 2, character 4: \"\\x09\" is not in the LCD's character set.", ""},
        {"\x1b[2J", "", "Line 1, character 1: \"\\x1b\" is not in the LCD's character set.", ""},
        {"\u20ac5", "", "Line 1, character 1: \"\u20ac\" is not in the LCD's character set.",
            "Character 1: \"\u20ac\" cannot be sent: the port carries Latin-1 characters only."},
        {"a\U0001F600", "", "Line 1, character 2: \"\U0001F600\" is not in the LCD's character set.",
            "Character 2: \"\U0001F600\" cannot be sent: the port carries Latin-1 characters only."},
        {"\xff", "", "Line 1, character 1: \"\\xff\" is not in the LCD's character set.",
            "Character 1: \"\\xff\" cannot be sent: the port carries Latin-1 characters only."},
    };
    for (const auto& r : refusals) {
        EXPECT_EQ(lcd::UnshowableText(r.line0, r.line1), r.lcd) << r.line0;
        EXPECT_EQ(rs232::UnsendableText(r.line0), r.rs232) << r.line0;
    }

    const std::uint8_t received[] = {0x41, 0x42, 0x00, 0x43, 0x44};
    EXPECT_EQ(rs232::ReceivedText(received, 5), "AB");
    EXPECT_EQ(rs232::ReceivedText(received + 3, 2), "CD");
    EXPECT_EQ(rs232::ReceivedText(received, 0), "");
    EXPECT_EQ(rs232::ReceivedText(nullptr, 5), "");
    const std::uint8_t high[] = {0xE9, 0x7F, 0xFF};
    EXPECT_EQ(rs232::ReceivedText(high, 3), "\u00e9\x7f\u00ff");
    EXPECT_EQ(rs232::SendBytes(""), Bytes(std::string(1, '\0')));
    EXPECT_EQ(rs232::SendBytes("Hi"), Bytes(std::string("Hi\0", 3)));
    EXPECT_EQ(rs232::SendBytes(std::string(300, 'x')).size(), 301u);

    // As the window's text boxes convert: one '?' per UTF-16 unit of a character beyond
    // Latin-1, so a character beyond the Basic Multilingual Plane gives two.
    const struct {
        std::string utf8;
        std::string latin1;
    } cases[] = {
        {"abc", "abc"},
        {"\u00e9\u00ff\u0100", "\xe9\xff?"},
        {"a\U0001F600b", "a??b"},
        {"\xe4\xb8", "??"},      // a sequence cut short
        {"\xc0\xaf", "??"},      // overlong
        {"\xed\xa0\x80", "???"}, // an encoded surrogate
        {std::string("\0z", 2), std::string("\0z", 2)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(latin1::FromUtf8(c.utf8), c.latin1) << c.utf8;
        if (c.latin1.find('?') == std::string::npos) {
            EXPECT_EQ(latin1::ToUtf8(c.latin1), c.utf8) << c.utf8;
        }
    }
}

TEST(VgaPatterns, NamesIndexesAndModes)
{
    EXPECT_STREQ(vga::PatternName(0), "Color Scale");
    EXPECT_STREQ(vga::PatternName(vga::COMPOSITE_INDEX), "Composite-In");
    EXPECT_STREQ(vga::PatternName(vga::PATTERN_COUNT), "");
    EXPECT_STREQ(vga::PatternName(-1), "");
    for (int index = 0; index < vga::PATTERN_COUNT; ++index) {
        EXPECT_EQ(vga::FindPattern(vga::PatternName(index)), index);
        EXPECT_EQ(vga::ModeFor(index), index == vga::COMPOSITE_INDEX ? 1 : 2);
    }
    EXPECT_EQ(vga::FindPattern("red scale"), 6);
    EXPECT_EQ(vga::FindPattern("COMPOSITE-IN"), 9);
    EXPECT_EQ(vga::FindPattern("Redscale"), -1);
    EXPECT_EQ(vga::FindPattern(""), -1);
}
