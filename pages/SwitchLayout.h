#pragma once

#include "core/SwitchState.h"

#include <QPoint>
#include <QString>

// Where the switches page draws each input.
namespace switches {

// Where the headings "Keys" and "Switches" start: as far left as the memory page's, so
// that "Switches" ends well before the frame of the switch rail beside it.
constexpr int HEADING_LEFT = 16;
constexpr int KEYS_HEADING_TOP = 18;
constexpr int SWITCHES_HEADING_TOP = 98;

// Top-left corner of the input's picture.
QPoint PicturePlace(int bit);
// The label (the input's name), the x its text is centred on and the top of its text.
QString Label(int bit);
int LabelCentreX(int bit);
int LabelTop(int bit);

} // namespace switches
