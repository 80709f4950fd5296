#include "core/LedMask.h"

namespace leds {

std::uint32_t LedMask(const std::function<bool(int)>& lit)
{
    std::uint32_t mask = 0;
    for (int i = 0; i < LED_COUNT; ++i)
        if (lit(i))
            mask |= std::uint32_t{1} << i;
    return mask;
}

std::string LedName(int id)
{
    return IsGreen(id) ? "GLED" + std::to_string(id) : "RLED" + std::to_string(id - GREEN_COUNT);
}

} // namespace leds
