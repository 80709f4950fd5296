#include "Tick.h"

#include "platform/Native.h"

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

} // namespace platform
