#pragma once

#include "core/LedMask.h"

#include <QPoint>
#include <QString>

// Where the LED page draws its LEDs. Button id i drives LED bit i.
namespace leds {

constexpr int LEDS_PER_ROW = 9;

// Top-left corner of LED button `id`: rows at top 40, 110 and 180; the lowest LED of a
// row at the right (left 332), each next one 38 pixels further left.
QPoint ButtonPlace(int id);

// The label under LED `id` (its name), its centre and its top.
QString Label(int id);
int LabelCentreX(int id);
int LabelTop(int id);

// The picture of LED `id` lit or unlit.
QString Picture(int id, bool lit);

} // namespace leds
