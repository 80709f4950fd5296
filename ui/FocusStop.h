#pragma once

#include <QRect>
#include <vector>

class QWidget;

namespace ui {

class TButtonManager;
class TSkinnedWindow;

// A place where Tab stops: a skinned button of a window's group, or one of the window's
// standard controls (edit box, check box, list).
struct TFocusStop {
    TSkinnedWindow* owner = nullptr;
    TButtonManager* group = nullptr; // with `id`: a skinned button
    int id = -1;
    QWidget* widget = nullptr; // otherwise this control
    QRect rect;                // in the owner's coordinates
    bool enabled = true;
};

// Puts the stops of one window in reading order: rows from top to bottom, each row from
// left to right. A stop belongs to the row of the first stop above it when its middle
// lies within that stop's height, so that a check box beside an edit box, a little
// lower, still reads as the same line.
void SortInReadingOrder(std::vector<TFocusStop>& stops);

} // namespace ui
