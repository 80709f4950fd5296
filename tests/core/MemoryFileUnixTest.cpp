// Memory files among what a Unix user keeps: private modes, symbolic links, folders that
// refuse new files, FIFOs. Each case is what a dump or a load must leave behind.
#include "core/DumpFile.h"
#include "core/MemoryFile.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace memory;
using coretest::ReadText;
using coretest::TempFolder;
using coretest::WriteText;

namespace {

constexpr uid_t NOBODY = 65534;

// Runs `body` as a user whom file modes bind: root passes every mode check, so as root
// the paths are given to "nobody" and the body runs in a child process as that user.
// Returns what the body returned.
int AsOrdinaryUser(const std::vector<fs::path>& paths, const std::function<int()>& body)
{
    if (::geteuid() != 0)
        return body();
    for (const fs::path& path : paths)
        if (::lchown(path.c_str(), NOBODY, NOBODY) != 0)
            return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(NOBODY) == 0 && ::setuid(NOBODY) == 0;
        ::_exit(dropped ? body() : 99);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::perms Mode(const fs::path& path) { return fs::status(path).permissions(); }

const std::uint8_t BYTES[] = {0xCA, 0xFE};

} // namespace

TEST(MemoryFilesUnix, DumpKeepsModesAndLinksAndWritesTheirTargets)
{
    TempFolder folder;
    const fs::path file = folder / "private.hex";
    WriteText(file, "old and longer content");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(folder / "sub");
    WriteText(folder / "sub" / "real.bin", "old");
    fs::permissions(folder / "sub" / "real.bin", fs::perms(0640));

    const struct {
        const char* name;
        std::function<void()> make;
        const char* written; // the path that must hold the data afterwards
        fs::perms mode;
    } cases[] = {
        {"private.hex", [] {}, "private.hex", fs::perms(0600)},
        {"link.bin", [&] { fs::create_symlink("sub/real.bin", folder / "link.bin"); }, "sub/real.bin", fs::perms(0640)},
        {"chain.bin", [&] { fs::create_symlink("link.bin", folder / "chain.bin"); }, "sub/real.bin", fs::perms(0640)},
        {"dangling.bin", [&] { fs::create_symlink("sub/new.bin", folder / "dangling.bin"); }, "sub/new.bin",
            Mode(folder / "sub") & fs::perms(0666)},
    };
    for (const auto& c : cases) {
        c.make();
        const bool hex = IsHexFileName(c.name);
        std::string reason;
        ASSERT_EQ(TDumpStatus::Ok, WriteDumpFile(folder / c.name, BYTES, 2, hex, &reason)) << c.name << reason;
        EXPECT_EQ(hex ? "CAFE" : "\xCA\xFE", ReadText(folder / c.written)) << c.name;
        EXPECT_EQ(c.mode & fs::perms(0600), Mode(folder / c.written) & fs::perms(0600)) << c.name;
        if (std::string(c.name) != c.written) {
            EXPECT_TRUE(fs::is_symlink(folder / c.name)) << c.name << " is still a link";
        }
    }
    EXPECT_EQ(fs::perms(0600), Mode(file));
    EXPECT_EQ(fs::perms(0640), Mode(folder / "sub" / "real.bin"));
    EXPECT_EQ(2u, std::distance(fs::directory_iterator(folder / "sub"), fs::directory_iterator())) << "no temporary";
}

// A new dump is as private as the user's umask makes new files (a part file made 0666 and
// given back the bits the umask took would leave every dump writable by everyone); a file
// it replaces keeps its own mode, whatever the umask.
TEST(MemoryFilesUnix, ANewDumpFollowsTheUmaskAReplacedOneKeepsItsMode)
{
    TempFolder folder;
    WriteText(folder / "shared.bin", "old");
    fs::permissions(folder / "shared.bin", fs::perms(0666));
    const struct {
        mode_t umask;
        const char* name;
        fs::perms mode;
    } cases[] = {
        {022, "new.bin", fs::perms(0644)},
        {077, "private.hex", fs::perms(0600)},
        {077, "shared.bin", fs::perms(0666)},
    };
    for (const auto& c : cases) {
        const mode_t before = ::umask(c.umask);
        TDumpFileWriter streamed; // as the command line and Python write, piece by piece
        const TDumpStatus begun = streamed.Begin(folder / c.name, IsHexFileName(c.name));
        const bool written = streamed.Write(BYTES, 2);
        const TDumpStatus committed = streamed.Commit();
        const TDumpStatus whole = WriteDumpFile(folder / (std::string("whole-") + c.name), BYTES, 2, false);
        ::umask(before);
        ASSERT_EQ(TDumpStatus::Ok, begun) << c.name;
        EXPECT_TRUE(written && committed == TDumpStatus::Ok) << c.name;
        EXPECT_EQ(c.mode, Mode(folder / c.name)) << c.name << " under umask 0" << std::oct << c.umask;
        EXPECT_EQ(TDumpStatus::Ok, whole);
        EXPECT_EQ(fs::perms(0666 & ~c.umask), Mode(folder / (std::string("whole-") + c.name)))
            << "a new file, as the window writes it";
    }
}

// Where the folder refuses a new file but the file may be written, the file is written in
// place, and only once the whole range is at hand.
TEST(MemoryFilesUnix, ReadOnlyFolderWritesAWritableFileInPlace)
{
    TempFolder base;
    const fs::path folder = base / "locked";
    fs::create_directory(folder);
    const fs::path target = folder / "d.hex";
    const fs::path readOnly = folder / "r.bin";
    WriteText(target, "a longer old content");
    WriteText(readOnly, "kept");
    fs::permissions(readOnly, fs::perms(0444));
    fs::permissions(target, fs::perms(0600));

    const int outcome = AsOrdinaryUser({folder, target, readOnly}, [&] {
        fs::permissions(folder, fs::perms(0555));
        {
            TDumpFileWriter given;
            if (given.Begin(target, true) != TDumpStatus::Ok || !given.InPlace() || !given.Write(BYTES, 1))
                return 1;
            if (ReadText(target) != "a longer old content")
                return 2; // nothing is written before the range is complete
        }                 // given up
        if (ReadText(target) != "a longer old content")
            return 3;
        TDumpFileWriter writer;
        TDumpSink sink(writer);
        if (writer.Begin(target, true) != TDumpStatus::Ok)
            return 4;
        for (const std::uint8_t& b : BYTES) {
            *sink.Room(1) = b;
            sink.Filled(1);
        }
        if (writer.Commit() != TDumpStatus::Ok || ReadText(target) != "CAFE")
            return 5;
        std::string reason;
        if (WriteDumpFile(readOnly, BYTES, 2, false, &reason) != TDumpStatus::ReadOnly
            || reason != "Permission denied" || ReadText(readOnly) != "kept")
            return 6;
        return 0;
    });
    fs::permissions(folder, fs::perms(0755));
    EXPECT_EQ(0, outcome);
    EXPECT_EQ(2u, std::distance(fs::directory_iterator(folder), fs::directory_iterator())) << "no temporary";
}

// A link another user planted in a shared folder would make a dump (by the victim, or by
// root) replace whatever file it names, and /proc/self/mem calls itself a regular file:
// neither is written, and the file the link names keeps its content.
TEST(MemoryFilesUnix, DumpFollowsNoLinkAnotherUserPlantedAndWritesNoKernelFile)
{
    TempFolder folder;
    const fs::path shared = folder / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms(01777));
    WriteText(folder / "victim", "mine");
    fs::create_symlink(folder / "victim", shared / "planted.bin");
    ASSERT_EQ(0, ::lchown((shared / "planted.bin").c_str(), NOBODY, NOBODY));
    fs::create_symlink(folder / "victim", shared / "own.bin");

    std::string reason;
    EXPECT_EQ(TDumpStatus::UnsafeLink, WriteDumpFile(shared / "planted.bin", BYTES, 2, false, &reason));
    EXPECT_EQ(UNSAFE_LINK_REASON, reason);
    EXPECT_EQ("mine", ReadText(folder / "victim"));
    EXPECT_EQ(TDumpStatus::NotRegular, WriteDumpFile("/proc/self/mem", BYTES, 2, false, &reason));
    EXPECT_EQ(NOT_REGULAR_REASON, reason);
    EXPECT_EQ(TDumpStatus::Ok, WriteDumpFile(shared / "own.bin", BYTES, 2, false)) << "the user's own link is followed";
    EXPECT_EQ("\xCA\xFE", ReadText(folder / "victim"));
}

// As cp: a file the user may not write is replaced only when asked to, and only where its
// folder lets it go; where it cannot, the dump fails before it starts. A file of another
// user's in a sticky folder cannot be replaced, but may be written in place.
TEST(MemoryFilesUnix, AFileTheUserMayNotWriteIsReplacedOnlyWhenAsked)
{
    TempFolder base;
    const fs::path own = base / "own";
    const fs::path sticky = base / "sticky";
    fs::create_directory(own);
    fs::create_directory(sticky);
    fs::permissions(sticky, fs::perms(01777));
    WriteText(own / "ro.bin", "kept");
    fs::permissions(own / "ro.bin", fs::perms(0444));
    for (const char* name : {"theirs.bin", "open.bin"})
        WriteText(sticky / name, "theirs");
    fs::permissions(sticky / "open.bin", fs::perms(0666));
    const struct {
        fs::path file;
        bool replace;
        TDumpStatus status;
        const char* content; // afterwards
    } cases[] = {
        {own / "ro.bin", false, TDumpStatus::ReadOnly, "kept"},
        {own / "ro.bin", true, TDumpStatus::Ok, "CAFE"},
        {sticky / "theirs.bin", true, TDumpStatus::CreateFailed, "theirs"},
        {sticky / "open.bin", false, TDumpStatus::Ok, "CAFE"},
    };
    const int failed = AsOrdinaryUser({own, own / "ro.bin"}, [&] {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            TDumpFileWriter writer;
            TDumpStatus status = writer.Begin(cases[i].file, true, cases[i].replace);
            if (status == TDumpStatus::Ok)
                status = writer.Commit(BYTES, 2);
            if (status != cases[i].status || ReadText(cases[i].file) != cases[i].content)
                return static_cast<int>(i) + 1;
        }
        return 0;
    });
    EXPECT_EQ(0, failed) << "case " << failed;
    EXPECT_EQ(fs::perms(0444), Mode(own / "ro.bin")) << "the replaced file keeps its mode";
    EXPECT_EQ(2u, std::distance(fs::directory_iterator(sticky), fs::directory_iterator())) << "no temporary";
}

// A FIFO would block the window in open() until a writer came; a device or a folder is no
// memory file either. Each is refused, with its reason, before it is opened.
TEST(MemoryFilesUnix, SpecialFilesAreRefusedBeforeTheyAreOpened)
{
    TempFolder folder;
    ASSERT_EQ(0, ::mkfifo((folder / "fifo.hex").c_str(), 0600));
    fs::create_symlink(folder / "fifo.hex", folder / "to-fifo.bin");
    const auto start = std::chrono::steady_clock::now();
    for (const fs::path& path : {folder / "fifo.hex", folder / "to-fifo.bin", fs::path("/dev/zero"), folder / "."}) {
        const TFilePortion portion = ReadFilePortion(path, IsHexFileName(path), true, 0, 100);
        EXPECT_EQ(TLoadStatus::NotRegular, portion.status) << path;
        EXPECT_EQ(NOT_REGULAR_REASON, portion.reason) << path;
        std::string reason;
        EXPECT_EQ(TDumpStatus::NotRegular, WriteDumpFile(path, BYTES, 2, false, &reason)) << path;
        EXPECT_EQ(NOT_REGULAR_REASON, reason);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(fs::is_fifo(folder / "fifo.hex"));

    std::string reason;
    EXPECT_EQ(TDumpStatus::CreateFailed, WriteDumpFile(folder / "none" / "d.bin", BYTES, 2, false, &reason));
    EXPECT_EQ("No such file or directory", reason);
    EXPECT_EQ("No such file or directory", ReadFilePortion(folder / "none.bin", false, true, 0, 9).reason);
}
