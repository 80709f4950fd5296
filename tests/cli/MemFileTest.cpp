// mem dump, load, verify and erase against the simulator: round trips in both formats,
// differences found, bad files refused, and transfers stopped by Ctrl-C or a lost link.
#include "BytePattern.h"
#include "CliHarness.h"
#include "tests/support/OtherUser.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

using clitest::Vx5h;
namespace fs = std::filesystem;

namespace {

std::string HexOf(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        text += pair;
    }
    return text;
}

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string HexWords(std::uint32_t words)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", words);
    return text;
}

void Put(const fs::path& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

// Intel HEX as other tools write it: records of 16 bytes from offset 0, an extended
// linear address record before every further 64 KB, the end-of-file record.
std::string IntelHexOf(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    const auto record = [&text](std::uint8_t type, std::size_t address, const std::uint8_t* data, std::size_t count) {
        std::vector<std::uint8_t> r = {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(address >> 8),
            static_cast<std::uint8_t>(address), type};
        r.insert(r.end(), data, data + count);
        unsigned sum = 0;
        for (std::uint8_t b : r)
            sum += b;
        r.push_back(static_cast<std::uint8_t>(0x100 - sum % 0x100));
        text += ":" + HexOf(r) + "\n";
    };
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        if (at > 0 && at % 0x10000 == 0) {
            const std::uint8_t upper[2] = {static_cast<std::uint8_t>(at >> 24), static_cast<std::uint8_t>(at >> 16)};
            record(4, 0, upper, 2);
        }
        record(0, at & 0xFFFF, bytes.data() + at, std::min<std::size_t>(16, bytes.size() - at));
    }
    record(1, 0, nullptr, 0);
    return text;
}

class MemFiles : public clitest::CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        char pattern[] = "/tmp/vx5h-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override
    {
        fs::remove_all(folder);
        CliTest::TearDown();
    }
    std::string File(const std::string& name) const { return (folder / name).string(); }
    // What the board holds, as the simulator shows it.
    std::string BoardHex(const char* simName, std::uint32_t byteAddress, std::uint32_t count) const
    {
        std::string text = sim->Ctl(std::string("mem read ") + simName + " " + std::to_string(byteAddress) + " "
            + std::to_string(count));
        std::string hex;
        for (char c : text)
            if (std::isxdigit(static_cast<unsigned char>(c)))
                hex += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return hex;
    }

    fs::path folder;
};

struct TTrip {
    const char* memory;
    const char* simName;
    std::uint32_t startWord;
    std::uint32_t bytes;
    const char* format; // the files' format: bin, hex or ihex
    bool piped;         // loaded from standard input, dumped to standard output
    bool erase = false; // flash whose range and blocks around it hold data: --erase
};

TEST_F(MemFiles, LoadThenDumpGivesTheFileBackInEveryFormat)
{
    const TTrip trips[] = {
        {"EEPROM", "eeprom", 0x7FD, 6, "bin", false},       // ends at the last byte
        {"sdram", "sdram", 0x3FFFFF0, 32, "hex", false},    // ends at the last byte
        {"ssram0", "SSRAM-0", 0x123, 12345, "hex", false},  // odd length; either tool takes either name
        {"EPCS", "epcs", 0x3FFF00, 512, "bin", false},      // flash, erased at power-on
        {"SDRAM", "sdram", 0, (3u << 20) + 1, "bin", false}, // several steps, odd
        {"ssram-1", "ssram1", 0x7FF0, 70000, "ihex", false}, // records past 64 KB
        {"sdram", "sdram", 0x10, 1000, "ihex", true},
        {"eeprom", "eeprom", 0, 4096, "bin", true},
        {"FLASH", "flash", 0x8008, 70000, "bin", false, true}, // blocks 1 and 2
    };
    for (const TTrip& trip : trips) {
        SCOPED_TRACE(trip.memory + std::string(" ") + std::to_string(trip.bytes) + " " + trip.format);
        const std::string format = trip.format;
        const std::vector<std::uint8_t> bytes = testsupport::BytePattern(trip.bytes, trip.bytes);
        const std::string content = format == "hex" ? HexOf(bytes)
            : format == "ihex"                      ? IntelHexOf(bytes)
                                                    : std::string(bytes.begin(), bytes.end());
        // A .hex name says HEX text, and HEX text that starts with ':' is Intel HEX.
        const std::string in = trip.piped ? "-" : File(format == "bin" ? "in.bin" : "in.hex");
        const std::string out = trip.piped ? "-" : File(format == "bin" ? "out.bin" : "out.HEX");
        if (!trip.piped)
            Put(in, content);
        const std::string start = " --start " + HexWords(trip.startWord);
        const std::string given = trip.piped ? " --format " + format : "";
        std::string erase;
        if (trip.erase) {
            // Flash takes only what was erased: refused at the first such word, then erased
            // block by block, keeping what the blocks hold around the range.
            sim->Ctl("mem write flash 0x10000 11 22");
            sim->Ctl("mem write flash 0x10010 00 00");
            sim->Ctl("mem write flash 0x21180 33 44");
            const clitest::TRun refused = Vx5h(std::string("mem load flash ") + in + start);
            EXPECT_EQ(refused.code, 3);
            EXPECT_NE(refused.err.find("mem load: FLASH word 8008 reads 0000, not "), std::string::npos) << refused.err;
            erase = " --erase";
        }
        const clitest::TRun load
            = Vx5h(std::string("mem load ") + trip.memory + " " + in + start + given + erase + " --verify", content);
        ASSERT_EQ(load.code, 0) << load.err;
        if (trip.erase) {
            EXPECT_EQ(BoardHex("flash", 0x10000, 2), "1122");
            EXPECT_EQ(BoardHex("flash", 0x21180, 2), "3344");
        }
        const std::uint32_t shown = std::min<std::uint32_t>(trip.bytes, 4096);
        EXPECT_EQ(BoardHex(trip.simName, 2 * trip.startWord, shown), HexOf(bytes).substr(0, 2 * shown));

        const std::uint32_t words = (trip.bytes + 1) / 2;
        const clitest::TRun dump = Vx5h(std::string("mem dump ") + trip.memory + " " + out + start + " --length "
            + HexWords(words) + (format == "ihex" ? " --format ihex" : given));
        ASSERT_EQ(dump.code, 0) << dump.err;
        std::string saved = trip.piped ? dump.out : Slurp(out);
        if (format != "ihex") {
            ASSERT_EQ(saved.size(), (format == "hex" ? 4u : 2u) * words);
            saved.resize(format == "hex" ? 2 * trip.bytes : trip.bytes); // an odd file's last word has a byte more
        }
        EXPECT_EQ(saved, content);
        EXPECT_EQ(Vx5h(std::string("mem verify ") + trip.memory + " " + in + start + given, content).code, 0);
    }
}

TEST_F(MemFiles, VerifyNamesTheFirstDifferenceAndCountsTheWords)
{
    Put(File("a.bin"), std::string(64, '\x5A'));
    ASSERT_EQ(Vx5h("mem load ssram-1 " + File("a.bin") + " --start 100").code, 0);
    sim->Ctl("mem write ssram1 0x214 00");
    sim->Ctl("mem write ssram1 0x23e 00 00");
    const clitest::TRun run = Vx5h("mem verify SSRAM-1 " + File("a.bin") + " --start 100");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("SSRAM-1 differs from '" + File("a.bin") + "': first at word 10A, 2 words differ"),
        std::string::npos) << run.err;
}

struct TBadFile {
    const char* args; // FOLDER stands for the test's folder
    int code;
    const char* message;
};

TEST_F(MemFiles, BadFilesAndFoldersChangeNothingOnTheBoardOrOnDisk)
{
    Put(File("old.bin"), "keep me");
    Put(File("garbage.hex"), "12345G78");
    Put(File("short.hex"), "123");
    Put(File("empty.bin"), "");
    Put(File("four.bin"), "1234");
    Put(File("odd.hex"), "ABC");
    Put(File("records.hex"), ":0100000055AB\n:00000001FF\n");
    Put(File("lines.hex"), "0011\n2233");
    Put(File("overlap.hex"), "\n:0200000055AAFF\n:0100010056A8\n:00000001FF\n");
    const TBadFile cases[] = {
        {"mem load sdram FOLDER/missing.bin", 5, "FILE: cannot open 'FOLDER/missing.bin'"},
        {"mem load sdram FOLDER/garbage.hex", 5, "FILE: 'FOLDER/garbage.hex' is not a valid HEX file"},
        {"mem load sdram FOLDER/short.hex --length 2", 5, "holds fewer bytes than --length asks for"},
        {"mem load sdram FOLDER/four.bin --length 3", 5, "holds fewer bytes than --length asks for"},
        {"mem load sdram FOLDER/empty.bin", 5, "FILE: 'FOLDER/empty.bin' is empty"},
        {"mem verify sdram FOLDER/missing.bin", 5, "cannot open"},
        {"mem dump sdram FOLDER/no/such/folder.bin", 5, "FILE: cannot create 'FOLDER/no/such/folder.bin'"},
        {"mem dump sdram FOLDER/old.bin --start 4000000", 2, "--start: 4000000 is too large"},
        {"mem dump eeprom FOLDER/old.bin --start 7FF --length 2", 2,
            "--length: 2 is too large; the largest --length from --start 7FF in EEPROM is 1"},
        {"mem load flash FOLDER/four.bin --start 400000", 2, "--start"},
        {"mem erase sdram", 2, "MEMORY: SDRAM has no erase; only FLASH and EPCS are erased"},
        // A file that runs past the memory's end is refused whole, not cut.
        {"mem load eeprom FOLDER/four.bin --start 7FF", 2,
            "FILE: 'FOLDER/four.bin' holds 4 bytes, but from word 7FF to its end EEPROM holds 2 bytes; nothing was "
            "written (--length takes a part of the file)"},
        {"mem verify eeprom FOLDER/four.bin --start 7FF", 1,
            "EEPROM differs from 'FOLDER/four.bin': 'FOLDER/four.bin' holds 4 bytes, but from word 7FF"},
        {"mem load sdram FOLDER/odd.hex", 5,
            "'FOLDER/odd.hex' is not a valid HEX file: an odd number of hex digits, the last byte's second digit is "
            "missing at offset 3"},
        {"mem load sdram FOLDER/records.hex", 5,
            "'FOLDER/records.hex' is not a valid Intel HEX file: a record with a wrong checksum at offset 0"},
        {"mem load sdram FOLDER/four.bin --format ihex", 5, "a record that does not start with ':' at offset 0"},
        {"mem load sdram FOLDER/lines.hex", 5,
            "'FOLDER/lines.hex' is not a valid HEX file: a character that is not a hex digit, '\\n', at offset 4"},
        {"mem load sdram FOLDER/overlap.hex", 5,
            "'FOLDER/overlap.hex' is not a valid Intel HEX file: the records on lines 2 and 3 overlap: both give the "
            "byte at 0x1 at offset 17"},
        {"mem load sdram -", 5, "FILE: standard input is empty"},
    };
    for (const TBadFile& bad : cases) {
        auto expand = [this](std::string text) {
            for (std::size_t at; (at = text.find("FOLDER")) != std::string::npos;)
                text.replace(at, 6, folder.string());
            return text;
        };
        const clitest::TRun run = Vx5h(expand(bad.args));
        EXPECT_EQ(run.code, bad.code) << bad.args;
        EXPECT_NE(run.err.find(expand(bad.message)), std::string::npos) << bad.args << ": " << run.err;
    }
    EXPECT_EQ(BoardHex("sdram", 0, 8), "0000000000000000");
    EXPECT_EQ(BoardHex("flash", 0, 4), "FFFFFFFF");
    EXPECT_EQ(Slurp(File("old.bin")), "keep me");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 9) << "no file left behind";
}

// What a dump must not write is refused with its reason before the board is touched: the
// kernel's /proc/self/mem, a link another user planted in a shared folder, and, as cp
// refuses it, a file the user may not write, which --force replaces.
TEST_F(MemFiles, ADumpRefusesATargetItMustNotWriteBeforeTouchingTheBoard)
{
    const fs::path shared = folder / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms(01777));
    Put(File("victim"), "mine");
    fs::create_symlink(File("victim"), shared / "dump.bin");
    ASSERT_TRUE(testsupport::GiveTo((shared / "dump.bin").string(), testsupport::Nobody()));
    sim->Ctl("mem write eeprom 0 AB CD");
    sim->Ctl("unplug"); // a dump that reached for the board would fail with the link code
    const struct {
        std::string file;
        const char* message;
    } refusals[] = {
        {"/proc/self/mem", "FILE: '/proc/self/mem' is not a regular file"},
        {(shared / "dump.bin").string(), "is a symbolic link another user made in a folder others may write to"},
    };
    for (const auto& refusal : refusals) {
        const clitest::TRun run = Vx5h("mem dump eeprom " + refusal.file + " --length 1");
        EXPECT_EQ(run.code, 5) << refusal.file;
        EXPECT_NE(run.err.find(refusal.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(Slurp(File("victim")), "mine");

    // Its owner, an ordinary user, on a simulator of that user's own.
    fs::permissions(folder, fs::perms(0711));
    const fs::path own = folder / "own";
    fs::create_directory(own);
    fs::permissions(own, fs::perms(0700));
    Put(own / "ro.bin", "kept");
    fs::permissions(own / "ro.bin", fs::perms(0444));
    for (const fs::path& path : {own, own / "ro.bin"})
        ASSERT_TRUE(testsupport::GiveTo(path.string(), testsupport::Nobody()));
    const std::string vx5h = "VX5H_SIM_SOCKET='" + (own / "b.sock").string() + "' '"
        + testsupport::SimulatedBoard::BinFolder() + "vx5h' -q mem dump eeprom '" + (own / "ro.bin").string()
        + "' --length 1";
    const int refused = testsupport::RunAs(testsupport::Nobody(), [&] {
        return std::system((vx5h + " 2>'" + (own / "err").string() + "'").c_str()) == 5 << 8 ? 0 : 1;
    });
    EXPECT_EQ(refused, 0);
    EXPECT_NE(Slurp(own / "err").find("cannot replace '" + (own / "ro.bin").string()
                  + "': you may not write it (--force replaces it)"),
        std::string::npos)
        << Slurp(own / "err");
    EXPECT_EQ(Slurp(own / "ro.bin"), "kept");
    const int replaced = testsupport::RunAs(testsupport::Nobody(), [&] {
        const int code = std::system((vx5h + " --force").c_str());
        std::system(("VX5H_SIM_SOCKET='" + (own / "b.sock").string() + "' '" + testsupport::SimulatedBoard::BinFolder()
            + "vx5h-board-sim' ctl quit >/dev/null 2>&1").c_str());
        return code;
    });
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(Slurp(own / "ro.bin").size(), 2u) << "the word dumped";
    EXPECT_EQ(fs::status(own / "ro.bin").permissions(), fs::perms(0444));
}

TEST_F(MemFiles, EraseBringsFlashBackToFF)
{
    sim->Ctl("mem write flash 0x7ffffe 12 34");
    const clitest::TRun run = Vx5h("mem erase FLASH");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(BoardHex("flash", 0x7FFFFE, 2), "FFFF");
}

TEST_F(MemFiles, RelativeFileNamesMeanTheFolderVx5hStartsIn)
{
    // Opening the cable moves the process into the program folder; a file named after
    // that must still be the user's.
    const std::string vx5h = "'" + testsupport::SimulatedBoard::BinFolder() + "vx5h' ";
    int code = -1;
    const std::string out = testsupport::RunCommand("cd '" + folder.string() + "' && " + vx5h
            + "mem dump eeprom e.hex 2>&1 && " + vx5h + "mem load ssram-0 e.hex --verify 2>&1",
        &code);
    EXPECT_EQ(code, 0) << out;
    EXPECT_EQ(fs::file_size(File("e.hex")), 2u * 4096);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1) << "no part file left";
}

struct TInterruption {
    const char* command; // FOLDER stands for the test's folder
    const char* how;     // shell words run while the transfer goes on; PID is vx5h's
    int code;
    const char* message;
    const char* out = ""; // a part of standard output
};

TEST_F(MemFiles, ATransferStoppedMidwayLeavesTheFilesAndAUsableBoardOrTheLinkCode)
{
    const TInterruption interruptions[] = {
        {"mem dump sdram FOLDER/old.bin", "kill -INT $PID", 130, "mem dump stopped with Ctrl-C at word"},
        // A closed terminal stops it as Ctrl-C does.
        {"mem dump sdram FOLDER/old.bin", "kill -HUP $PID", 130, "mem dump stopped with Ctrl-C at word"},
        {"mem dump sdram FOLDER/old.bin", "CTL unplug", 4, "mem dump stopped at word"},
        {"mem load sdram FOLDER/big.bin", "kill -INT $PID", 130, "mem load stopped with Ctrl-C at word"},
        {"mem load sdram FOLDER/big.bin", "CTL unplug", 4, "the link failed ("},
        // A failed exchange is sent again; one that keeps failing is the link's fault, by its cause.
        {"mem load sdram FOLDER/big.bin", "CTL fault checksum 2", 0,
            "mem load: 1 packet was sent again after the link failed (last: bad checksum or end marker)"},
        {"mem dump sdram FOLDER/old.bin", "CTL fault checksum 9", 4,
            "the link failed (bad checksum or end marker), also when the packet was sent again"},
        // A lost link is the self-test's error, and a stopped one is no pass.
        {"selftest --only sdram --full --json", "CTL unplug", 4, "selftest: the link to the board was lost",
            "\"result\":\"error\""},
        {"selftest --only sdram --full", "kill -INT $PID", 130, "selftest stopped with Ctrl-C",
            ": stopped; the board was not judged\n"},
    };
    for (const TInterruption& interruption : interruptions) {
        SCOPED_TRACE(std::string(interruption.command) + ", " + interruption.how);
        Put(File("old.bin"), "keep me");
        Put(File("big.bin"), "");
        fs::resize_file(File("big.bin"), 8u << 20);
        sim->Ctl("link 2000000 0"); // a few seconds for 8 MB, a minute for 128 MB
        const std::string how = clitest::WithSimControl(interruption.how, *sim);
        std::string command = interruption.command;
        if (command.find("FOLDER") != std::string::npos)
            command.replace(command.find("FOLDER"), 6, folder.string());
        const auto start = std::chrono::steady_clock::now();
        const clitest::TRun run = clitest::Vx5hWhile(command, 1000, how);
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(run.code, interruption.code) << run.err;
        EXPECT_NE(run.err.find(interruption.message), std::string::npos) << run.err;
        EXPECT_NE(run.out.find(interruption.out), std::string::npos) << run.out;
        EXPECT_LT(seconds, 15.0) << "within the link's budgets";
        EXPECT_EQ(Slurp(File("old.bin")), "keep me");
        EXPECT_EQ(fs::file_size(File("big.bin")), 8u << 20);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2) << "no file left behind";
        sim->Ctl("fault none");
        sim->Ctl("plug");
        sim->Ctl("link 0 0");
        EXPECT_EQ(Vx5h("led 5").code, 0) << "the board is usable afterwards";
    }
}

TEST_F(MemFiles, TheProgressLineShowsOnATerminalOnly)
{
    const std::string dump = "mem dump sdram " + File("d.bin") + " --length 100000";
    const std::string onTerminal = testsupport::RunCommand("script -qec \"'" + testsupport::SimulatedBoard::BinFolder()
        + "vx5h' " + dump + "\" /dev/null");
    EXPECT_NE(onTerminal.find("100%  2.0 MB of 2.0 MB"), std::string::npos) << onTerminal;
    EXPECT_NE(onTerminal.find("2.0 MB in "), std::string::npos) << onTerminal;
    const std::string quiet = testsupport::RunCommand("script -qec \"'" + testsupport::SimulatedBoard::BinFolder()
        + "vx5h' -q " + dump + "\" /dev/null");
    EXPECT_EQ(quiet, "");
    EXPECT_EQ(Vx5h(dump).err, "") << "standard error is no terminal";
}

} // namespace
