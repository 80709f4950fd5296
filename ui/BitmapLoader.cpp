#include "ui/BitmapLoader.h"

#include <QDebug>
#include <utility>

#include "ui/Blit.h"

#include "resources/Resources.h"

namespace ui {

namespace {

QImage LoadFromArtwork(const QString& name) { return resources::LoadBitmap(name); }

BitmapLoader& Loader()
{
    static BitmapLoader loader;
    return loader;
}

} // namespace

QImage LoadNamedBitmap(const QString& name)
{
    QImage image = Loader() ? Loader()(name) : LoadFromArtwork(name);
    if (image.isNull())
        qWarning("bitmap resource \"%s\" not found", qUtf8Printable(name));
    return ToWorkingFormat(std::move(image));
}

BitmapLoader SetBitmapLoader(BitmapLoader loader) { return std::exchange(Loader(), std::move(loader)); }

} // namespace ui
