// The board's acceptance test against the simulated board: a healthy board passes, each
// broken part is found by its own test in words a repair bench can act on, and the
// reports read as JSON and as JUnit XML.
#include "SimulatedBoard.h"

#include "board/Board.h"
#include "core/selftest/Report.h"
#include "core/selftest/SelfTest.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <deque>
#include <functional>

using testsupport::SimulatedBoard;
using namespace selftest;

namespace {

// A person who answers from a script and acts on what they are told.
class ScriptedPerson : public IOperator {
public:
    std::deque<bool> answers; // then "yes" to everything
    std::function<void(const std::string&)> onTell;
    std::vector<std::string> asked;

    bool Present() const override { return true; }
    void Tell(const std::string& text) override
    {
        if (onTell)
            onTell(text);
    }
    std::optional<bool> Ask(const std::string& question, std::uint32_t) override
    {
        asked.push_back(question);
        if (answers.empty())
            return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Pause(std::uint32_t) override { }
};

class SelfTestOnSimulator : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        platform::OverrideExecutableFolder(SimulatedBoard::BinFolder());
        sim = new SimulatedBoard(true);
    }
    static void TearDownTestSuite()
    {
        delete sim;
        sim = nullptr;
        platform::OverrideExecutableFolder(std::nullopt);
    }
    void SetUp() override
    {
        sim->Ctl("rs232-loopback on");
        std::string error;
        ASSERT_TRUE(board.Connect(error, 0)) << error;
    }
    void TearDown() override { board.Disconnect(); }

    TReport Run(const TOptions& options, IOperator& person)
    {
        TBoardAccess access(board);
        return selftest::Run(access, person, options);
    }
    TReport Run(const TOptions& options)
    {
        TNobody nobody;
        return Run(options, nobody);
    }
    static const TTestResult* Find(const TReport& report, const std::string& name)
    {
        for (const auto& t : report.tests)
            if (t.name == name)
                return &t;
        return nullptr;
    }

    static SimulatedBoard* sim;
    TBoard board;
};

SimulatedBoard* SelfTestOnSimulator::sim = nullptr;

bool Interactive(const std::string& name)
{
    return name == "leds" || name == "seg7" || name == "switches" || name == "keys" || name == "ir";
}

// Enough of XML to tell a well-formed document: the prolog, nested elements whose tags
// match, quoted attributes, and no bare '<' or '&' in text.
bool WellFormedXml(const std::string& xml, std::string& why)
{
    std::vector<std::string> open;
    std::size_t i = xml.rfind("<?xml", 0) == 0 ? xml.find("?>") + 2 : 0;
    bool rootSeen = false;
    while (i < xml.size()) {
        if (xml[i] == '&') {
            const std::size_t end = xml.find(';', i);
            const std::string entity = end == std::string::npos ? "" : xml.substr(i, end - i + 1);
            if (entity != "&amp;" && entity != "&lt;" && entity != "&gt;" && entity != "&quot;" && entity != "&apos;")
                return why = "bad entity at " + std::to_string(i), false;
            i = end + 1;
            continue;
        }
        if (xml[i] != '<') {
            if (open.empty() && !std::isspace(static_cast<unsigned char>(xml[i])))
                return why = "text outside the root", false;
            ++i;
            continue;
        }
        const std::size_t end = xml.find('>', i);
        if (end == std::string::npos)
            return why = "unclosed tag", false;
        std::string tag = xml.substr(i + 1, end - i - 1);
        i = end + 1;
        if (tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1))
                return why = "</" + tag.substr(1) + "> closes nothing open", false;
            open.pop_back();
            continue;
        }
        const bool empty = tag.back() == '/';
        if (empty)
            tag.pop_back();
        const std::string name = tag.substr(0, tag.find(' '));
        if (std::count(tag.begin(), tag.end(), '"') % 2 || tag.find('<') != std::string::npos)
            return why = "bad attributes in <" + name + ">", false;
        if (open.empty() && rootSeen)
            return why = "second root <" + name + ">", false;
        rootSeen = true;
        if (!empty)
            open.push_back(name);
    }
    if (!open.empty())
        return why = "<" + open.back() + "> never closed", false;
    return rootSeen;
}

} // namespace

TEST_F(SelfTestOnSimulator, HealthyBoardPassesEverythingThatNeedsNoPersonAndReportsItForMachines)
{
    TOptions options;
    options.destructive = true;
    options.only = {"ssram-0", "sdram", "eeprom", "flash", "epcs", "gsensor", "sdcard", "hsmc", "rs232", "leds", "seg7",
        "switches", "keys", "ir"};
    options.skip = {"ssram-1"};
    const TReport report = Run(options);
    ASSERT_EQ(report.tests.size(), TestNames().size() - 3);
    for (const auto& t : report.tests) {
        if (Interactive(t.name)) {
            EXPECT_EQ(t.outcome, Outcome::Skip) << t.name;
            EXPECT_EQ(t.message, "needs a person (run with --interactive)");
        } else {
            EXPECT_EQ(t.outcome, Outcome::Pass) << t.name << ": " << t.message;
        }
    }
    EXPECT_TRUE(report.Passed());
    EXPECT_NE(Find(report, "gsensor")->message.find("|g| = 1.00 g"), std::string::npos);
    EXPECT_NE(Find(report, "sdcard")->message.find("3781 MB card"), std::string::npos);

    // Reports of several boards are told apart by where, when and how each ran.
    const auto json = nlohmann::json::parse(JsonReport(report));
    EXPECT_EQ(json["host"], platform::HostName());
    EXPECT_EQ(json["host"].get<std::string>().empty(), false);
    EXPECT_EQ(json["started"].get<std::string>().size(), std::string("2026-05-01T09:30:00Z").size());
    EXPECT_EQ(json["options"]["skip"], nlohmann::json::array({"ssram-1"}));
    EXPECT_EQ(json["result"], "passed");
    EXPECT_EQ(json["summary"]["tests"], report.tests.size());
    EXPECT_EQ(json["summary"]["failed"], 0);
    EXPECT_EQ(json["passed"], true);
    EXPECT_EQ(json["tests"][0]["name"], "ssram-0.data-bus");
    EXPECT_EQ(json["tests"][0]["result"], "PASS");

    std::string why;
    const std::string junit = JunitReport(report);
    EXPECT_TRUE(WellFormedXml(junit, why)) << why << "\n" << junit;
    EXPECT_NE(junit.find("<skipped message=\"needs a person (run with --interactive)\"/>"), std::string::npos);
    EXPECT_NE(junit.find("hostname=\"" + platform::HostName() + "\" timestamp=\"" + report.started + "\""),
        std::string::npos);
    EXPECT_NE(junit.find("<property name=\"options\" value=\"--destructive --only ssram-0,"), std::string::npos);
    const std::string text = TextReport(report);
    EXPECT_NE(text.find("\ncable automatic, host " + report.host + ", started " + report.started), std::string::npos);
    EXPECT_NE(text.find(": the board passed"), std::string::npos);
}

TEST_F(SelfTestOnSimulator, EachInjectedFaultIsFoundByItsTestInItsOwnWords)
{
    struct Case {
        const char* fault;
        const char* mend;
        const char* test;
        Outcome outcome;
        const char* words;
    };
    const Case cases[] = {
        {"mem fault sdram data 13 0", "mem fault sdram none", "sdram.data-bus", Outcome::Fail,
            "SDRAM data line 13 stuck at 0"},
        {"mem fault ssram1 data 2 1", "mem fault ssram1 none", "ssram-1.data-bus", Outcome::Fail,
            "SSRAM-1 data line 2 stuck at 1"},
        {"mem fault sdram short 17 18", "mem fault sdram none", "sdram.address-bus", Outcome::Fail,
            "SDRAM address line A17 shorted to A18"},
        {"mem fault ssram0 address 5 1", "mem fault ssram0 none", "ssram-0.address-bus", Outcome::Fail,
            "SSRAM-0 address line A5 stuck"},
        {"mem fault ssram0 address 19 0", "mem fault ssram0 none", "ssram-0.address-bus", Outcome::Fail,
            "SSRAM-0 address line A19 stuck"},
        {"mem fault eeprom data 3 1", "mem fault eeprom none", "eeprom", Outcome::Fail,
            "EEPROM data line 3 stuck at 1"},
        {"mem fault eeprom data 14 0", "mem fault eeprom none", "eeprom", Outcome::Fail,
            "EEPROM data line 14 stuck at 0"},
        {"mem fault flash data 0 0", "mem fault flash none", "flash", Outcome::Fail,
            "FLASH word 0x000000: expected 0xFFFF, read 0xFFFE"},
        {"set gsensor 0 0 0", "set gsensor 0 0 16384", "gsensor", Outcome::Fail, "G-sensor reads |g| = 0.00 g"},
        {"hsmc fail 0x210 0", "hsmc adapter", "hsmc", Outcome::Fail, "HSMC pairs 4 and 9 open (pins 53-54, 83-84)"},
        {"hsmc fail 0 0x2", "hsmc adapter", "hsmc", Outcome::Fail, "HSMC transceiver pairs 1 open (pins 27/25-28/26)"},
        {"hsmc none", "hsmc adapter", "hsmc", Outcome::Skip, "no loopback adapter (every pair open)"},
        {"sdcard remove", "sdcard insert", "sdcard", Outcome::Skip, "no card"},
        {"rs232-loopback off", "rs232-loopback on", "rs232", Outcome::Skip, "no loopback plug (nothing came back)"},
    };
    for (const Case& c : cases) {
        bool ok = false;
        sim->Ctl(c.fault, &ok);
        ASSERT_TRUE(ok) << c.fault;
        TOptions options;
        options.destructive = true;
        options.only = {std::string(c.test).substr(0, std::string(c.test).find('.'))};
        const TReport report = Run(options);
        sim->Ctl(c.mend);
        const TTestResult* t = Find(report, c.test);
        ASSERT_NE(t, nullptr) << c.test;
        EXPECT_EQ(t->outcome, c.outcome) << c.fault << ": " << t->message;
        EXPECT_EQ(t->message.rfind(c.words, 0), 0u) << c.fault << ": " << t->message;
        EXPECT_EQ(report.Result(), c.outcome == Outcome::Fail ? RunResult::Failed : RunResult::NothingRun) << c.fault;
    }
}

TEST_F(SelfTestOnSimulator, SelectionSkipsAndALostLinkEndTheRunCleanly)
{
    TOptions bad;
    bad.skip = {"sdram", "dram"};
    EXPECT_EQ(CheckSelection(bad).rfind("--skip: no test named \"dram\" (tests: ssram-0 ssram-1 sdram eeprom", 0), 0u)
        << CheckSelection(bad);

    TOptions options;
    options.only = {"sdram", "ssram-0.data-bus", "flash", "leds"};
    options.skip = {"sdram.device"};
    options.interactive = true;
    TReport report = Run(options);
    std::vector<std::string> names;
    for (const auto& t : report.tests)
        names.push_back(t.name);
    EXPECT_EQ(
        names, (std::vector<std::string>{"ssram-0.data-bus", "sdram.data-bus", "sdram.address-bus", "flash", "leds"}));
    EXPECT_EQ(Find(report, "flash")->message, "erases the chip (run with --destructive)");
    EXPECT_EQ(Find(report, "leds")->message, "no terminal to ask");

    // One test is counted as one.
    TOptions one;
    one.only = {"gsensor"};
    EXPECT_NE(TextReport(Run(one)).find("\n1 test: 1 passed, 0 failed, 0 skipped in "), std::string::npos);

    // Nothing run is no pass: every selected test skipped, or none selected.
    TOptions flashOnly;
    flashOnly.only = {"flash"};
    EXPECT_EQ(Run(flashOnly).Result(), RunResult::NothingRun);
    flashOnly.skip = {"flash"};
    EXPECT_EQ(Run(flashOnly).Result(), RunResult::NothingRun);

    // Ctrl-C during the first test: the rest is skipped, none is failed, and the run says
    // it was stopped.
    TBoardAccess access(board);
    TNobody nobody;
    int asked = 0;
    report = selftest::Run(access, nobody, TOptions{}, {}, [&asked] { return ++asked > 3; });
    EXPECT_EQ(report.tests[0].outcome, Outcome::Pass);
    EXPECT_EQ(report.tests.back().message, "stopped");
    EXPECT_EQ(report.Result(), RunResult::Stopped);
    EXPECT_NE(TextReport(report).find(": stopped; the board was not judged\n"), std::string::npos);

    // A lost link is the run's error, not a fault of the board.
    sim->Ctl("unplug");
    report = Run(TOptions{});
    sim->Ctl("plug");
    EXPECT_EQ(report.tests[0].outcome, Outcome::Error);
    EXPECT_EQ(report.tests[0].message.rfind("link lost while", 0), 0u) << report.tests[0].message;
    for (std::size_t i = 1; i < report.tests.size(); ++i)
        EXPECT_EQ(report.tests[i].message, "link lost") << report.tests[i].name;
    EXPECT_EQ(report.Result(), RunResult::LinkLost);
    EXPECT_EQ(nlohmann::json::parse(JsonReport(report))["tests"][0]["result"], "ERROR");
    const std::string junit = JunitReport(report);
    EXPECT_NE(junit.find("errors=\"1\""), std::string::npos);
    EXPECT_NE(junit.find("<error message=\"link lost while"), std::string::npos);
}

TEST_F(SelfTestOnSimulator, InteractiveTestsAskTheirQuestionsAndWatchTheInputs)
{
    ScriptedPerson person;
    person.onTell = [](const std::string& text) {
        if (text.find("slide switch") != std::string::npos)
            sim->Ctl("set switches 0x3FFFE"); // SW0 stays where it was
        else if (text.find("pushbutton") != std::string::npos)
            sim->Ctl("set keys 0xF");
        else if (text.find("IR remote") != std::string::npos)
            sim->Ctl("ir 0x0F");
    };
    // The red LEDs look wrong; asked one by one, RLED5 stays dark.
    person.answers = {false, true, true, true, true, true, false};
    TOptions options;
    options.interactive = true;
    options.inputBudgetMs = 1000;
    options.only = {"leds", "seg7", "switches", "keys", "ir"};
    const TReport report = Run(options, person);
    sim->Ctl("set switches 0");
    sim->Ctl("set keys 0");
    EXPECT_EQ(Find(report, "leds")->message, "RLED5 does not light");
    EXPECT_EQ(Find(report, "seg7")->outcome, Outcome::Pass);
    EXPECT_EQ(Find(report, "switches")->message, "SW0 never changed");
    EXPECT_EQ(Find(report, "keys")->outcome, Outcome::Pass);
    EXPECT_EQ(Find(report, "ir")->message.rfind("received scan code 0x0F", 0), 0u) << Find(report, "ir")->message;
}
