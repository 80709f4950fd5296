#include "ui/BitmapManager.h"

#include "ui/Assert.h"
#include "ui/BitmapLoader.h"
#include "ui/Blit.h"
#include "ui/SkinnedWindow.h"

namespace ui {

TBitmapManager::TBitmapManager(QImage* canvas, QWidget* window)
    : m_canvas(canvas)
    , m_window(window)
{ }

TBitmapManager::~TBitmapManager()
{
    for (const auto& p : m_entries)
        UI_CHECK(p->pBitmap, "BitmapManager");
}

void TBitmapManager::Add(int key, const QString& resourceName, bool transparent)
{
    auto entry = std::make_unique<TEntry>();
    entry->key = key;
    entry->pBitmap = std::make_unique<QImage>();
    entry->transparent = transparent;
    entry->name = resourceName;
    entry->size = NamedBitmapSize(resourceName);
    m_entries.push_back(std::move(entry));
}

QImage& TBitmapManager::BitmapFor(const TEntry& entry, qreal ratio)
{
    QImage& bitmap = *entry.pBitmap;
    if (bitmap.isNull() || RatioOf(bitmap) != ratio)
        bitmap = LoadNamedBitmap(entry.name, ratio);
    return bitmap;
}

const TBitmapManager::TEntry* TBitmapManager::Find(int key) const
{
    for (const auto& p : m_entries)
        if (p->key == key)
            return p.get();
    return nullptr;
}

void TBitmapManager::Draw(int key, int x, int y, QImage* canvas)
{
    const TEntry* entry = Find(key);
    QImage* target = canvas ? canvas : m_canvas;
    if (!entry || !target)
        return;
    // A window about to draw its whole canvas draws this bitmap then too.
    const auto* skinned = qobject_cast<const TSkinnedWindow*>(m_window);
    if (target == m_canvas && skinned && skinned->CanvasAwaitsPaint())
        return;
    const qreal ratio = RatioOf(*target);
    const QImage& bitmap = BitmapFor(*entry, ratio);
    // The key colour is read at each draw: a page may have drawn into the bitmap.
    const QRect changed = BlitRows(
        *target, DevicePoint(QPoint(x, y), ratio), bitmap, bitmap.rect(), entry->transparent, TransparentKey(bitmap));
    if (target == m_canvas)
        ShowCanvasChange(m_window, LogicalRect(changed, ratio));
}

QSize TBitmapManager::GetSize(int key) const
{
    const TEntry* entry = Find(key);
    return entry ? entry->size : QSize(0, 0);
}

QImage* TBitmapManager::GetBitmap(int key) const
{
    const TEntry* entry = Find(key);
    if (!entry)
        return nullptr;
    return &BitmapFor(*entry, m_canvas ? RatioOf(*m_canvas) : 1.0);
}

} // namespace ui
