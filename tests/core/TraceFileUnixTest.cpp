// Where a transcript may be written: a file only its user reads, never through a link
// or in a place another user controls. And what may be read as one: a regular file, a
// line at a time.
#include "tests/core/TestFiles.h"
#include "tests/support/OtherUser.h"

#include "core/TraceFile.h"
#include "platform/PrivateFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>
#include <unistd.h>

using namespace coretest;
using testsupport::GiveTo;
using testsupport::Nobody;

namespace {

namespace fs = std::filesystem;

// A folder of the user's with `group` and `mode`, and a file name in it.
fs::path GroupFolder(const TempFolder& folder, gid_t group, unsigned mode)
{
    const fs::path shared = folder / "shared";
    fs::create_directory(shared);
    EXPECT_EQ(::chown(shared.c_str(), ::getuid(), group), 0);
    EXPECT_EQ(::chmod(shared.c_str(), mode), 0);
    return shared / "t.jsonl";
}

struct Place {
    const char* what;
    std::function<fs::path(const TempFolder&)> prepare; // the path to create
    const char* refusal;                                // empty: created
};

TEST(PrivateFileTest, RefusesLinksAndPlacesOfOtherUsers)
{
    const Place places[] = {
        {"a new file", [](const TempFolder& f) { return f / "new.jsonl"; }, ""},
        {"an own file, emptied and made private",
            [](const TempFolder& f) {
                WriteText(f / "old.jsonl", "old");
                fs::permissions(f / "old.jsonl", fs::perms(0644));
                return f / "old.jsonl";
            },
            ""},
        {"a symbolic link",
            [](const TempFolder& f) {
                WriteText(f / "target", "theirs");
                fs::create_symlink(f / "target", f / "link.jsonl");
                return f / "link.jsonl";
            },
            "symbolic link"},
        {"another user's file",
            [](const TempFolder& f) {
                WriteText(f / "theirs.jsonl", "theirs");
                GiveTo((f / "theirs.jsonl").string(), Nobody());
                return f / "theirs.jsonl";
            },
            "another user"},
        {"a folder of another user",
            [](const TempFolder& f) {
                fs::create_directory(f / "theirs");
                GiveTo((f / "theirs").string(), Nobody());
                return f / "theirs" / "t.jsonl";
            },
            "belongs to another user"},
        {"a folder anybody may rearrange",
            [](const TempFolder& f) {
                fs::create_directory(f / "open");
                fs::permissions(f / "open", fs::perms(0777));
                return f / "open" / "t.jsonl";
            },
            "anybody"},
        {"a folder inside a folder anybody may rearrange",
            [](const TempFolder& f) {
                fs::create_directories(f / "open" / "sub");
                fs::permissions(f / "open", fs::perms(0777));
                return f / "open" / "sub" / "t.jsonl";
            },
            "anybody may rename or replace what is in a folder above it"},
        {"a folder reached through another user's symbolic link",
            [](const TempFolder& f) {
                fs::create_directory(f / "mine");
                WriteText(f / "mine" / "t.jsonl", "precious");
                fs::create_directory_symlink(f / "mine", f / "theirs");
                GiveTo((f / "theirs").string(), Nobody());
                return f / "theirs" / "t.jsonl";
            },
            "a symbolic link of another user"},
        {"a folder reached through one's own symbolic link",
            [](const TempFolder& f) {
                fs::create_directory(f / "mine");
                fs::create_directory_symlink(f / "mine", f / "link");
                return f / "link" / "t.jsonl";
            },
            ""},
        {"a way past a folder anybody may rearrange, not through it",
            [](const TempFolder& f) {
                fs::create_directory(f / "open");
                fs::create_directory(f / "safe");
                fs::permissions(f / "open", fs::perms(0777));
                return f / "open" / ".." / "safe" / "t.jsonl";
            },
            ""},
        {"a file another recording is being written into",
            [](const TempFolder& f) {
                std::string error;
                static std::FILE* held = nullptr;
                if (held)
                    std::fclose(held);
                held = platform::CreatePrivateFile((f / "held.jsonl").string(), error);
                EXPECT_NE(held, nullptr) << error;
                std::fputs("recording", held);
                std::fflush(held);
                return f / "held.jsonl";
            },
            "another recording is being written into it"},
        {"another name of a file (a hard link)",
            [](const TempFolder& f) {
                WriteText(f / "precious", "precious");
                fs::create_hard_link(f / "precious", f / "h.jsonl");
                return f / "h.jsonl";
            },
            "hard links"},
        {"a folder another group may rearrange", [](const TempFolder& f) { return GroupFolder(f, Nobody().gid, 0775); },
            "others of its group"},
        {"a folder of the user's own group", [](const TempFolder& f) { return GroupFolder(f, ::getgid(), 0775); }, ""},
        {"a folder of another group with the sticky bit",
            [](const TempFolder& f) { return GroupFolder(f, Nobody().gid, 01775); }, ""},
    };
    for (const Place& place : places) {
        SCOPED_TRACE(place.what);
        TempFolder folder;
        const fs::path path = place.prepare(folder);
        const std::string before = fs::exists(fs::symlink_status(path)) ? ReadText(path) : "";
        std::string error;
        std::FILE* file = platform::CreatePrivateFile(path.string(), error);
        if (*place.refusal == '\0') {
            ASSERT_NE(file, nullptr) << error;
            std::fclose(file);
            struct stat st { };
            ASSERT_EQ(::lstat(path.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0600u);
            EXPECT_EQ(st.st_size, 0);
        } else {
            EXPECT_EQ(file, nullptr);
            EXPECT_NE(error.find(place.refusal), std::string::npos) << error;
            if (!before.empty()) {
                EXPECT_EQ(ReadText(path), before) << "a refused file stays as it was";
            }
        }
    }
}

// A transcript is read a line at a time from a regular file: nothing else is opened
// for reading (a FIFO would hold the reader, a device never end), and a line longer than
// any line a transcript holds ends the reading at once.
TEST(TranscriptFileTest, OnlyARegularFileIsReadAndALineAtATime)
{
    TempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "fifo.jsonl").c_str(), 0600), 0);
    fs::create_directory(folder / "folder.jsonl");
    {
        std::ofstream sparse(folder / "sparse.jsonl", std::ios::binary);
        sparse.seekp(512 << 20);
        sparse.put('\n');
    }
    const struct {
        std::string path;
        const char* error;
    } cases[] = {
        {(folder / "missing.jsonl").string(), "cannot open %: No such file or directory"},
        {(folder / "fifo.jsonl").string(), "% is not a regular file"},
        {"/dev/zero", "% is not a regular file"},
        {(folder / "folder.jsonl").string(), "% is not a regular file"},
        {(folder / "sparse.jsonl").string(), "%, line 1: longer than any line a transcript holds"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string expected = c.error;
        expected.replace(expected.find('%'), 1, c.path);
        trace::TTranscript transcript;
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(trace::ReadTranscriptFile(c.path, transcript, error));
        EXPECT_EQ(error, expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }

    // Lines across the pieces the file is read in, with either line end, read as the text.
    std::string text = R"({"vx5h_trace":1})"
                       "\n";
    for (int i = 0; text.size() < 300000; ++i)
        text += R"({"t":)" + std::to_string(i) + R"(,"ev":"w","ok":true,"hex":")" + std::string(2 * (i % 700), 'a')
            + (i % 3 ? "\"}\n" : "\"}\r\n");
    text += R"({"t":1,"ev":"close"})";
    WriteText(folder / "long.jsonl", text);
    trace::TTranscript fromFile, fromText;
    std::string error;
    ASSERT_TRUE(trace::ReadTranscriptFile((folder / "long.jsonl").string(), fromFile, error)) << error;
    ASSERT_TRUE(trace::ParseTranscript(text, fromText, error)) << error;
    ASSERT_EQ(fromFile.events.size(), fromText.events.size());
    for (std::size_t i = 0; i < fromFile.events.size(); ++i) {
        ASSERT_EQ(fromFile.events[i].line, fromText.events[i].line);
        ASSERT_EQ(fromFile.events[i].data.kept, fromText.events[i].data.kept);
    }
    EXPECT_EQ(fromFile.events.back().kind, trace::TEventKind::Close);
}

} // namespace
