#include "app/ConnectSteps.h"

#include <cmath>

std::uint32_t ScaledDuration(float scale, std::uint32_t ms)
{
    const double product = static_cast<double>(scale) * ms;
    if (!std::isfinite(product) || product <= 0.0)
        return 0;
    if (product >= 4294967295.0)
        return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(std::lround(product));
}

std::int32_t GaugeValue(
    std::int32_t from, std::int32_t to, std::uint32_t start, std::uint32_t duration, std::uint32_t now)
{
    if (duration == 0)
        return to;
    if (to <= from)
        return to;
    // The product is taken in 64 bits: in 32 it would wrap after some hours under an
    // open message box and throw the gauge back.
    const std::uint64_t elapsed = static_cast<std::uint32_t>(now - start);
    const std::uint64_t span = static_cast<std::uint64_t>(to - from);
    const std::uint64_t step = elapsed * span / duration;
    return step >= span ? to : from + static_cast<std::int32_t>(step);
}
