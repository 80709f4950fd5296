#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

class QWidget;

namespace ui {

// A small keyed cache of whole bitmaps (backgrounds, digits, switch pictures) that a
// window draws at given places. Places and sizes are window coordinates; each bitmap is
// drawn for the device pixel ratio of the canvas it goes onto, on first use and again
// only when that ratio changes (the window moved to a screen of another scale).
class TBitmapManager {
public:
    // `canvas` is the default target of Draw. When `window` is given, drawing onto the
    // default canvas is shown on it at once (pass the window that owns the canvas).
    explicit TBitmapManager(QImage* canvas, QWidget* window = nullptr);
    ~TBitmapManager();
    TBitmapManager(const TBitmapManager&) = delete;
    TBitmapManager& operator=(const TBitmapManager&) = delete;

    // Adds the named bitmap under `key`. Keys need not be unique; lookups take the first.
    // A transparent bitmap leaves the pixels of its bottom-left pixel's colour undrawn.
    void Add(int key, const QString& resourceName, bool transparent);

    // Draws the bitmap of `key` with its top-left corner at (x, y) onto `canvas`, or onto
    // the manager's canvas when `canvas` is null. An unknown key draws nothing.
    void Draw(int key, int x, int y, QImage* canvas = nullptr);

    // Size of the key's bitmap; (0, 0) for an unknown key.
    QSize GetSize(int key) const;
    // The key's bitmap drawn for the default canvas's ratio (a page may draw into it), or
    // nullptr.
    QImage* GetBitmap(int key) const;

private:
    struct TEntry {
        int key;
        std::unique_ptr<QImage> pBitmap;
        bool transparent;
        QString name;
        QSize size; // window coordinates
    };
    const TEntry* Find(int key) const;
    // The entry's bitmap drawn for `ratio`, drawn now if it is not yet.
    static QImage& BitmapFor(const TEntry& entry, qreal ratio);

    std::vector<std::unique_ptr<TEntry>> m_entries;
    QImage* m_canvas;
    QWidget* m_window;
};

} // namespace ui
