#pragma once

#include <QAccessible>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <map>
#include <utility>
#include <vector>

#include "ui/FocusStop.h"

class QEvent;
class QFocusEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QShowEvent;

namespace ui {

class TButtonManager;

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
// The canvas is drawn for the window's device pixel ratio (its screen's scale): it holds
// that many device pixels per window pixel, and everything drawn into it, pictures and
// text alike, is drawn at that resolution, while every place, size and mouse position
// stays in window coordinates. When the window moves to a screen of another scale the
// canvas is made anew for it and FormPaint draws everything again.
//
// Keyboard: Tab and Shift+Tab walk the window's skinned buttons and standard controls in
// reading order (those of a page hosted in it first), the focused skinned button shows a
// focus mark, and Space or Enter press it as a click at its centre would. A focused
// standard control of the window shows the same mark, as a ring on the canvas around it.
// Screen readers see every skinned button as an accessible button with its name and
// state.
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
    // The device pixel ratio the canvas is drawn for.
    qreal CanvasRatio() const;
    // True while the whole canvas waits for FormPaint (it was made or invalidated and not
    // drawn since): drawing parts of it then is wasted, and the kit skips it.
    bool CanvasAwaitsPaint() const;

    // Where a leave event is forwarded as a move (over no button).
    static constexpr int OUTSIDE = -1;

    // --- keyboard focus ---
    // The window's own stops in reading order: rows from top to bottom, each from left to
    // right. Disabled ones are listed too (Tab passes over them).
    std::vector<TFocusStop> FocusStops() const;
    // The stops Tab walks in this window: those of the visible skinned windows it hosts
    // (a page), then its own.
    std::vector<TFocusStop> FocusChain() const;
    // Moves the keyboard focus to the next (or previous) enabled stop of the chain;
    // false when there is none.
    bool MoveFocus(bool next);
    // Gives the keyboard focus to `stop`.
    static void FocusStop(const TFocusStop& stop, Qt::FocusReason reason = Qt::TabFocusReason);
    // Puts the keyboard focus, and the mark, on button `id` of `group` (one of this
    // window's groups).
    void FocusButton(TButtonManager* group, int id, Qt::FocusReason reason = Qt::TabFocusReason);
    // The standard control of this window whose focus ring the canvas shows, or nullptr.
    QWidget* RingedControl() const { return m_ringed; }
    // The skinned button that has the focus: its group (nullptr for none) and id.
    TButtonManager* FocusGroup() const { return m_focusGroup; }
    int FocusId() const { return m_focusId; }
    // Presses an enabled button of one of the window's groups exactly as a click at its
    // centre does; nothing for a disabled or unknown one.
    void PressButton(TButtonManager* group, int id);

    // --- what the button groups tell the window ---
    void AddButtonGroup(TButtonManager* group);
    void RemoveButtonGroup(TButtonManager* group);
    const std::vector<TButtonManager*>& ButtonGroups() const { return m_groups; }
    bool HasButtonGroup(const TButtonManager* group) const;
    // A button's state changed (enabled, selected): screen readers hear of it.
    void ButtonStateChanged(TButtonManager* group, int id, QAccessible::State changed);
    // The accessible interface of a skinned button, made on first use and kept while the
    // button's group lives.
    QAccessibleInterface* AccessibleButton(TButtonManager* group, int id);

protected:
    // Redraws the whole canvas. The default fills it black.
    virtual void FormPaint();
    virtual void FormMouseDown(int x, int y);
    virtual void FormMouseMove(int x, int y);
    virtual void FormMouseUp(int x, int y);

    // The canvas was made for another device pixel ratio than the window's last (or than
    // the one it was built for), before FormPaint draws it: a window draws again what it
    // shows beside the canvas (pictures in labels) for the new ratio.
    virtual void RatioChanged() { }
    // Makes the canvas for the window's present ratio now instead of at the first paint.
    void MakeCanvasNow() { FitCanvasToRatio(); }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void EnsureFormPainted();
    void MakeCanvas();
    // Makes the canvas for the window's present ratio; true when the ratio changed.
    bool FitCanvasToRatio();
    void ClearButtonFocus();
    // The focus moved to `now`: the ring follows it onto a control of this window, or
    // goes when it left them.
    void FollowControlFocus(QWidget* now);

    QImage m_canvas;
    QSize m_canvasSize; // window coordinates
    qreal m_ratio;      // of the last canvas, or of the screen when the window was made
    bool m_needsFormPaint = true;
    bool m_inFormPaint = false;
    std::vector<TButtonManager*> m_groups;
    TButtonManager* m_focusGroup = nullptr;
    int m_focusId = -1;
    QPointer<QWidget> m_ringed;
    QMetaObject::Connection m_focusWatch;
    std::map<std::pair<const TButtonManager*, int>, QAccessible::Id> m_accessibleIds;
};

} // namespace ui
