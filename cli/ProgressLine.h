#pragma once

#include "core/MemoryTransfer.h"

#include <cstdint>
#include <string>
#include <vector>

// The progress of long work as one line on standard error, rewritten in place: percent,
// amount, rate and time left, then the elapsed time and the throughput at the end. Only
// on a terminal and without --quiet; elsewhere it stays silent and only counts. Ctrl-C
// asks the work to stop at its next step.
namespace cli {

enum class TUnit { Bytes, Blocks };

// "57.6 MB", "512 B", "1.5 KB".
std::string AmountText(std::uint64_t bytes);
// " 45%  57.6 MB of 128.0 MB  85.3 MB/s  0:01 left"; blocks count without a rate.
std::string ProgressText(std::uint64_t done, std::uint64_t total, std::uint32_t elapsedMs, TUnit unit);
// "128.0 MB in 1.50 s, 85.3 MB/s"; blocks: "128 blocks in 1.50 s".
std::string SummaryText(std::uint64_t done, std::uint32_t elapsedMs, TUnit unit);

class TProgressLine final : public memory::ITransferProgress {
public:
    TProgressLine(bool shown, TUnit unit = TUnit::Bytes);
    void Advance(std::uint64_t done, std::uint64_t total) override;
    bool AbortRequested() override;
    // Starts the next step of one job on the same line ("erase: ...", then "program:
    // ..."): its counts start again, and the summary tells every step.
    void NextStep(const std::string& label, TUnit unit);
    // Ends the line; with `completed` the summary replaces it, with the packets that had
    // to be sent again.
    void Finish(bool completed, std::uint32_t retried = 0);

private:
    void Draw(const std::string& text);
    std::string Labelled(const std::string& text) const;

    bool m_Shown;
    TUnit m_Unit;
    std::string m_Label;
    std::vector<std::string> m_Finished; // the summaries of the earlier steps
    std::uint32_t m_Start;
    std::uint32_t m_LastDraw = 0;
    bool m_Drawn = false;
    std::uint64_t m_Done = 0;
    std::uint64_t m_Total = 0;
};

} // namespace cli
