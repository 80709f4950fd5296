#pragma once

#include "platform/DynamicLibrary.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// The machine a program or library file was built for, as its header says: a Windows
// PE file or an ELF file. A program can load only a library of its own machine, and the
// system's own message for the mismatch ("%1 is not a valid Win32 application", error
// 193) does not tell a person what to do.
struct TMachine {
    int bits = 0;             // 32 or 64; 0 when the header names no machine this knows
    const char* name = "";    // "x86", "x64", "ARM", "ARM64"
    const char* format = "";  // "PE" (Windows) or "ELF" (Linux); empty when the bytes are neither
    bool operator==(const TMachine& other) const { return bits == other.bits && std::string(name) == other.name; }
};

// The machine named by the first bytes of a file (at least the first 4 KB where the
// file has them); bits 0 when they are no PE or ELF header, or name no machine this knows.
TMachine MachineOfHeader(const std::uint8_t* bytes, std::size_t count);

// The machine this program runs as, and the format of its system's libraries.
TMachine ProgramMachine();

// Why a program of `program`'s machine cannot load a library whose file `name` starts
// with `bytes`, in words for a person; empty when the header is of the program's own
// machine (or the program's machine is unknown). Bytes that are no library of the
// program's system at all (text, a cut file, "MZ" alone) are named so: the loader would
// refuse them with a code nobody understands.
std::string HeaderMismatch(
    const std::uint8_t* bytes, std::size_t count, const std::string& name, const TMachine& program);

// Why this program cannot load the library at `path` ("QELVANO_JTAG.DLL is a 32-bit
// library; this program is 64-bit ...", "... is not a Windows library"): HeaderMismatch
// of its first bytes; empty when it can, or when the file cannot be read (the loader
// then has its say).
std::string LibraryMismatch(const std::string& path);

// Loads the library `name` from the program's own folder, and from nowhere else. When it
// cannot, shows the error dialog "fail to load dll - <path>", followed by why where it
// knows: the program's folder is unknown, or the library is of another machine (it is
// then not even tried); and returns nullptr.
std::unique_ptr<DynamicLibrary> LoadOrShowError(const std::string& name);

} // namespace platform
