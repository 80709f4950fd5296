#pragma once

#include "core/SwitchState.h"

#include <QPoint>
#include <QString>

// Where the switches page draws each input.
namespace switches {

// Top-left corner of the input's picture.
QPoint PicturePlace(int bit);
// The label (the input's name), the x its text is centred on and the top of its text.
QString Label(int bit);
int LabelCentreX(int bit);
int LabelTop(int bit);

} // namespace switches
