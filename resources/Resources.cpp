#include "resources/Resources.h"

#include "resources/Animation.h"
#include "resources/Catalog.h"

#include <QHash>
#include <QRecursiveMutex>
#include <QMutexLocker>

namespace resources {
namespace {

// Drawn pictures, kept for the life of the process. Windows load their bitmaps while
// they are built, so drawing each one once keeps start-up short. The lock is recursive
// because a few pictures are drawn over a piece of another (a button over the part of
// the board picture it covers).
struct Cache {
    QRecursiveMutex mutex;
    QHash<QString, QImage> bitmaps;
    QHash<QString, QList<QImage>> animations;
};

Cache& TheCache()
{
    static Cache cache;
    return cache;
}

} // namespace

QImage LoadBitmap(const QString& name)
{
    const art::Entry* entry = art::FindEntry(name);
    if (!entry)
        return QImage();
    Cache& cache = TheCache();
    QMutexLocker lock(&cache.mutex);
    auto it = cache.bitmaps.constFind(name);
    if (it != cache.bitmaps.constEnd())
        return *it;
    QImage img = art::Render(*entry);
    cache.bitmaps.insert(name, img);
    return img;
}

QStringList BitmapNames()
{
    QStringList names;
    for (const art::Entry& e : art::Catalog())
        names << e.name;
    return names;
}

QSize BitmapSize(const QString& name)
{
    const art::Entry* entry = art::FindEntry(name);
    return entry ? entry->size : QSize();
}

bool IsButtonBitmap(const QString& name)
{
    const art::Entry* entry = art::FindEntry(name);
    return entry && entry->button;
}

QStringList AnimationNames() { return {QString::fromLatin1(art::kWelcomeAnimation)}; }

QList<QImage> LoadAnimationFrames(const QString& name)
{
    if (name != QLatin1String(art::kWelcomeAnimation))
        return {};
    Cache& cache = TheCache();
    QMutexLocker lock(&cache.mutex);
    auto it = cache.animations.constFind(name);
    if (it != cache.animations.constEnd())
        return *it;
    QList<QImage> frames = art::RenderWelcomeAnimation();
    cache.animations.insert(name, frames);
    return frames;
}

int AnimationFrameCount(const QString& name)
{
    return name == QLatin1String(art::kWelcomeAnimation) ? art::kWelcomeFrames : 0;
}

QImage LoadAnimationFrame(const QString& name, int index)
{
    if (index < 0 || index >= AnimationFrameCount(name))
        return QImage();
    return art::RenderWelcomeFrame(index);
}

} // namespace resources
