#include "platform/Native.h"

#include <windows.h>

namespace platform::native {

std::uint32_t SystemTick() { return ::GetTickCount(); }

void SystemBeep() { ::MessageBeep(MB_OK); }

} // namespace platform::native
