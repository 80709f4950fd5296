#include "pages/LedLayout.h"

namespace leds {

namespace {

int Row(int id) { return id / LEDS_PER_ROW; }
int PositionInRow(int id) { return id % LEDS_PER_ROW; }

} // namespace

QPoint ButtonPlace(int id) { return {332 - 38 * PositionInRow(id), 40 + 70 * Row(id)}; }

QString Label(int id) { return QString::fromStdString(LedName(id)); }

int LabelCentreX(int id) { return 344 - 38 * PositionInRow(id); }

int LabelTop(int id) { return 80 + 70 * Row(id); }

QString Picture(int id, bool lit)
{
    if (IsGreen(id))
        return lit ? QStringLiteral("LEDG_LIGHT_BTN") : QStringLiteral("LEDG_UNLIGHT_BTN");
    return lit ? QStringLiteral("LEDR_LIGHT_BTN") : QStringLiteral("LEDR_UNLIGHT_BTN");
}

} // namespace leds
