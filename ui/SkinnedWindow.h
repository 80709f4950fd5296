#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>

class QEvent;
class QMouseEvent;
class QPaintEvent;
class QShowEvent;

namespace ui {

// Cursors the skinned windows use.
enum class TCursor {
    Default,
    Hand,
    HourGlass
};
// Sets the cursor shown over `window` (nothing for a null window).
void SetWindowCursor(QWidget* window, TCursor cursor);

// Shows the changed rectangle of `window`'s canvas on screen at once: a synchronous
// repaint of that rectangle when the window is visible, nothing otherwise (the next
// paint blits the whole canvas anyway). Safe to call from inside FormPaint.
void ShowCanvasChange(QWidget* window, const QRect& changed);

// Base of every skinned window (main window, about box, page windows).
//
// Qt draws only inside paint events, so the window keeps a backing image, its canvas,
// that the kit (TBitmapManager, TButtonManager) and the window itself draw into at the
// moment of the call; paintEvent only copies the canvas to the screen. FormPaint()
// redraws the whole canvas from the window's state (background key 0 first, then the
// buttons); it runs before the first paint after SetCanvasSize and after
// InvalidateCanvas(), so it must draw everything the window shows, not just changes.
//
// Mouse: presses, moves and releases reach FormMouseDown/Move/Up in window coordinates.
// Mouse tracking is on, so moves arrive while no button is held; Qt grabs the mouse
// implicitly while a button is held, so moves and the release still arrive after the
// pointer left the window. Instead of grabbing the pointer for hover (an X11 grab would
// steal the pointer from the whole desktop), a leave event is forwarded as a move to
// (-1, -1), which is over no button: the hovered button returns to rest and the cursor
// to the default exactly as when the pointer moves onto the background.
class TSkinnedWindow : public QWidget {
    Q_OBJECT

public:
    explicit TSkinnedWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~TSkinnedWindow() override;

    // The backing image. The pointer stays valid for the window's life (SetCanvasSize
    // replaces the picture, not the object), so managers may keep it.
    QImage* Canvas() { return &m_canvas; }
    const QImage* Canvas() const { return &m_canvas; }

    // Makes the canvas and the window's fixed client size `size` (usually the size of the
    // background bitmap) and schedules a FormPaint.
    void SetCanvasSize(const QSize& size);
    void SetCanvasSize(int width, int height) { SetCanvasSize(QSize(width, height)); }

    // Redraws the canvas through FormPaint and shows it, now (when visible).
    void RepaintCanvas();
    // Schedules a FormPaint before the next paint.
    void InvalidateCanvas();

    // Shows a changed rectangle of the canvas at once (see ShowCanvasChange).
    void ShowChange(const QRect& changed);

    // Where a leave event is forwarded as a move (over no button).
    static constexpr int OUTSIDE = -1;

protected:
    // Redraws the whole canvas. The default fills it black.
    virtual void FormPaint();
    virtual void FormMouseDown(int x, int y);
    virtual void FormMouseMove(int x, int y);
    virtual void FormMouseUp(int x, int y);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void EnsureFormPainted();

    QImage m_canvas;
    bool m_needsFormPaint = true;
    bool m_inFormPaint = false;
};

} // namespace ui
