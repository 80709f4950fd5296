#include "config/Download.h"
#include "tests/core/CoreTestSupport.h"
#include "tests/core/FakeDownloadState.h"

#include <atomic>
#include <thread>

using namespace coretest;

namespace {

FakeLibrary<FakeDownloadState> FakeDownload(const std::string& folder = FakeDownloadDir())
{
    return FakeLibrary<FakeDownloadState>(folder, "QELVANO_DOWNLOAD.DLL", "FakeDownload_State");
}

} // namespace

TEST(Download, MissingLibraryShowsFullPathAndDoesNothing)
{
    UserHooks hooks;
    platform::OverrideExecutableFolder(EmptyDir());
    TDownload download;
    platform::OverrideExecutableFolder(std::nullopt);
    EXPECT_EQ(hooks.dialogs, std::vector<std::string>{"fail to load dll - " + EmptyDir() + "QELVANO_DOWNLOAD.DLL"});
    EXPECT_FALSE(download.IsLoaded());
    EXPECT_EQ(download.GetQuartusVersion(), 0.0);
    EXPECT_FALSE(download.DownloadImage("image.sof", 20000, 0, 0, 0, 0, 1));
}

TEST(Download, LibraryLackingOneNameIsRefusedAndNeverCalled)
{
    UserHooks hooks;
    auto fake = FakeDownload(FakeDownloadIncompleteDir());
    ASSERT_TRUE(fake.Ready());
    TDownload download;
    EXPECT_EQ(
        hooks.dialogs, std::vector<std::string>{"load QELVANO_DOWNLOAD.DLL fail. Cannot find all of desired API"});
    EXPECT_FALSE(download.IsLoaded());
    EXPECT_EQ(download.GetQuartusVersion(), 0.0);
    EXPECT_FALSE(download.DownloadImage("image.sof", 20000, 0, 0, 0, 0, 1));
    EXPECT_EQ(fake->versionCalls + fake->downloadCalls, 0);
}

TEST(Download, RefusedLibraryIsNotKeptLoaded)
{
    UserHooks hooks;
    platform::OverrideExecutableFolder(FakeDownloadIncompleteDir());
    TDownload download;
    platform::OverrideExecutableFolder(std::nullopt);
    EXPECT_FALSE(download.IsLoaded());
    EXPECT_FALSE(LibraryIsLoaded(FakeDownloadIncompleteDir() + "QELVANO_DOWNLOAD.DLL"));
}

TEST(Download, CompleteLibraryForwardsVersionAndArguments)
{
    UserHooks hooks;
    auto fake = FakeDownload();
    ASSERT_TRUE(fake.Ready());
    TDownload download;
    EXPECT_TRUE(hooks.dialogs.empty());
    ASSERT_TRUE(download.IsLoaded());

    fake->version = 13.1;
    EXPECT_EQ(download.GetQuartusVersion(), 13.1);
    fake->version = 0.0;
    EXPECT_EQ(download.GetQuartusVersion(), 0.0);

    EXPECT_TRUE(download.DownloadImage("/opt/panel/VX5h_260_ControlPanel.sof", 20000, 7, -3, 4, 9, 1));
    EXPECT_EQ(fake->path, "/opt/panel/VX5h_260_ControlPanel.sof");
    EXPECT_EQ(fake->time, 20000);
    EXPECT_EQ(fake->a, 7);
    EXPECT_EQ(fake->b, -3);
    EXPECT_EQ(fake->c, 4);
    EXPECT_EQ(fake->d, 9);
    EXPECT_EQ(fake->e, 1);

    EXPECT_TRUE(download.DownloadImage("", 20000, 0, 0, 0, 0, 1));
    EXPECT_FALSE(fake->pathNull);
}

TEST(Download, OnlyTheLowEightBitsOfTheResultCount)
{
    auto fake = FakeDownload();
    ASSERT_TRUE(fake.Ready());
    TDownload download;
    fake->downloadResult = 256;
    EXPECT_FALSE(download.DownloadImage("a.sof", 20000, 0, 0, 0, 0, 1));
    fake->downloadResult = 0;
    EXPECT_FALSE(download.DownloadImage("a.sof", 20000, 0, 0, 0, 0, 1));
    fake->downloadResult = 0x101;
    EXPECT_TRUE(download.DownloadImage("a.sof", 20000, 0, 0, 0, 0, 1));
    fake->downloadResult = -256;
    EXPECT_FALSE(download.DownloadImage("a.sof", 20000, 0, 0, 0, 0, 1));
}

TEST(Download, RunsOnAWorkerThread)
{
    auto fake = FakeDownload();
    ASSERT_TRUE(fake.Ready());
    TDownload download;
    std::atomic<bool> result{false};
    std::thread worker([&] { result = download.DownloadImage("w.sof", 20000, 0, 0, 0, 0, 1); });
    worker.join();
    EXPECT_TRUE(result);
    EXPECT_EQ(fake->downloadCalls, 1);
}
