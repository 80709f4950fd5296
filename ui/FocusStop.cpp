#include "ui/FocusStop.h"

#include <algorithm>

namespace ui {

void SortInReadingOrder(std::vector<TFocusStop>& stops)
{
    std::stable_sort(stops.begin(), stops.end(),
        [](const TFocusStop& a, const TFocusStop& b) { return a.rect.center().y() < b.rect.center().y(); });
    auto rowStart = stops.begin();
    while (rowStart != stops.end()) {
        const QRect anchor = rowStart->rect;
        auto rowEnd = std::find_if(
            rowStart, stops.end(), [&anchor](const TFocusStop& s) { return s.rect.center().y() > anchor.bottom(); });
        std::stable_sort(
            rowStart, rowEnd, [](const TFocusStop& a, const TFocusStop& b) { return a.rect.left() < b.rect.left(); });
        rowStart = rowEnd;
    }
}

} // namespace ui
