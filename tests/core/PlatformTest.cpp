// The platform layer where the systems differ: what loads, the single-instance lock as a
// second process sees it, the clock, and folders named beyond ASCII.
#include "board/Jtagport.h"
#include "config/Download.h"
#include "platform/BoundedCall.h"
#include "platform/InstanceLock.h"
#include "tests/core/CoreTestSupport.h"
#include "tests/core/FakeDownloadState.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <thread>

using namespace coretest;

namespace {

const std::string JTAG = "QELVANO_JTAG.DLL";
const std::string DOWNLOAD = "QELVANO_DOWNLOAD.DLL";

// A name no other test run or running panel uses.
std::string UniqueLockName()
{
    std::random_device random;
    return "VX5H_CORE_TEST_" + std::to_string(random()) + "_" + std::to_string(random());
}

int ProbeLock(const std::string& name)
{
    return RunProgram(platform::ExecutableFolder() + INSTANCE_PROBE_FILE, {name}, 30000);
}

} // namespace

TEST(DynamicLibraryLoading, OnlyTheNamedFileLoadsWhateverLiesInTheCurrentFolder)
{
    WorkingDirectoryGuard guard;
    ASSERT_TRUE(platform::SetCurrentDirectory(FakeJtagDir())); // a library the loader could find here
    std::string error;
    EXPECT_EQ(platform::DynamicLibrary::Load(JTAG, &error), nullptr);
    EXPECT_NE(error.find("not a full path"), std::string::npos) << error;

    error.clear();
    EXPECT_EQ(platform::DynamicLibrary::Load(EmptyDir() + JTAG, &error), nullptr);
    EXPECT_FALSE(error.empty());

    auto library = platform::DynamicLibrary::Load(FakeJtagDir() + JTAG, &error);
    ASSERT_NE(library, nullptr) << error;
    EXPECT_NE(library->Resolve("QELVANO_JtagOpen"), nullptr);
    EXPECT_EQ(library->Resolve("QELVANO_NoSuchEntry"), nullptr);
}

TEST(DynamicLibraryLoading, APortInAProgramFolderWithoutTheLibraryFindsNoneElsewhere)
{
    WorkingDirectoryGuard guard;
    UserHooks hooks;
    ASSERT_TRUE(platform::SetCurrentDirectory(FakeJtagDir()));
    platform::OverrideExecutableFolder(EmptyDir());
    TJtagPort port(0, "");
    platform::OverrideExecutableFolder(std::nullopt);
    EXPECT_FALSE(port.IsLoaded());
    EXPECT_EQ(hooks.dialogs, std::vector<std::string>{"fail to load dll - " + EmptyDir() + JTAG});
}

TEST(ProgramFolder, IsTheFolderOfTheRunningProgram)
{
    const std::string folder = platform::ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), platform::PathSeparator());
    EXPECT_TRUE(platform::FileExists(folder + INSTANCE_PROBE_FILE)) << folder;
    EXPECT_FALSE(platform::FileExists(folder + "no-such-file"));
    EXPECT_FALSE(platform::FileExists(EmptyDir())) << "a folder is no file";
}

TEST(SingleInstance, ASecondProcessSeesTheLockUntilTheFirstLetsGo)
{
    using Outcome = platform::InstanceLock::Outcome;
    const std::string name = UniqueLockName();
    ASSERT_EQ(ProbeLock(name), 0) << "nobody holds it yet, and a process that ends lets go";
    auto first = platform::InstanceLock::Acquire(name);
    ASSERT_EQ(first.outcome, Outcome::Taken) << first.error;
    ASSERT_NE(first.lock, nullptr);
    EXPECT_EQ(ProbeLock(name), 1);
    const auto again = platform::InstanceLock::Acquire(name);
    EXPECT_EQ(again.outcome, Outcome::HeldElsewhere) << "nor a second take in the same process";
    EXPECT_EQ(again.lock, nullptr);
    first.lock.reset();
    EXPECT_EQ(ProbeLock(name), 0);
}

// A call with no time limit of its own (a name lookup) costs its caller the budget at
// most; what it gives after that is disposed of, not leaked; one in time gives its result.
TEST(BoundedCall, ACallBeyondItsBudgetIsGivenUpAndItsResultDisposedOf)
{
    const auto disposed = std::make_shared<std::atomic<int>>(0);
    const auto start = std::chrono::steady_clock::now();
    const std::optional<int> late = platform::CallWithin<int>(
        50,
        [] {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            return 7;
        },
        [disposed](int& value) { *disposed = value; });
    EXPECT_FALSE(late);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    for (int i = 0; i < 200 && *disposed == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(*disposed, 7);
    EXPECT_EQ(platform::CallWithin<int>(
                  1000, [] { return 5; }, [](int&) {}),
        std::optional<int>(5));
}

TEST(SystemClock, TheTickFollowsRealTime)
{
    const std::uint32_t start = platform::TickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    const std::uint32_t elapsed = platform::TicksSince(start);
    EXPECT_GE(elapsed, 40u); // coarse system ticks run in steps of up to 16 ms
    EXPECT_LT(elapsed, 5000u);
}

// A program folder and a tools installation whose names have spaces, accents, Greek and
// Chinese in them, each holding copies of the fakes the program looks for.
class NonAsciiFolders : public ::testing::Test {
protected:
    // "Programm Ordner ü Ω 板", written as UTF-8 bytes so that no compiler's idea of the
    // source's character set matters.
    const std::string program = TestFolder("Programm Ordner \xC3\xBC \xCE\xA9 \xE6\x9D\xBF");
    const std::string toolsRoot = TestFolder("Quartus \xC3\xA9t\xC3\xA9 21.1");
    const std::string image = program + "VX5h_260_ControlPanel.sof";

    void SetUp() override
    {
        TearDown();
        std::filesystem::create_directories(PathOf(program));
        std::filesystem::create_directories(PathOf(toolsRoot + "bin"));
        std::filesystem::copy_file(PathOf(FakeJtagDir() + JTAG), PathOf(program + JTAG));
        std::filesystem::copy_file(PathOf(FakeDownloadDir() + DOWNLOAD), PathOf(program + DOWNLOAD));
        std::ofstream(PathOf(image)) << "image";
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(PathOf(program), ec);
        std::filesystem::remove_all(PathOf(toolsRoot), ec);
    }
};

TEST_F(NonAsciiFolders, TheProgramLoadsOpensAndConfiguresThere)
{
    WorkingDirectoryGuard guard;
    UserHooks hooks;
    if (!SetToolsRoot(toolsRoot))
        GTEST_SKIP() << "this user may not record the programmer tools' installation";
    {
        auto fake = FakeJtag(program);
        ASSERT_TRUE(fake.Ready());
        TJtagPort port(0, "");
        ASSERT_TRUE(port.IsLoaded());
        const std::string current = platform::CurrentDirectory();
        ASSERT_TRUE(port.Open());
        EXPECT_TRUE(SameFolder(fake->cwdAtOpen, current)) << fake->cwdAtOpen;
        EXPECT_TRUE(SameFolder(platform::CurrentDirectory(), current)) << platform::CurrentDirectory();
        EXPECT_TRUE(platform::FileExists(image));
    }
    {
        auto fake = FakeLibrary<FakeDownloadState>(program, DOWNLOAD.c_str(), "FakeDownload_State");
        ASSERT_TRUE(fake.Ready());
        TDownload download;
        ASSERT_TRUE(download.IsLoaded());
        EXPECT_TRUE(download.DownloadImage(image, 20000, 0, 0, 0, 0, 1));
        EXPECT_TRUE(fake->pathOpens) << "the library opens the image by the path it was given: " << fake->path;
    }
    EXPECT_TRUE(hooks.dialogs.empty());

    std::filesystem::remove(PathOf(program + JTAG));
    platform::OverrideExecutableFolder(program);
    TJtagPort missing(0, "");
    platform::OverrideExecutableFolder(std::nullopt);
    EXPECT_EQ(hooks.dialogs, std::vector<std::string>{"fail to load dll - " + program + JTAG});
}
