#pragma once

class QPainter;

namespace resources::art {

// Draws every part of the VX5h-260 board at its place in the main window's picture.
void PaintBoardParts(QPainter& p);

} // namespace resources::art
