#include "platform/LibraryKind.h"

#include "platform/Hooks.h"
#include "platform/Paths.h"

#include <array>
#include <filesystem>

namespace platform {

namespace {

constexpr std::size_t HEADER_BYTES = 4096;

std::uint32_t Le(const std::uint8_t* at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

struct TMachineCode {
    std::uint32_t code;
    TMachine machine;
};
// The machine fields of the headers, for the machines Windows and Linux run on.
constexpr const char* PE = "PE";
constexpr const char* ELF = "ELF";
constexpr TMachineCode PE_MACHINES[]
    = {{0x014C, {32, "x86", PE}}, {0x8664, {64, "x64", PE}}, {0x01C4, {32, "ARM", PE}}, {0xAA64, {64, "ARM64", PE}}};
constexpr TMachineCode ELF_MACHINES[]
    = {{3, {32, "x86", ELF}}, {62, {64, "x64", ELF}}, {40, {32, "ARM", ELF}}, {183, {64, "ARM64", ELF}}};

// The machine of `code`, or one of the format that names no machine this knows.
template<std::size_t N> TMachine Lookup(const TMachineCode (&table)[N], std::uint32_t code)
{
    for (const TMachineCode& entry : table)
        if (entry.code == code)
            return entry.machine;
    return {0, "", table[0].machine.format};
}

// "MZ", then at the offset in bytes 60-63 the signature "PE\0\0" and the machine.
TMachine FromPe(const std::uint8_t* bytes, std::size_t count)
{
    if (count < 64)
        return {};
    const std::uint32_t at = Le(bytes + 60, 4);
    if (at > count - 6 || Le(bytes + at, 4) != 0x00004550)
        return {};
    return Lookup(PE_MACHINES, Le(bytes + at + 4, 2));
}

// "\x7F" "ELF", its class at byte 4 (1: 32-bit, 2: 64-bit), its byte order at 5 and
// the machine at 18.
TMachine FromElf(const std::uint8_t* bytes, std::size_t count)
{
    if (count < 20 || bytes[5] != 1) // the machines this knows are all little-endian
        return {};
    const TMachine machine = Lookup(ELF_MACHINES, Le(bytes + 18, 2));
    return machine.bits == (bytes[4] == 2 ? 64 : 32) ? machine : TMachine{0, "", ELF};
}

std::string Bits(const TMachine& machine) { return std::to_string(machine.bits) + "-bit"; }

} // namespace

TMachine MachineOfHeader(const std::uint8_t* bytes, std::size_t count)
{
    if (count >= 2 && bytes[0] == 'M' && bytes[1] == 'Z')
        return FromPe(bytes, count);
    if (count >= 4 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' && bytes[3] == 'F')
        return FromElf(bytes, count);
    return {};
}

TMachine ProgramMachine()
{
#ifdef _WIN32
    const char* format = PE;
#else
    const char* format = ELF;
#endif
#if defined(__x86_64__) || defined(_M_X64)
    return {64, "x64", format};
#elif defined(__i386__) || defined(_M_IX86)
    return {32, "x86", format};
#elif defined(__aarch64__) || defined(_M_ARM64)
    return {64, "ARM64", format};
#elif defined(__arm__) || defined(_M_ARM)
    return {32, "ARM", format};
#else
    return {0, "", format};
#endif
}

std::string HeaderMismatch(
    const std::uint8_t* bytes, std::size_t count, const std::string& name, const TMachine& program)
{
    const TMachine library = MachineOfHeader(bytes, count);
    if (program.bits == 0 || (library == program && std::string(library.format) == program.format))
        return {};
    if (std::string(library.format) != program.format) {
        const char* system = std::string(program.format) == PE ? "Windows" : "Linux";
        return name + " is not a " + system + " library: this program cannot load it.";
    }
    if (library.bits == 0)
        return name + " is a library for a machine this program does not know; this program is for " + program.name
            + " and cannot load it.";
    if (library.bits != program.bits)
        return name + " is a " + Bits(library) + " library; this program is " + Bits(program)
            + " and cannot load it. A " + Bits(library) + " library needs the " + Bits(library) + " program.";
    return name + " is a library for " + library.name + "; this program is for " + program.name
        + " and cannot load it.";
}

std::string LibraryMismatch(const std::string& path)
{
    const std::u8string utf8(path.begin(), path.end());
    std::FILE* file = OpenFile(std::filesystem::path(utf8), "rb");
    if (!file)
        return {};
    std::array<std::uint8_t, HEADER_BYTES> header{};
    const std::size_t count = std::fread(header.data(), 1, header.size(), file);
    std::fclose(file);

    return HeaderMismatch(header.data(), count, FileNameOf(path), ProgramMachine());
}

std::unique_ptr<DynamicLibrary> LoadOrShowError(const std::string& name)
{
    const std::string folder = ExecutableFolder();
    const std::string path = folder + name;
    if (folder.empty()) {
        ShowErrorDialog("fail to load dll - " + path + ": " + PROGRAM_FOLDER_UNKNOWN);
        return nullptr;
    }
    if (const std::string mismatch = LibraryMismatch(path); !mismatch.empty()) {
        ShowErrorDialog("fail to load dll - " + path + "\n" + mismatch);
        return nullptr;
    }
    auto library = DynamicLibrary::Load(path);
    if (!library)
        ShowErrorDialog("fail to load dll - " + path);
    return library;
}

} // namespace platform
