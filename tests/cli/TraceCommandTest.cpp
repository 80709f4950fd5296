// vx5h --trace records the link; vx5h trace show|stats reads it back.
#include "CliHarness.h"

#include <filesystem>
#include <fstream>

namespace clitest {
namespace {

namespace fs = std::filesystem;

class TraceCommandTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        folder = fs::path(sim->SocketPath()).parent_path();
        file = (folder / "link.jsonl").string();
    }
    fs::path folder;
    std::string file;
};

TEST_F(TraceCommandTest, ARecordedSessionReadsBackAsCommandsAndFigures)
{
    ASSERT_EQ(Vx5h("--trace '" + file + "' led 5").code, 0);
    ASSERT_EQ(Vx5h("--trace '" + file + "' mem dump sdram '" + (folder / "d.bin").string() + "' --length 10000").code,
        0);
    const TRun show = Vx5h("trace show '" + file + "'");
    EXPECT_EQ(show.code, 0) << show.err;
    EXPECT_NE(show.out.find("MemoryRead SDRAM 0x00000000+"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("[data left out]"), std::string::npos) << show.out;
    const TRun stats = Vx5h("trace stats '" + file + "'");
    EXPECT_EQ(stats.code, 0) << stats.err;
    // --length counts words in hex: 0x10000 words, one transfer.
    EXPECT_NE(stats.out.find("MemoryRead SDRAM 0x00000000"), std::string::npos) << stats.out;
    EXPECT_NE(stats.out.find("131072 bytes in"), std::string::npos) << stats.out;
    EXPECT_NE(stats.out.find("Failures: none"), std::string::npos) << stats.out;

    // The first run's transcript was replaced by the second's, not added to.
    EXPECT_EQ(show.out.find("SetLed"), std::string::npos);

    // Counts are counted right, one as one.
    ASSERT_EQ(Vx5h("--trace '" + file + "' mem write eeprom 0 11").code, 0);
    const std::string one = Vx5h("trace stats '" + file + "'").out;
    for (const char* counted :
        {" exchanges, ", " bytes written, ", " bytes read\n", "    1 exchange, ", " 0 bytes discarded"})
        EXPECT_NE(one.find(counted), std::string::npos) << counted << "\n" << one;
    EXPECT_EQ(one.find("(s)"), std::string::npos) << one;
}

TEST_F(TraceCommandTest, ARefusedOrDamagedFileIsSaidWithItsReason)
{
    fs::create_symlink(folder / "elsewhere", file);
    const TRun refused = Vx5h("--trace '" + file + "' led 5");
    EXPECT_EQ(refused.code, 5);
    EXPECT_NE(refused.err.find("symbolic link"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(folder / "elsewhere"));

    fs::remove(file);
    ASSERT_EQ(Vx5h("--trace '" + file + "' led 5").code, 0);
    std::ofstream(file, std::ios::app) << "{\"t\":9,\"ev\":\"w\",\"ok\":tru";
    const TRun show = Vx5h("trace show '" + file + "'");
    EXPECT_EQ(show.code, 5);
    EXPECT_NE(show.out.find("SetLed mask=0000005  ok"), std::string::npos) << show.out;
    EXPECT_NE(show.err.find("the file ends inside this line"), std::string::npos) << show.err;

    const TRun missing = Vx5h("trace show '" + (folder / "missing.jsonl").string() + "'");
    EXPECT_EQ(missing.code, 5);
    EXPECT_NE(missing.err.find("missing.jsonl: No such file or directory"), std::string::npos) << missing.err;

    const TRun unnamed = Vx5h("--trace '' led 5");
    EXPECT_EQ(unnamed.code, 5);
    EXPECT_NE(unnamed.err.find("--trace: the file name is empty"), std::string::npos) << unnamed.err;
}

// A transcript comes from someone else: what its texts hold reaches the terminal as
// printable text only, every line after a NUL too, and the reader is told.
TEST_F(TraceCommandTest, TextsOfTheFileAreShownEscaped)
{
    std::ofstream(file, std::ios::binary)
        << R"({"vx5h_trace":1,"program":"vx5h\u001b]0;title\u0007","version":"1\r2","platform":"p\u0000after","cable":"c\u009b2J"})"
           "\n"
           R"({"t":1,"ev":"open","ok":false,"error":3,"reason":"no \u00fcART \u202e"})"
           "\n"
           R"({"t":2,"ev":"fail","cmd":1,"cause":"odd\u001b[2J\u0000","ms":0})"
           "\n"
           "{\"t\":3,\"ev\":\"configure\",\"image\":\"x\xff.sof\",\"ok\":true}\n";
    for (const char* command : {"show", "stats"}) {
        SCOPED_TRACE(command);
        const TRun run = Vx5h(std::string("trace ") + command + " '" + file + "'");
        EXPECT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(run.out.find_first_of(std::string("\x1b\r\x07\0", 4)), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("odd\\x1b[2J\\x00"), std::string::npos) << run.out;
        EXPECT_NE(run.err.find("is not plain printable text: it is shown escaped"), std::string::npos) << run.err;
    }
    const TRun show = Vx5h("trace show '" + file + "'");
    EXPECT_NE(show.out.find("# vx5h\\x1b]0;title\\x07 1\\x0d2 on p\\x00after, cable c\\xc2\\x9b2J,"), std::string::npos)
        << show.out;
    EXPECT_NE(show.out.find("no \xc3\xbc"
                            "ART \\xe2\\x80\\xae"),
        std::string::npos)
        << show.out;
    EXPECT_NE(show.out.find("configure x\\xff.sof  ok"), std::string::npos) << show.out;
}

} // namespace
} // namespace clitest
