// Memory files when the disk refuses part of a write. A file size limit stands in for a
// full disk; Unix has one per process, so this test runs there only.
#include "core/DumpFile.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;
using namespace memory;
using coretest::ReadText;
using coretest::TempFolder;
using coretest::WriteText;

TEST(MemoryFiles, FailedDumpKeepsTheExistingFile)
{
    TempFolder folder;
    const fs::path target = folder / "precious.hex";
    WriteText(target, "0011");
    // A file size limit makes the write fail part way, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limited));
    std::vector<std::uint8_t> big(256 * 1024, 0x5A);
    const TDumpStatus status = WriteDumpFile(target, big.data(), big.size(), true);
    setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_EQ(TDumpStatus::ShortWrite, status);
    EXPECT_EQ("0011", ReadText(target));
    EXPECT_EQ(1u, folder.FileCount()); // the temporary file is gone
}
