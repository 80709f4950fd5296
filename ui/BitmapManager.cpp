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
    entry->pBitmap = std::make_unique<QImage>(LoadNamedBitmap(resourceName));
    entry->transparent = transparent;
    m_entries.push_back(std::move(entry));
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
    const QImage& bitmap = *entry->pBitmap;
    // The key colour is read at each draw: a page may have drawn into the bitmap.
    const QRect changed
        = BlitRows(*target, QPoint(x, y), bitmap, bitmap.rect(), entry->transparent, TransparentKey(bitmap));
    if (target == m_canvas)
        ShowCanvasChange(m_window, changed);
}

QSize TBitmapManager::GetSize(int key) const
{
    const TEntry* entry = Find(key);
    if (!entry || entry->pBitmap->isNull())
        return {0, 0};
    return entry->pBitmap->size();
}

QImage* TBitmapManager::GetBitmap(int key) const
{
    const TEntry* entry = Find(key);
    return entry ? entry->pBitmap.get() : nullptr;
}

} // namespace ui
