#include "platform/Native.h"

#include <chrono>
#include <cstdio>

namespace platform::native {

std::uint32_t SystemTick()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

// A desktop-free system has no sound of its own to offer: the terminal bell it is.
void SystemBeep()
{
    std::fputc('\a', stderr);
    std::fflush(stderr);
}

} // namespace platform::native
