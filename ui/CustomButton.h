#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>

namespace ui {

// The four frames of a button bitmap, stacked from top to bottom.
enum TButtonFrame : int {
    bfNormal = 0,   // enabled, at rest
    bfDisabled = 1, // disabled
    bfHover = 2,    // under the pointer, no mouse button down
    bfPressed = 3,  // under the pointer while a mouse button is down
};

// One skinned button: a four-frame bitmap and an optional caption, drawn straight onto
// its window's canvas. A plain object; its TButtonManager creates and frees it. Its
// place and size are window coordinates; its bitmap is drawn for the device pixel ratio
// of the canvas it goes onto (on first use, and again when that ratio changes).
class TCustomButton {
public:
    // An empty resource name makes a button without a bitmap (it is then never hit).
    TCustomButton(int id, const QString& caption, int top, int left, const QString& resourceName);
    ~TCustomButton();
    TCustomButton(const TCustomButton&) = delete;
    TCustomButton& operator=(const TCustomButton&) = delete;

    // Copies `frame` of the bitmap to (left, top) and writes the caption over it.
    // Returns the canvas rectangle that changed (empty when nothing was drawn).
    QRect Draw(QImage* canvas, TButtonFrame frame) const;
    // Draw at rest: bfNormal when enabled, bfDisabled otherwise.
    QRect DrawRest(QImage* canvas) const;

    // Whether (x, y) lies on the button's frame rectangle; false without a bitmap.
    bool Contains(int x, int y) const;

    void SetCaption(const QString& text);
    void SetEnabled(bool enabled);
    void SetSelected(bool selected);
    // Replaces the picture with the named bitmap; an empty name changes nothing. Only a
    // button created with a bitmap may change it (a programming error otherwise).
    void SetBitmap(const QString& resourceName);
    // What a screen reader calls the button (the caption unless set otherwise).
    void SetAccessibleName(const QString& name) { m_accessibleName = name; }
    QString AccessibleName() const { return m_accessibleName.isEmpty() ? m_caption : m_accessibleName; }
    // Whether Tab stops at the button (true unless the window reaches it another way).
    void SetTabStop(bool tabStop) { m_tabStop = tabStop; }
    bool TabStop() const { return m_tabStop; }

    int Id() const { return m_id; }
    int Left() const { return m_left; }
    int Top() const { return m_top; }
    bool Enabled() const { return m_enabled; }
    bool Selected() const { return m_selected; }
    const QString& Caption() const { return m_caption; }
    // Frame width and height (0 x 0 without a bitmap).
    QSize FrameSize() const;
    // The frame rectangle in window coordinates.
    QRect Rect() const { return QRect(QPoint(m_left, m_top), FrameSize()); }
    // The bitmap as last drawn (null before the first draw), or nullptr without one.
    const QImage* Bitmap() const { return m_pBitmap.get(); }
    const QString& ResourceName() const { return m_resourceName; }

    // Caption colours.
    static constexpr unsigned CAPTION_ACTIVE = 0x00EAFF;   // RGB(0,234,255): pressed or selected
    static constexpr unsigned CAPTION_NORMAL = 0xFFFFFF;   // white
    static constexpr unsigned CAPTION_DISABLED = 0x969696; // RGB(150,150,150)

private:
    // The bitmap drawn for `ratio`, drawn now if it is not yet.
    const QImage& BitmapFor(qreal ratio) const;

    int m_id;
    bool m_enabled = true;
    int m_left;
    int m_top;
    QString m_caption;
    std::unique_ptr<QImage> m_pBitmap;
    bool m_selected = false;
    QString m_resourceName;
    QSize m_size; // the whole bitmap, window coordinates
    QString m_accessibleName;
    bool m_tabStop = true;
};

} // namespace ui
