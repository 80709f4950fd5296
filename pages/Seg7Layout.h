#pragma once

#include "core/Seg7Word.h"

#include <QPoint>
#include <QString>

// Where the seven-segment page draws each digit and its arrows, and their pictures.
namespace seg7 {

// Button ids: 2d steps digit d up, 2d + 1 steps it down.
inline int DigitOfButton(int id) { return id / 2; }
inline bool ButtonStepsUp(int id) { return id % 2 == 0; }

// The digit's reference point; its picture and label are placed from it.
QPoint DigitOrigin(int digit);
inline QPoint DigitPicturePlace(int digit) { return DigitOrigin(digit) + QPoint(8, 20); }
inline QPoint DigitLabelPlace(int digit) { return DigitOrigin(digit) + QPoint(11, 0); }
// Top-left corners of the up and down arrows; the down arrow is 22 pixels left of the up.
inline QPoint UpButtonPlace(int digit) { return DigitOrigin(digit) + QPoint(30, 85); }
inline QPoint DownButtonPlace(int digit) { return UpButtonPlace(digit) - QPoint(22, 0); }

// The label over a digit: its name.
QString DigitLabel(int digit);
// The picture of a value: "HEX_0" ... "HEX_9", "HEX_a" ... "HEX_f".
QString DigitPicture(int value);

} // namespace seg7
