#pragma once

#include <QFont>
#include <QPalette>
#include <QSize>

class QFileDialog;
class QWidget;

namespace ui {

// The look of the standard dialogs beside the skinned windows (progress, message boxes,
// the file dialog): the panel's dark face, light text, its cyan accent for what is
// selected, focused or under way, and Arial, so that they read as part of the panel.
QPalette PanelPalette();
QFont DialogFont();
// Gives `dialog` and everything in it that look.
void StyleDialog(QWidget* dialog);

// The file dialog: the panel's look, the detail view, and a size at which the name,
// size, type and date of a file all show, as far as the screen has room for it.
inline constexpr QSize FILE_DIALOG_SIZE{860, 520};
void PrepareFileDialog(QFileDialog& dialog);

} // namespace ui
