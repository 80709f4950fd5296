#pragma once

#include <cstdint>
#include <string>

// What the operating system itself supplies underneath the platform interface. Each
// system has its own implementation file; the rest of platform/ is shared.
namespace platform::native {

// The system's millisecond tick, wrapping at 2^32.
std::uint32_t SystemTick();

// The system's default beep.
void SystemBeep();

// The folder of the running executable, with a trailing separator.
std::string ExecutableFolder();

} // namespace platform::native
