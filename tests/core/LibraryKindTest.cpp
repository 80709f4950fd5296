// A library of the other word size (or machine): read from its header before the loader
// refuses it with a code nobody understands, and named in words the person can act on.
#include "board/Jtagport.h"
#include "config/Download.h"
#include "platform/LibraryKind.h"
#include "tests/core/CoreTestSupport.h"

#include <vector>

using namespace coretest;

namespace {

using Bytes = std::vector<std::uint8_t>;

// "MZ", e_lfanew = 0x80, then "PE\0\0" and the machine.
Bytes PeHeader(std::uint16_t machine)
{
    Bytes bytes(0x200, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[60] = 0x80;
    const std::uint8_t pe[] = {'P', 'E', 0, 0, std::uint8_t(machine), std::uint8_t(machine >> 8)};
    std::copy(std::begin(pe), std::end(pe), bytes.begin() + 0x80);
    return bytes;
}

Bytes ElfHeader(std::uint8_t elfClass, std::uint8_t byteOrder, std::uint16_t machine)
{
    Bytes bytes(64, 0);
    const std::uint8_t ident[] = {0x7F, 'E', 'L', 'F', elfClass, byteOrder};
    std::copy(std::begin(ident), std::end(ident), bytes.begin());
    bytes[18] = std::uint8_t(machine);
    bytes[19] = std::uint8_t(machine >> 8);
    return bytes;
}

Bytes With(Bytes bytes, std::size_t at, std::initializer_list<std::uint8_t> patch)
{
    std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return bytes;
}

// A header of this program's system, of the other word size than this program's.
Bytes OtherWordSizeHeader()
{
    const bool own64 = platform::ProgramMachine().bits == 64;
    if (std::string(platform::ProgramMachine().format) == "PE")
        return own64 ? PeHeader(0x014C) : PeHeader(0x8664);
    return own64 ? ElfHeader(1, 1, 3) : ElfHeader(2, 1, 62);
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

} // namespace

TEST(LibraryKind, HeadersNameTheirMachineAndAnythingElseNamesNone)
{
    struct Case {
        const char* what;
        Bytes bytes;
        int bits;
        std::string name;
    };
    const std::vector<Case> cases = {
        {"PE x86", PeHeader(0x014C), 32, "x86"},
        {"PE x64", PeHeader(0x8664), 64, "x64"},
        {"PE ARM64", PeHeader(0xAA64), 64, "ARM64"},
        {"PE of an unknown machine", PeHeader(0x0200), 0, ""},
        {"PE signature missing", With(PeHeader(0x8664), 0x80, {'N', 'E'}), 0, ""},
        {"PE header beyond the bytes read", With(PeHeader(0x8664), 60, {0xFC, 0x01}), 0, ""},
        {"PE header offset near 4 GB", With(PeHeader(0x8664), 60, {0xFE, 0xFF, 0xFF, 0xFF}), 0, ""},
        {"MZ alone", Bytes{'M', 'Z'}, 0, ""},
        {"ELF 32-bit x86", ElfHeader(1, 1, 3), 32, "x86"},
        {"ELF 64-bit x86-64", ElfHeader(2, 1, 62), 64, "x64"},
        {"ELF 64-bit AArch64", ElfHeader(2, 1, 183), 64, "ARM64"},
        {"ELF whose class contradicts its machine", ElfHeader(1, 1, 62), 0, ""},
        {"ELF big-endian", ElfHeader(2, 2, 62), 0, ""},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o'}, 0, ""},
        {"nothing", Bytes{}, 0, ""},
    };
    for (const Case& c : cases) {
        const platform::TMachine machine = platform::MachineOfHeader(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(machine.bits, c.bits) << c.what;
        EXPECT_EQ(std::string(machine.name), c.name) << c.what;
    }
}

// What a program can load is a library of its own system's format and machine: a text
// file, "MZ" alone or a library of the other system named as one of ours is refused in
// words, never passed as loadable.
TEST(LibraryKind, OnlyALibraryOfTheProgramsSystemAndMachinePasses)
{
    const platform::TMachine windows64{64, "x64", "PE"};
    const platform::TMachine linux64{64, "x64", "ELF"};
    const std::string garbage = "garbage";
    const struct {
        const char* what;
        Bytes bytes;
        platform::TMachine program;
        std::string said; // the start of the words after the file's name; empty: loadable
    } cases[] = {
        {"its own kind", PeHeader(0x8664), windows64, ""},
        {"a text file", Bytes(garbage.begin(), garbage.end()), windows64, " is not a Windows library"},
        {"MZ alone", Bytes{'M', 'Z'}, windows64, " is not a Windows library"},
        {"an empty file", Bytes{}, windows64, " is not a Windows library"},
        {"a Linux library of the machine", ElfHeader(2, 1, 62), windows64, " is not a Windows library"},
        {"a Windows library on Linux", PeHeader(0x8664), linux64, " is not a Linux library"},
        {"PE of an unknown machine", PeHeader(0x0200), windows64, " is a library for a machine this program does"},
        {"the other word size", PeHeader(0x014C), windows64, " is a 32-bit library; this program is 64-bit"},
        {"another machine of the word size", PeHeader(0xAA64), windows64, " is a library for ARM64"},
        {"a program of unknown machine", Bytes{'M', 'Z'}, platform::TMachine{0, "", "PE"}, ""},
    };
    for (const auto& c : cases) {
        const std::string said = platform::HeaderMismatch(c.bytes.data(), c.bytes.size(), "X.DLL", c.program);
        if (c.said.empty())
            EXPECT_EQ(said, "") << c.what;
        else
            EXPECT_EQ(said.rfind("X.DLL" + c.said, 0), 0u) << c.what << ": " << said;
    }
}

TEST(LibraryKind, ALibraryBuiltWithTheProgramIsOfItsOwnKind)
{
    // The fakes come from this build: a parser that misread real files would turn every
    // good library away.
    EXPECT_EQ(platform::LibraryMismatch(FakeJtagDir() + "QELVANO_JTAG.DLL"), "");
    EXPECT_EQ(platform::LibraryMismatch(FakeDownloadDir() + "QELVANO_DOWNLOAD.DLL"), "");
    EXPECT_EQ(platform::LibraryMismatch(EmptyDir() + "QELVANO_JTAG.DLL"), ""); // missing: the loader says so
}

TEST(LibraryKind, BothLibrariesOfTheOtherWordSizeAreNamedAndNeverLoaded)
{
    TempFolder folder;
    WriteBytes(folder / "QELVANO_JTAG.DLL", OtherWordSizeHeader());
    WriteBytes(folder / "QELVANO_DOWNLOAD.DLL", OtherWordSizeHeader());
    const std::u8string folderText = (folder / "").u8string();
    const std::string programFolder(folderText.begin(), folderText.end());
    UserHooks hooks;
    platform::OverrideExecutableFolder(programFolder);
    TJtagPort port(0, "");
    const TDownload download;
    platform::OverrideExecutableFolder(std::nullopt);

    const int own = platform::ProgramMachine().bits;
    const std::string other = own == 64 ? "32-bit" : "64-bit";
    const std::string why = " is a " + other + " library; this program is " + std::to_string(own)
        + "-bit and cannot load it. A " + other + " library needs the " + other + " program.";
    EXPECT_EQ(hooks.dialogs, (std::vector<std::string>{
                                 "fail to load dll - " + programFolder + "QELVANO_JTAG.DLL\nQELVANO_JTAG.DLL" + why,
                                 "fail to load dll - " + programFolder + "QELVANO_DOWNLOAD.DLL\nQELVANO_DOWNLOAD.DLL" + why,
                             }));
    EXPECT_FALSE(port.IsLoaded());
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(download.IsLoaded());
    EXPECT_EQ(download.GetQuartusVersion(), 0.0);
}
