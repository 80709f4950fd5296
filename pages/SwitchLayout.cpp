#include "pages/SwitchLayout.h"

namespace switches {

namespace {

// Keys are 44 pixels wide, switches 20; the labels sit under the pictures.
constexpr int KEY_LABEL_DX = 22;
constexpr int KEY_LABEL_DY = 48;
constexpr int SWITCH_LABEL_DX = 10;
constexpr int SWITCH_LABEL_DY = 64;
constexpr int SWITCHES_PER_ROW = 9;

} // namespace

QPoint PicturePlace(int bit)
{
    if (IsKey(bit))
        return {223 - 48 * bit, 18};
    const int sw = bit - KEY_COUNT;
    const int row = sw / SWITCHES_PER_ROW;
    return {332 - 32 * (sw % SWITCHES_PER_ROW), row == 0 ? 98 : 183};
}

QString Label(int bit) { return QString::fromStdString(InputName(bit)); }

int LabelCentreX(int bit) { return PicturePlace(bit).x() + (IsKey(bit) ? KEY_LABEL_DX : SWITCH_LABEL_DX); }

int LabelTop(int bit) { return PicturePlace(bit).y() + (IsKey(bit) ? KEY_LABEL_DY : SWITCH_LABEL_DY); }

} // namespace switches
