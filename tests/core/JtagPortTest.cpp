#include "board/Jtagport.h"
#include "tests/core/CoreTestSupport.h"

using namespace coretest;

namespace {

class JtagPortTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fake.Ready()); }
    SteppingClock clock;
    UserHooks hooks;
    FakeLibrary<FakeJtagState> fake = FakeJtag();
};

} // namespace

TEST(JtagPortLoading, MissingLibraryShowsFullPathAndCannotOpen)
{
    UserHooks hooks;
    platform::OverrideExecutableFolder(EmptyDir());
    TJtagPort port(0, "");
    platform::OverrideExecutableFolder(std::nullopt);

    ASSERT_EQ(hooks.dialogs.size(), 1u);
    EXPECT_EQ(hooks.dialogs[0], "fail to load dll - " + EmptyDir() + "QELVANO_JTAG.DLL");
    EXPECT_FALSE(port.IsLoaded());
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    std::uint8_t byte = 0;
    EXPECT_FALSE(port.Write(&byte, 1));
    EXPECT_EQ(port.Read(&byte, 1, 100), 0);
}

TEST(JtagPortLoading, LibraryMissingAnEntryPointIsReleasedAndNeverOpened)
{
    UserHooks hooks;
    auto fake = FakeJtag(FakeJtagIncompleteDir());
    ASSERT_TRUE(fake.Ready());
    TJtagPort port(0, "");

    EXPECT_EQ(hooks.dialogs, std::vector<std::string>{"fail to find some API"});
    EXPECT_FALSE(port.IsLoaded());
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(fake->openCalls, 0);
}

TEST(JtagPortLoading, RefusedLibraryIsNotKeptLoaded)
{
    UserHooks hooks;
    platform::OverrideExecutableFolder(FakeJtagIncompleteDir());
    TJtagPort port(0, "");
    platform::OverrideExecutableFolder(std::nullopt);
    EXPECT_FALSE(LibraryIsLoaded(FakeJtagIncompleteDir() + "QELVANO_JTAG.DLL"));
}

TEST_F(JtagPortTest, OpenPassesIndexAndNameAndReportsTheHandle)
{
    TJtagPort port(3, "");
    EXPECT_TRUE(hooks.dialogs.empty());
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(fake->cableIndex, 3);
    EXPECT_FALSE(fake->cableNameNull);
    EXPECT_EQ(fake->cableName, "");

    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(fake->closedLink, 0x1234u);
    port.Close(); // a closed link is not closed again
    EXPECT_EQ(fake->closeCalls, 1);
}

TEST_F(JtagPortTest, OpenReturningZeroLeavesTheLinkClosed)
{
    fake->openResult = 0;
    TJtagPort port(0, "USB-Blaster");
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(fake->cableName, "USB-Blaster");
    std::uint8_t byte = 0;
    EXPECT_FALSE(port.Write(&byte, 1));
    EXPECT_EQ(fake->writeCalls, 0);
}

TEST_F(JtagPortTest, OpeningTwiceClosesTheFirstLinkFirst)
{
    TJtagPort port(0, "");
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(fake->events, "open;close;open;");
}

TEST_F(JtagPortTest, DestroyingAnOpenPortClosesItsLink)
{
    {
        TJtagPort port(0, "");
        ASSERT_TRUE(port.Open());
    }
    EXPECT_EQ(fake->events, "open;close;");
}

// The current folder is the process's, shared with every other thread of whoever loaded
// the port (a Python script's, say): the open runs in it and leaves it as it was, for
// each state of the programmer tools' installation and whether the open succeeded.
TEST_F(JtagPortTest, OpenLeavesTheCurrentFolderAsItWas)
{
    WorkingDirectoryGuard guard;
    const std::string toolsBin = ToolsRootDir() + "bin";
    const std::optional<std::string> installations[] = {ToolsRootDir(), std::nullopt, TestFolder("no-such-quartus")};
    const std::string before[] = {EmptyDir(), FakeJtagDir(), toolsBin};
    for (const std::optional<std::string>& root : installations) {
        if (!SetToolsRoot(root))
            GTEST_SKIP() << "this user may not record the programmer tools' installation";
        for (const std::string& current : before) {
            for (const std::uint32_t openResult : {0x1234u, 0u}) {
                SCOPED_TRACE(root.value_or("not installed") + ", current " + current + ", open result "
                    + std::to_string(openResult));
                ASSERT_TRUE(platform::SetCurrentDirectory(current));
                fake->openResult = openResult;
                TJtagPort port(0, "");
                EXPECT_EQ(port.Open(), openResult != 0);
                EXPECT_TRUE(SameFolder(fake->cwdAtOpen, current)) << fake->cwdAtOpen;
                EXPECT_TRUE(SameFolder(platform::CurrentDirectory(), current)) << platform::CurrentDirectory();
            }
        }
    }
}

TEST_F(JtagPortTest, WriteIsOneCallWithTheWholeBlock)
{
    TJtagPort port(0, "");
    ASSERT_TRUE(port.Open());
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4, 5};
    EXPECT_TRUE(port.Write(bytes.data(), 5));
    EXPECT_EQ(fake->writeSizes, std::vector<std::int32_t>{5});
    EXPECT_EQ(fake->written, bytes);

    fake->writeResult = 0;
    EXPECT_FALSE(port.Write(bytes.data(), 5));
}

TEST_F(JtagPortTest, ReadCollectsPiecesInOrder)
{
    TJtagPort port(0, "");
    ASSERT_TRUE(port.Open());
    fake->maxPiece = 3;
    fake->pending = {1, 2, 3, 4, 5, 6, 7, 8};
    fake->delayReads = 2;
    std::vector<std::uint8_t> dest(8, 0);
    EXPECT_EQ(port.Read(dest.data(), 8, 3000), 8);
    EXPECT_EQ(dest, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(fake->readCalls, 2 + 3);
}

TEST_F(JtagPortTest, ReadBudgetZeroMakesNoCallAndBudgetOneMakesOne)
{
    TJtagPort port(0, "");
    ASSERT_TRUE(port.Open());
    std::uint8_t byte = 0;
    EXPECT_EQ(port.Read(&byte, 1, 0), 0);
    EXPECT_EQ(fake->readCalls, 0);
    EXPECT_EQ(port.Read(&byte, 1, 1), 0);
    EXPECT_EQ(fake->readCalls, 1);
}

TEST_F(JtagPortTest, ReadReturnsThePartialCountWhenTheBudgetIsSpent)
{
    TJtagPort port(0, "");
    ASSERT_TRUE(port.Open());
    fake->pending = {9, 8};
    std::vector<std::uint8_t> dest(4, 0);
    EXPECT_EQ(port.Read(dest.data(), 4, 50), 2);
    EXPECT_EQ(dest[0], 9);
    EXPECT_EQ(dest[1], 8);
    // The clock moves 1 ms per look, so the budget allows about 50 polls, not more.
    EXPECT_GE(fake->readCalls, 45);
    EXPECT_LE(fake->readCalls, 51);
}

TEST(JtagPortClock, BudgetStraddlingTheTickWrapIsMeasuredByDifference)
{
    SteppingClock clock(0xFFFFFFF0u, 1);
    UserHooks hooks;
    auto fake = FakeJtag();
    TJtagPort port(0, "");
    ASSERT_TRUE(port.Open());
    std::uint8_t byte = 0;
    EXPECT_EQ(port.Read(&byte, 1, 40), 0);
    // Neither cut short at the wrap (start > now) nor running on for ever.
    EXPECT_GE(fake->readCalls, 35);
    EXPECT_LE(fake->readCalls, 41);
}

TEST_F(JtagPortTest, LibraryResultsOutsideTheRequestAreNotTrusted)
{
    TJtagPort port(0, "");
    ASSERT_TRUE(port.Open());
    std::vector<std::uint8_t> dest(4, 0);
    fake->overrideRead = true;
    fake->readResult = -1;
    EXPECT_EQ(port.Read(dest.data(), 4, 10), 0);
    fake->readResult = 1000;
    EXPECT_EQ(port.Read(dest.data(), 4, 10), 4);
}

TEST_F(JtagPortTest, InfoDescriptionIsReadInsideTheRecordOnly)
{
    TJtagPort port(0, "");
    std::array<std::uint8_t, jtagapi::JTAG_INFO_RECORD_LEN> record{};
    EXPECT_FALSE(port.GetInfo(record.data())); // closed link
    ASSERT_TRUE(port.Open());

    const std::string text = "USB-Blaster [USB-0]";
    std::copy(text.begin(), text.end(), fake->info.begin() + 112);
    ASSERT_TRUE(port.GetInfo(record.data()));
    EXPECT_EQ(TJtagPort::DescriptionOf(record.data()), text);

    fake->info.fill('x'); // no NUL at all: the text stops at the record's end
    ASSERT_TRUE(port.GetInfo(record.data()));
    EXPECT_EQ(TJtagPort::DescriptionOf(record.data()), std::string(164 - 112, 'x'));

    // A name longer than the field's 52 bytes is cut: the name asked for stands in for it
    // where it begins alike, else the text ends with a whole character.
    const std::string remote = "USB-Blaster on bench-07.hardware-lab.example-corporation.internal [3-1.4.2]";
    const std::string accented = std::string(50, 'a') + "\xc3\xa9 [1-1]";
    const struct {
        std::string field; // what the record holds, cut at 51 bytes
        std::string asked;
        std::string shown;
    } cuts[] = {
        {remote.substr(0, 51), remote, remote}, {remote.substr(0, 51), "", remote.substr(0, 51)},
        {remote.substr(0, 51), "2", remote.substr(0, 51)}, {accented.substr(0, 51), "", std::string(50, 'a')},
        {accented.substr(0, 51), accented, accented},
        {std::string(48, 'a') + "\xe2\x82\xac", "", std::string(48, 'a') + "\xe2\x82\xac"}, // whole at the end
    };
    for (const auto& c : cuts) {
        fake->info.fill(0);
        std::copy(c.field.begin(), c.field.end(), fake->info.begin() + 112);
        ASSERT_TRUE(port.GetInfo(record.data()));
        EXPECT_EQ(TJtagPort::DescriptionOf(record.data(), c.asked), c.shown) << c.field << " asked " << c.asked;
    }

    fake->infoResult = 0;
    EXPECT_FALSE(port.GetInfo(record.data()));
}
