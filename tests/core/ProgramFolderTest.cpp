// Where /proc is missing the program cannot tell its own folder; then it loads nothing at
// all, least of all a library planted in the folder it was started from.
#include "board/Jtagport.h"
#include "config/Download.h"
#include "tests/core/CoreTestSupport.h"

#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace coretest;

constexpr int CANNOT_HIDE_PROC = 77;

// In a mount namespace of its own (a user namespace too where root's is refused), with
// an empty /proc: the process's view only, nobody else's.
bool HideProc()
{
    if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return false;
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
        && ::mount("none", "/proc", "tmpfs", 0, nullptr) == 0;
}

// What the child finds, as its exit code: 0 when nothing was loaded and the dialogs said why.
int LoadWithoutProc(const fs::path& planted)
{
    if (!HideProc())
        return CANNOT_HIDE_PROC;
    if (::chdir(planted.c_str()) != 0)
        return 1;
    UserHooks hooks;
    if (!platform::ExecutableFolder().empty())
        return 2;
    const TJtagPort port(0, "");
    const TDownload download;
    if (port.IsLoaded() || download.IsLoaded())
        return 3;
    if (hooks.dialogs.size() != 2)
        return 4;
    for (const std::string& dialog : hooks.dialogs)
        if (dialog.find(platform::PROGRAM_FOLDER_UNKNOWN) == std::string::npos)
            return 5;
    return 0;
}

} // namespace

TEST(ProgramFolder, WithoutProcNothingIsLoadedFromTheCurrentFolder)
{
    TempFolder planted;
    fs::copy_file(FakeJtagDir() + "QELVANO_JTAG.DLL", planted / "QELVANO_JTAG.DLL");
    fs::copy_file(FakeDownloadDir() + "QELVANO_DOWNLOAD.DLL", planted / "QELVANO_DOWNLOAD.DLL");
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(LoadWithoutProc(planted / ""));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == CANNOT_HIDE_PROC)
        GTEST_SKIP() << "this system lets no process hide /proc from itself";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
