// The private folder of sockets and locks, and the single-instance lock in it, against
// what another user of the machine could have left in their way.
#include "platform/InstanceLock.h"
#include "platform/RuntimeFolder.h"
#include "tests/support/OtherUser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using testsupport::GiveTo;
using testsupport::Nobody;

// A fresh folder of the test's own, with XDG_RUNTIME_DIR and TMPDIR put back afterwards.
class RuntimeFolderTest : public ::testing::Test {
public:
    void SetUp() override
    {
        for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"})
            if (const char* value = std::getenv(name))
                saved.emplace_back(name, value);
        ::unsetenv("XDG_RUNTIME_DIR");
        ::unsetenv("TMPDIR");
        FreshBase();
    }
    void TearDown() override
    {
        RemoveBase();
        for (const auto& [name, value] : saved)
            ::setenv(name.c_str(), value.c_str(), 1);
    }
    void FreshBase()
    {
        RemoveBase();
        char pattern[] = "/tmp/vx5h-folder-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        base = pattern;
    }
    void RemoveBase()
    {
        if (base.empty())
            return;
        std::error_code ec;
        fs::remove_all(base, ec);
        base.clear();
    }
    std::string MakeFolder(const std::string& name, mode_t mode = 0700)
    {
        const std::string path = base + "/" + name;
        ::mkdir(path.c_str(), 0700);
        ::chmod(path.c_str(), mode);
        return path;
    }
    static std::string Uid() { return std::to_string(::geteuid()); }

    std::string base;
    std::vector<std::pair<std::string, std::string>> saved;
};

TEST_F(RuntimeFolderTest, OnlyAFolderOfTheUsersOwnWithNoAccessForOthersIsUsed)
{
    struct Case {
        const char* what;
        std::function<void(RuntimeFolderTest&, const std::string& folder)> plant;
        const char* refusal; // nullptr: accepted
    };
    const Case cases[] = {
        {"missing: made", [](auto&, auto&) {}, nullptr},
        {"the user's, 0700", [](auto& t, auto&) { t.MakeFolder("f"); }, nullptr},
        {"open to the group", [](auto& t, auto&) { t.MakeFolder("f", 0750); }, "has mode 0750"},
        {"open to all", [](auto& t, auto&) { t.MakeFolder("f", 0777); }, "has mode 0777"},
        {"another user's",
            [](auto& t, auto& folder) {
                t.MakeFolder("f");
                GiveTo(folder, Nobody());
            },
            "belongs to user id 65534"},
        {"a link to a folder of the user's",
            [](auto& t, auto& folder) { fs::create_directory_symlink(t.MakeFolder("real"), folder); },
            "is a symbolic link"},
        {"a file", [](auto&, auto& folder) { std::ofstream(folder) << "x"; }, "is not a folder"},
        {"in a folder all may change", [](auto& t, auto&) { ::chmod(t.base.c_str(), 0777); }, "is not sticky"},
        {"in a sticky folder all may change, as /tmp", [](auto& t, auto&) { ::chmod(t.base.c_str(), 01777); }, nullptr},
        {"in another user's folder",
            [](auto& t, auto&) {
                ::chmod(t.base.c_str(), 0755);
                GiveTo(t.base, Nobody());
            },
            "belongs to user id 65534"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreshBase();
        const std::string folder = base + "/f";
        c.plant(*this, folder);
        std::string error;
        const bool made = platform::MakePrivateFolder(folder, error);
        if (!c.refusal) {
            EXPECT_TRUE(made) << error;
            struct stat st { };
            ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_mode & 07777, 0700u);
            EXPECT_EQ(st.st_uid, ::geteuid());
        } else {
            EXPECT_FALSE(made);
            EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
        }
    }
}

TEST_F(RuntimeFolderTest, TheSessionsRuntimeFolderWhenItIsTheUsersElseTheTempFolder)
{
    const std::string run = MakeFolder("run");
    const std::string temp = MakeFolder("tmp", 01777);
    std::string error;
    ::setenv("XDG_RUNTIME_DIR", (run + "/").c_str(), 1);
    ::setenv("TMPDIR", temp.c_str(), 1);
    EXPECT_EQ(platform::PrivateRuntimeFolder(error), run + "/vx5h/") << error;

    GiveTo(run, Nobody()); // a runtime folder that is not the user's is passed over
    EXPECT_EQ(platform::PrivateRuntimeFolder(error), temp + "/vx5h-" + Uid() + "/") << error;

    // Another user got to the fallback place first: refused, never used or worked around.
    ::unsetenv("XDG_RUNTIME_DIR");
    fs::remove(temp + "/vx5h-" + Uid());
    MakeFolder("tmp/vx5h-" + Uid());
    GiveTo(temp + "/vx5h-" + Uid(), Nobody());
    EXPECT_EQ(platform::PrivateRuntimeFolder(error), std::nullopt);
    EXPECT_NE(error.find(temp + "/vx5h-" + Uid() + " belongs to user id 65534"), std::string::npos) << error;
}

TEST_F(RuntimeFolderTest, TheLockTellsAnotherInstanceFromALockThatCannotBeOpened)
{
    using Outcome = platform::InstanceLock::Outcome;
    ::setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    const std::string name = "VX5H_LOCK_TEST";
    auto first = platform::InstanceLock::Acquire(name);
    ASSERT_EQ(first.outcome, Outcome::Taken) << first.error;
    ASSERT_NE(first.lock, nullptr);
    EXPECT_EQ(platform::InstanceLock::LockFilePath(name), base + "/vx5h/" + name + ".lock");
    const auto second = platform::InstanceLock::Acquire(name);
    EXPECT_EQ(second.outcome, Outcome::HeldElsewhere);
    EXPECT_EQ(second.lock, nullptr);
    first.lock.reset();
    EXPECT_EQ(platform::InstanceLock::Acquire(name).outcome, Outcome::Taken);

    // A link in place of the lock file is never followed: its target stays untouched.
    const std::string lockFile = platform::InstanceLock::LockFilePath(name);
    fs::remove(lockFile);
    const std::string target = base + "/victim";
    fs::create_symlink(target, lockFile);
    const auto linked = platform::InstanceLock::Acquire(name);
    EXPECT_EQ(linked.outcome, Outcome::CannotOpen);
    EXPECT_NE(linked.error.find("symbolic link"), std::string::npos) << linked.error;
    EXPECT_FALSE(fs::exists(target));

    // The folder is another user's: said so, not "another instance runs".
    GiveTo(base + "/vx5h", Nobody());
    const auto foreign = platform::InstanceLock::Acquire(name);
    EXPECT_EQ(foreign.outcome, Outcome::CannotOpen);
    EXPECT_NE(foreign.error.find("belongs to user id 65534"), std::string::npos) << foreign.error;
    EXPECT_EQ(platform::InstanceLock::LockFilePath(name), "");
}

} // namespace
