#pragma once

#include "cli/ManyBoards.h"
#include "platform/Process.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The vx5h of each board of a --cable all run: started side by side, each within its
// budget, shown as one live line per board on a terminal, stopped together on Ctrl-C,
// and reported one block (or one JSON object) per cable with the worst exit code.
namespace cli {

struct TBoardRun {
    std::string cable;
    // The cable's name as the terminal is shown it: a remote server's name may hold escape
    // sequences (trace::PrintableText).
    std::string shown;
    std::string junitPart; // where this board's vx5h writes its JUnit report, if asked
    platform::TProgramRun run;
    int exitCode = 0;
    std::uint32_t elapsedMs = 0;
    std::atomic<bool> done{false};
};

class TBoardRuns {
public:
    explicit TBoardRuns(const TManyBoards& asked);
    ~TBoardRuns();
    TBoardRuns(const TBoardRuns&) = delete;
    TBoardRuns& operator=(const TBoardRuns&) = delete;

    // Runs every board's work to its end (or its budget, or Ctrl-C and the grace after).
    void Run();
    // Prints the per-board blocks or the JSON object, writes the JUnit file asked for;
    // the worst exit code.
    int Report();

private:
    void RunOne(TBoardRun& board);
    void DrawLines(bool first);
    bool WriteJunit() const;
    std::string JunitPart(std::size_t index) const;

    const TManyBoards& m_Asked;
    std::vector<std::unique_ptr<TBoardRun>> m_Boards;
    std::string m_Program;
    std::uint32_t m_BudgetMs;
    std::string m_Junit; // the JUnit file asked for; empty for none
    bool m_Json = false;
    bool m_Live = false;
    std::atomic<bool> m_Stop{false};
    std::atomic<bool> m_KillNow{false};
    std::uint32_t m_Start = 0;
};

// A JUnit report of one board, its suite named by host and cable, for the file of all.
std::string JunitSuiteOf(const std::string& report, const std::string& host, const std::string& cable);

} // namespace cli
