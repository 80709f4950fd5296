// The texts of the progress line.
#include "cli/ProgressLine.h"

#include <gtest/gtest.h>

namespace {

struct TLine {
    std::uint64_t done, total;
    std::uint32_t elapsedMs;
    cli::TUnit unit;
    const char* text;
};

TEST(ProgressLine, ShowsPercentAmountRateAndTimeLeft)
{
    const TLine lines[] = {
        {0, 1048576, 0, cli::TUnit::Bytes, "  0%  0 B of 1.0 MB  0.0 MB/s"},
        {512, 2048, 1000, cli::TUnit::Bytes, " 25%  512 B of 2.0 KB  0.0 MB/s  0:03 left"},
        {64u << 20, 128u << 20, 800, cli::TUnit::Bytes, " 50%  64.0 MB of 128.0 MB  80.0 MB/s  0:01 left"},
        {1u << 20, 128u << 20, 1000, cli::TUnit::Bytes, "  0%  1.0 MB of 128.0 MB  1.0 MB/s  2:07 left"},
        {1u << 20, 4096ull << 20, 1000, cli::TUnit::Bytes, "  0%  1.0 MB of 4096.0 MB  1.0 MB/s  1:08:15 left"},
        {128u << 20, 128u << 20, 1600, cli::TUnit::Bytes, "100%  128.0 MB of 128.0 MB  80.0 MB/s"},
        {3, 128, 1500, cli::TUnit::Blocks, "  2%  3 of 128 blocks  1:03 left"},
        {0, 1, 0, cli::TUnit::Blocks, "  0%  0 of 1 block"},
    };
    for (const TLine& line : lines)
        EXPECT_EQ(cli::ProgressText(line.done, line.total, line.elapsedMs, line.unit), line.text);
}

TEST(ProgressLine, SummarySaysElapsedTimeAndThroughput)
{
    EXPECT_EQ(cli::SummaryText(128u << 20, 1600, cli::TUnit::Bytes), "128.0 MB in 1.60 s, 80.0 MB/s");
    EXPECT_EQ(cli::SummaryText(100, 0, cli::TUnit::Bytes), "100 B in 0.00 s, 0.0 MB/s");
    EXPECT_EQ(cli::SummaryText(128, 64000, cli::TUnit::Blocks), "128 blocks in 64.00 s");
}

} // namespace
