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

// A header of the other word size than this program's.
Bytes OtherWordSizeHeader() { return platform::ProgramMachine().bits == 64 ? PeHeader(0x014C) : PeHeader(0x8664); }

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
