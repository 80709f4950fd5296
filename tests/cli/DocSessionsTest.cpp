// The worked sessions of the docs, run as a user types them, against a simulator of the
// test's own, and compared with what the docs show.
//
// A session is a block of "$ COMMAND" lines, each followed by what it prints (standard
// output and standard error as a terminal shows them) and, where the doc says so, its
// "(exit N)". In a Markdown file the block is the fenced one after a line
// "<!-- session -->"; docs/lab-session.txt is one session from its first "$ " on. The
// commands run in one shell per block, in a fresh folder (with `build` leading to the
// build's program folder, and that folder first on PATH), blocks of a file one after
// another in the same folder and on the same simulator.
//
// What differs from run to run is compared as any value, on both sides alike (see
// VARIABLE below): times and rates (a number with a decimal point before s, ms or MB/s,
// or any number of ms), time_s columns, the start time and host of a report, a pid; and runs of blanks count as
// one. VX5H_REFRESH_DOCS=1 writes what the commands printed into the docs instead of
// comparing (the host as "labpc"): after a change of an output, refresh, then read the diff.
#include "CliHarness.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct TCommand {
    std::string line;                  // without its "$ "
    std::vector<std::string> expected; // the lines the doc shows after it
    bool exitShown = false;            // the doc ends them with "(exit N)"
};

struct TSession {
    std::size_t first = 0, end = 0; // the block's lines in the file: [first, end)
    std::vector<TCommand> commands;
};

struct TRunResult {
    std::string output;
    int code = 0;
};

const std::regex EXIT_LINE(R"(^\(exit (\d+)\)$)");

std::vector<std::string> ReadLines(const fs::path& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void WriteLines(const fs::path& path, const std::vector<std::string>& lines)
{
    std::ofstream out(path, std::ios::trunc);
    for (const std::string& line : lines)
        out << line << '\n';
}

std::vector<TCommand> CommandsOf(const std::vector<std::string>& lines, std::size_t first, std::size_t end)
{
    std::vector<TCommand> commands;
    for (std::size_t i = first; i < end; ++i) {
        if (lines[i].rfind("$ ", 0) == 0)
            commands.push_back({lines[i].substr(2), {}, false});
        else if (!commands.empty())
            commands.back().expected.push_back(lines[i]);
    }
    for (TCommand& command : commands)
        if (!command.expected.empty() && std::regex_match(command.expected.back(), EXIT_LINE))
            command.exitShown = true;
    return commands;
}

// The fenced blocks after "<!-- session -->" of a Markdown file; the whole of a text file.
std::vector<TSession> SessionsOf(const fs::path& path, const std::vector<std::string>& lines)
{
    std::vector<TSession> sessions;
    if (path.extension() != ".md") {
        std::size_t first = 0;
        while (first < lines.size() && lines[first].rfind("$ ", 0) != 0)
            ++first;
        sessions.push_back({first, lines.size(), CommandsOf(lines, first, lines.size())});
        return sessions;
    }
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] != "<!-- session -->" || lines[i + 1].rfind("```", 0) != 0)
            continue;
        std::size_t end = i + 2;
        while (end < lines.size() && lines[end].rfind("```", 0) != 0)
            ++end;
        sessions.push_back({i + 2, end, CommandsOf(lines, i + 2, end)});
    }
    return sessions;
}

// The parts that differ from run to run, each replaced by '#', then runs of blanks made one.
std::string Variable(std::string text)
{
    static const std::pair<std::regex, const char*> VARIABLE[] = {
        {std::regex(R"(\d+\.\d+( ?)(s|ms|MB/s|KB/s|sec)\b)"), "#$1$2"},
        {std::regex(R"(\d+ ms\b)"), "# ms"},
        {std::regex(R"((^|\n)\d+\.\d+,)"), "$1#,"},
        {std::regex(R"("time_s":[0-9.]+)"), "\"time_s\":#"},
        {std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)"), "#"},
        {std::regex(R"(host [^,\n]+)"), "host #"},
        {std::regex(R"(pid \d+)"), "pid #"},
        {std::regex(R"( +)"), " "},
    };
    for (const auto& [pattern, replacement] : VARIABLE)
        text = std::regex_replace(text, pattern, replacement);
    return text;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::string HostName()
{
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

class DocSessions : public clitest::CliTest {
protected:
    void SetUp() override
    {
        if (boards > 1)
            ::setenv("VX5H_SIM_BOARDS", std::to_string(boards).c_str(), 1);
        CliTest::SetUp();
        ::unsetenv("VX5H_SIM_BOARDS");
        m_Folder = fs::temp_directory_path() / ("vx5h-doc-" + std::to_string(::getpid()));
        fs::remove_all(m_Folder);
        fs::create_directories(m_Folder);
        fs::create_directory_symlink(fs::path(testsupport::SimulatedBoard::BinFolder()).parent_path().parent_path(),
            m_Folder / "build");
    }
    void TearDown() override
    {
        fs::remove_all(m_Folder);
        CliTest::TearDown();
    }

    // Runs every session of the doc and compares (or, asked to, refreshes) its output.
    void RunDoc(const std::string& relative)
    {
        const fs::path path = fs::path(VX5H_SOURCE_DIR) / relative;
        std::vector<std::string> lines = ReadLines(path);
        const std::vector<TSession> sessions = SessionsOf(path, lines);
        ASSERT_FALSE(sessions.empty()) << relative << " has no session";
        const bool refresh = std::getenv("VX5H_REFRESH_DOCS") != nullptr;
        std::vector<std::vector<std::string>> blocks;
        for (const TSession& session : sessions) {
            const std::vector<TRunResult> results = RunSession(session);
            ASSERT_EQ(results.size(), session.commands.size()) << relative << " line " << session.first + 1;
            std::vector<std::string> block;
            for (std::size_t i = 0; i < results.size(); ++i) {
                const TCommand& command = session.commands[i];
                std::vector<std::string> expected = command.expected;
                if (command.exitShown) {
                    std::smatch match;
                    std::regex_match(expected.back(), match, EXIT_LINE);
                    if (!refresh) {
                        EXPECT_EQ(results[i].code, std::stoi(match[1])) << relative << ": $ " << command.line;
                    }
                    expected.pop_back();
                }
                if (!refresh) {
                    EXPECT_EQ(Variable(results[i].output), Variable(Joined(expected)))
                        << relative << ": $ " << command.line;
                }
                block.push_back("$ " + command.line);
                std::istringstream output(results[i].output);
                for (std::string line; std::getline(output, line);)
                    block.push_back(std::regex_replace(line, std::regex("host " + HostName()), "host labpc"));
                if (command.exitShown)
                    block.push_back("(exit " + std::to_string(results[i].code) + ")");
            }
            blocks.push_back(block);
        }
        if (!refresh)
            return;
        for (std::size_t s = sessions.size(); s-- > 0;) {
            lines.erase(lines.begin() + sessions[s].first, lines.begin() + sessions[s].end);
            lines.insert(lines.begin() + sessions[s].first, blocks[s].begin(), blocks[s].end());
        }
        WriteLines(path, lines);
    }

    int boards = 1;

private:
    // One shell for the block: each command's output, both streams as a terminal shows
    // them (line by line), then a separator and its exit code.
    std::vector<TRunResult> RunSession(const TSession& session) const
    {
        const fs::path script = m_Folder / ".session.sh";
        {
            std::ofstream out(script);
            out << "cd '" << m_Folder.string() << "' || exit 99\n";
            for (const TCommand& command : session.commands)
                // The next command's $? is still this one's.
                out << command.line << "\nstatus=$?; printf '\\036%d\\n' \"$status\"; (exit $status)\n";
        }
        const std::string bin = testsupport::SimulatedBoard::BinFolder();
        // Standard output line by line, as on a terminal, so that it keeps its place
        // among the lines of standard error (coreutils' stdbuf, for every program run).
        const char* lineBuffer = "/usr/libexec/coreutils/libstdbuf.so";
        const std::string lines
            = fs::exists(lineBuffer) ? std::string("_STDBUF_O=L _STDBUF_E=0 LD_PRELOAD=") + lineBuffer + " " : "";
        const std::string shell = "env -u QUARTUS_ROOTDIR -u VX5H_CABLE -u VX5H_TRACE PATH='" + bin + "':\"$PATH\" "
            + lines + "timeout 600 bash '" + script.string() + "' 2>&1";
        const std::string all = testsupport::RunCommand(shell);
        std::vector<TRunResult> results;
        std::size_t from = 0;
        for (std::size_t at; (at = all.find('\036', from)) != std::string::npos;) {
            const std::size_t end = all.find('\n', at);
            results.push_back({all.substr(from, at - from), std::atoi(all.c_str() + at + 1)});
            from = end == std::string::npos ? all.size() : end + 1;
        }
        return results;
    }

    fs::path m_Folder;
};

TEST_F(DocSessions, TheCommandLineGuidesSessionsPrintWhatItShows) { RunDoc("docs/command-line.md"); }

TEST_F(DocSessions, TheReadmesSimulatorSessionPrintsWhatItShows) { RunDoc("README.md"); }

class LabDocSession : public DocSessions {
protected:
    LabDocSession()
    {
        boards = 8;
        configured = false;
    }
};

TEST_F(LabDocSession, TheLabSessionPrintsWhatItShows) { RunDoc("docs/lab-session.txt"); }

} // namespace
