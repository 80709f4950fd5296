// The JSON of every command that prints data against the keys docs/command-line.md
// promises scripts: each documented command is run and its keys compared, and every
// data command has its row.
#include "CliHarness.h"
#include "cli/JsonText.h"

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

using clitest::CliTest;
using nlohmann::json;

namespace {

struct TDocumentedKeys {
    std::string command;
    std::string object; // "" for the object itself, "name" or "name[]" for one inside it
    std::set<std::string> keys;
};

// The rows "| `COMMAND` | OBJECT | `key`, `key` |" of the JSON table; OBJECT `[]` is each
// item of a list.
std::vector<TDocumentedKeys> DocumentedKeys()
{
    std::ifstream file(VX5H_COMMAND_LINE_DOC);
    std::stringstream text;
    text << file.rdbuf();
    std::vector<TDocumentedKeys> rows;
    const std::regex row(R"(^\| `([^`]*--json[^`]*)` \| ([^|]*) \| (.*) \|$)");
    const std::regex key("`([a-z_]+)`");
    std::string line;
    while (std::getline(text, line)) {
        std::smatch match;
        if (!std::regex_match(line, match, row))
            continue;
        TDocumentedKeys documented{match[1], match[2], {}};
        if (documented.object.front() == '`')
            documented.object = documented.object.substr(1, documented.object.find('`', 1) - 1);
        else
            documented.object.clear();
        const std::string keys = match[3];
        for (std::sregex_iterator k(keys.begin(), keys.end(), key), end; k != end; ++k)
            documented.keys.insert((*k)[1]);
        rows.push_back(documented);
    }
    return rows;
}

// What the receivers need to have something to print, and how a watch is ended.
std::string During(const std::string& command)
{
    std::string during = command.rfind("ir", 0) == 0 ? "CTL ir 0x05" : command.rfind("rs232", 0) == 0 ? "CTL rs232 hi" : "";
    if (command.find("--watch") != std::string::npos)
        during += std::string(during.empty() ? "" : "; ") + "sleep 0.3; kill -INT $PID";
    return during;
}

TEST_F(CliTest, EveryDataCommandsJsonHasTheDocumentedKeys)
{
    sim->Ctl("hsmc adapter");
    const std::vector<TDocumentedKeys> rows = DocumentedKeys();
    std::map<std::string, json> outputs;
    std::set<std::string> commands;
    for (const TDocumentedKeys& row : rows) {
        SCOPED_TRACE(row.command + " " + row.object);
        if (!outputs.count(row.command)) {
            const std::string during = During(row.command);
            const clitest::TRun run = during.empty()
                ? clitest::Vx5h(row.command)
                : clitest::Vx5hWhile(row.command, 500, clitest::WithSimControl(during, *sim));
            ASSERT_EQ(run.code, 0) << run.err;
            outputs[row.command] = json::parse(run.out.substr(0, run.out.find('\n')));
        }
        json object = outputs[row.command];
        if (row.object == "[]")
            object = object.at(0);
        else if (row.object.size() > 2 && row.object.substr(row.object.size() - 2) == "[]")
            object = object.at(row.object.substr(0, row.object.size() - 2)).at(0);
        else if (!row.object.empty())
            object = object.at(row.object);
        std::set<std::string> keys;
        for (const auto& item : object.items())
            keys.insert(item.key());
        EXPECT_EQ(keys, row.keys);
        commands.insert(row.command.substr(0, row.command.find(" -")));
    }
    for (const char* command : {"info", "switches", "keys", "gsensor", "ir", "rs232 receive", "mem read sdram 0 10",
             "vga", "sd", "hsmc", "doctor", "selftest", "boards"})
        EXPECT_TRUE(commands.count(command)) << command << " has no documented keys";
}

// JSON must be UTF-8, names need not be: each byte that is no part of a UTF-8 character
// (Latin-1, an overlong form, a surrogate, beyond U+10FFFF, a cut sequence) is written as
// \xHH, in keys and values at any depth, and UTF-8 comes through unchanged.
TEST(JsonText, BytesThatAreNotUtf8AreEscapedAndUtf8PassesUnchanged)
{
    const struct {
        std::string name;
        std::string json; // as the JSON text spells it
    } cases[] = {
        {"sim-\xe9", R"(sim-\\xe9)"},
        {"\xc3\xa9 \xf0\x9f\x98\x80 \xef\xbf\xbf", "\xc3\xa9 \xf0\x9f\x98\x80 \xef\xbf\xbf"},
        {"\xc0\x80", R"(\\xc0\\x80)"},
        {"\xed\xa0\x80", R"(\\xed\\xa0\\x80)"},
        {"\xf4\x90\x80\x80", R"(\\xf4\\x90\\x80\\x80)"},
        {"\xe2\x82"
         "a\xe2\x82",
            R"(\\xe2\\x82a\\xe2\\x82)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cli::JsonText(json{{c.name, {{"cable", c.name}, {"n", 1}}}}),
            "{\"" + c.json + "\":{\"cable\":\"" + c.json + "\",\"n\":1}}");
}

// A cable whose name is Latin-1 costs neither the JSON of the other boards nor the name in
// the text.
TEST_F(CliTest, ACableNameThatIsNotUtf8KeepsEveryBoardsJson)
{
    const std::string cables = "--cable \"sim,$(printf 'lab\\351')\" ";
    const clitest::TRun run = clitest::Vx5h(cables + "--json info");
    EXPECT_EQ(run.code, 4) << run.err;
    const json all = json::parse(run.out);
    EXPECT_EQ(all.at("sim").at("result").at("board"), "VX5h-260") << run.out;
    EXPECT_EQ(all.at("lab\\xe9").at("exit"), 4) << run.out;
    EXPECT_NE(clitest::Vx5h(cables + "info").out.find("== lab\\xe9 (exit 4) =="), std::string::npos);
}

} // namespace
