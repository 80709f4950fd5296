#include "resources/Art.h"
#include "resources/Paint.h"

#include <QPainter>

namespace resources::art {

void PaintMainUi(QPainter& p, const QRect& area, int)
{
    Placeholder(p, area, 0, QStringLiteral("MAIN_UI"));
}

} // namespace resources::art
