#pragma once

#include "core/VgaPattern.h"

#include <QColor>
#include <QImage>
#include <QRect>

// The VGA page's preview of the chosen pattern.
namespace vga {

constexpr int PREVIEW_WIDTH = 329;
constexpr int PREVIEW_HEIGHT = 169;
constexpr int GRID_ROWS = 4;
constexpr int GRID_COLUMNS = 40;

// Whether the preview of `index` is the grid of ramps.
bool IsGrid(int index);
// Whether the preview of `index` shows the composite input's picture.
bool ShowsComposite(int index);

// The preview rectangle of grid cell (row, column); widths and heights come from
// integer divisions, so neighbouring cells meet without gaps.
QRect CellRect(int row, int column);

// The colour of grid cell (row, column) of pattern `index`: the level 16 x column
// modulo 256 in red, green, blue or grey by row for "Color Scale", in one colour
// across all rows for the three single-colour scales.
QColor CellColour(int index, int row, int column);

// The colour of a solid pattern (indexes 1 to 5).
QColor SolidColour(int index);

// Draws the preview of `index` over the whole of `preview` (PREVIEW_WIDTH x
// PREVIEW_HEIGHT window pixels, drawn for its device pixel ratio); indexes without a
// pattern of their own show `composite` (drawn for the same ratio).
void DrawPreview(QImage& preview, int index, const QImage& composite);

} // namespace vga
