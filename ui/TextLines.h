#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace ui {

// `text` broken into lines no wider than `width` pixels in `font`: at word boundaries
// where it can, anywhere inside a word wider than a line, and at every line break of the
// text. With more lines than `maxLines`, the last one kept ends in an ellipsis, so that
// only a text too long for the room is cut, and visibly so.
QStringList WrapToLines(const QString& text, const QFont& font, int width, int maxLines);

} // namespace ui
