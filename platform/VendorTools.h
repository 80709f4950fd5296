#pragma once

#include <optional>
#include <string>

namespace platform {

// The files of the FPGA vendor's programmer tools that our driver libraries use, as the
// tools lay them out on this system, each by full path: the JTAG client libraries of this
// process's word size and the programmer.
struct VendorToolFiles {
    std::string clientLibrary;
    std::string atlanticLibrary;
    std::string programmer;
};

// Where the installation says the tools are (ProgrammerToolsFolder's source); nothing, with
// `why` set, when they are not installed or their folder is not a full path, from which a
// planted copy could be loaded or run.
std::optional<VendorToolFiles> FindVendorTools(std::string& why);

// How the compiler that built the vendor's libraries names a C++ function in their export
// table: GCC's (Itanium) scheme, or Microsoft's for 64-bit or 32-bit code.
enum class CppNameScheme {
    Itanium,
    Microsoft64,
    Microsoft32
};
CppNameScheme VendorNameScheme();

// Keeps the library or program that holds `address` loaded until the process ends: code
// of it may still run on a thread that was given up on.
void PinModuleOf(const void* address);

} // namespace platform
