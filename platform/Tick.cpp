#include "Tick.h"

#include <chrono>
#include <utility>

namespace platform {
namespace {

TickSource& Source()
{
    static TickSource source;
    return source;
}

std::uint32_t SystemTick()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

} // namespace

std::uint32_t TickCount()
{
    const TickSource& source = Source();
    return source ? source() : SystemTick();
}

void SetTickSource(TickSource source) { Source() = std::move(source); }

} // namespace platform
