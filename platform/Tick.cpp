#include "Tick.h"

#include "platform/Native.h"

#include <chrono>
#include <utility>

namespace platform {
namespace {

TickSource& Source()
{
    static TickSource source;
    return source;
}

} // namespace

std::uint32_t TickCount()
{
    const TickSource& source = Source();
    return source ? source() : native::SystemTick();
}

void SetTickSource(TickSource source) { Source() = std::move(source); }

std::uint64_t MonotonicMicroseconds()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace platform
