#include "pages/LedMask.h"

namespace leds {

namespace {

int Row(int id) { return id / LEDS_PER_ROW; }
int PositionInRow(int id) { return id % LEDS_PER_ROW; }

} // namespace

std::uint32_t LedMask(const std::function<bool(int)>& lit)
{
    std::uint32_t mask = 0;
    for (int i = 0; i < LED_COUNT; ++i)
        if (lit(i))
            mask |= std::uint32_t{1} << i;
    return mask;
}

QPoint ButtonPlace(int id) { return {332 - 38 * PositionInRow(id), 40 + 70 * Row(id)}; }

QString Label(int id)
{
    return IsGreen(id) ? QStringLiteral("GLED%1").arg(id) : QStringLiteral("RLED%1").arg(id - GREEN_COUNT);
}

int LabelCentreX(int id) { return 344 - 38 * PositionInRow(id); }

int LabelTop(int id) { return 80 + 70 * Row(id); }

QString Picture(int id, bool lit)
{
    if (IsGreen(id))
        return lit ? QStringLiteral("LEDG_LIGHT_BTN") : QStringLiteral("LEDG_UNLIGHT_BTN");
    return lit ? QStringLiteral("LEDR_LIGHT_BTN") : QStringLiteral("LEDR_UNLIGHT_BTN");
}

} // namespace leds
