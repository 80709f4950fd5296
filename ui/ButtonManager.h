#pragma once

#include <QAccessible>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "ui/CustomButton.h"

namespace ui {

enum TButtonMode : unsigned char {
    bmRadio = 0,  // a release selects the button and unselects the others
    bmPush = 1,   // no selection
    bmToggle = 2, // a release flips the button's selection
};

// A group of skinned buttons of one window. The window forwards its mouse events to
// the group (first group first) and acts on the id that MouseUp returns. All drawing
// goes straight to `canvas` and the changed rectangle is shown at once on `window`.
//
// A group of a skinned window also serves its keyboard focus and its screen readers:
// the window finds its groups through it, lets one button carry the focus mark, and
// presents every button as an accessible push button, toggle button or tab.
class TButtonManager {
public:
    // `window` receives cursor changes and screen updates; `canvas` is its backing image
    // (usually TSkinnedWindow::Canvas()). Neither is owned.
    TButtonManager(QWidget* window, TButtonMode mode, QImage* canvas);
    ~TButtonManager();
    TButtonManager(const TButtonManager&) = delete;
    TButtonManager& operator=(const TButtonManager&) = delete;

    // Note the order: top before left.
    void Add(int id, const QString& caption, int top, int left, const QString& resourceName);

    // Draws every button at rest, in insertion order.
    void PaintAll();

    // Hover handling: true when the pointer is over an enabled button of the group.
    // With `resetCursor` the default cursor comes back when it is over none.
    bool MouseMove(int x, int y, bool resetCursor);
    // Press handling: true when the press landed on an enabled button of the group.
    bool MouseDown(int x, int y);
    // Release handling: the id of the enabled button released over (whichever button was
    // pressed), or -1.
    int MouseUp(int x, int y);

    // The first enabled button containing the point, or nullptr.
    TCustomButton* HitTest(int x, int y) const;
    bool IsOverButton(int x, int y) const { return HitTest(x, y) != nullptr; }
    // The first button with the id, or nullptr. Id-based operations ignore unknown ids.
    TCustomButton* FindById(int id) const;

    void RedrawButton(int id);
    void SetEnabled(int id, bool enabled);
    void SetSelected(int id, bool selected);
    void SetBitmap(int id, const QString& resourceName);
    void SetCaption(int id, const QString& text);
    bool IsSelected(int id) const;
    void ClearSelection();
    void SetAccessibleName(int id, const QString& name);
    void SetTabStop(int id, bool tabStop);

    // The button that shows the keyboard focus mark, -1 for none.
    void SetFocusId(int id);
    int FocusId() const { return m_focusId; }

    // What a screen reader calls the buttons of the group: by default push buttons, toggle
    // buttons in a toggle group and radio buttons in a radio group.
    enum class TRole {
        PushButton,
        ToggleButton,
        RadioButton,
        PageTab,
    };
    void SetRole(TRole role) { m_role = role; }
    TRole Role() const { return m_role; }
    // The buttons in insertion order.
    std::vector<TCustomButton*> Buttons() const;
    QWidget* Window() const { return m_window; }

    int HoverId() const { return m_hoverId; }
    bool Pressed() const { return m_pressed; }
    TButtonMode Mode() const { return m_mode; }
    int Count() const { return static_cast<int>(m_buttons.size()); }
    int EnabledCount() const;

private:
    void DrawButton(const TCustomButton& button, TButtonFrame frame);
    void DrawButtonRest(const TCustomButton& button);
    void Show(const QRect& changed);
    // Selects or unselects, and tells screen readers when that is a change.
    void SelectButton(TCustomButton& button, bool selected);
    void NotifyState(int id, QAccessible::State changed);
    void CaptureMouse();
    void ReleaseMouse();

    std::vector<std::unique_ptr<TCustomButton>> m_buttons;
    int m_hoverId = -1;
    QPointer<QWidget> m_window;
    QImage* m_canvas;
    TButtonMode m_mode;
    bool m_pressed = false;
    int m_focusId = -1;
    TRole m_role;
};

} // namespace ui
