#include "resources/Art.h"
#include "resources/Paint.h"

#include <QPainter>

namespace resources::art {

void PaintPageBackground(QPainter& p, const QRect& area, PageKind) { Placeholder(p, area, 3, QString()); }
void PaintAboutBackground(QPainter& p, const QRect& area, int) { Placeholder(p, area, 3, QStringLiteral("About")); }
void PaintComposite(QPainter& p, const QRect& area, int) { Placeholder(p, area, 0, QStringLiteral("Composite")); }
void PaintIcon(QPainter& p, const QRect& area, IconKind) { Placeholder(p, area, 2, QString()); }

} // namespace resources::art
