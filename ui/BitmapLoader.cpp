#include "ui/BitmapLoader.h"

#include <QDebug>
#include <utility>

#include "ui/Blit.h"

#include "resources/Resources.h"

namespace ui {

namespace {

BitmapLoader& Loader()
{
    static BitmapLoader loader;
    return loader;
}

} // namespace

QImage LoadNamedBitmap(const QString& name, qreal ratio)
{
    ratio = resources::NormalRatio(ratio);
    QImage image = Loader() ? Loader()(name, ratio) : resources::LoadBitmap(name, ratio);
    if (image.isNull())
        qWarning("bitmap resource \"%s\" not found", qUtf8Printable(name));
    return ToWorkingFormat(std::move(image));
}

QSize NamedBitmapSize(const QString& name)
{
    // The program's artwork knows its sizes without drawing anything, which keeps the
    // start short: a window's pictures are drawn when it is first shown.
    const QSize size = Loader() ? LogicalSize(Loader()(name, 1.0)) : resources::BitmapSize(name);
    if (!size.isValid() || size.isEmpty()) {
        qWarning("bitmap resource \"%s\" not found", qUtf8Printable(name));
        return {0, 0};
    }
    return size;
}

BitmapLoader SetBitmapLoader(BitmapLoader loader) { return std::exchange(Loader(), std::move(loader)); }

} // namespace ui
