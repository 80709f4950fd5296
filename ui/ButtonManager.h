#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <vector>

#include "ui/CustomButton.h"

class QWidget;

namespace ui {

enum TButtonMode : unsigned char {
    bmRadio = 0,  // a release selects the button and unselects the others
    bmPush = 1,   // no selection
    bmToggle = 2, // a release flips the button's selection
};

// A group of skinned buttons of one window. The window forwards its mouse events to
// the group (first group first) and acts on the id that MouseUp returns. All drawing
// goes straight to `canvas` and the changed rectangle is shown at once on `window`.
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

    int HoverId() const { return m_hoverId; }
    bool Pressed() const { return m_pressed; }
    TButtonMode Mode() const { return m_mode; }
    int Count() const { return static_cast<int>(m_buttons.size()); }
    int EnabledCount() const;

private:
    void DrawButton(const TCustomButton& button, TButtonFrame frame);
    void DrawButtonRest(const TCustomButton& button);
    void Show(const QRect& changed);
    void CaptureMouse();
    void ReleaseMouse();

    std::vector<std::unique_ptr<TCustomButton>> m_buttons;
    int m_hoverId = -1;
    QWidget* m_window;
    QImage* m_canvas;
    TButtonMode m_mode;
    bool m_pressed = false;
};

} // namespace ui
