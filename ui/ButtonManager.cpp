#include "ui/ButtonManager.h"

#include <QWidget>
#include <algorithm>
#include <utility>

#include "ui/FocusMark.h"
#include "ui/SkinnedWindow.h"

namespace ui {

namespace {

TButtonManager::TRole DefaultRole(TButtonMode mode)
{
    switch (mode) {
    case bmToggle:
        return TButtonManager::TRole::ToggleButton;
    case bmRadio:
        return TButtonManager::TRole::RadioButton;
    case bmPush:
        break;
    }
    return TButtonManager::TRole::PushButton;
}

} // namespace

TButtonManager::TButtonManager(QWidget* window, TButtonMode mode, QImage* canvas)
    : m_window(window)
    , m_canvas(canvas)
    , m_mode(mode)
    , m_role(DefaultRole(mode))
{
    // Hover needs moves while no mouse button is held (see TSkinnedWindow).
    if (m_window)
        m_window->setMouseTracking(true);
    if (auto* skinned = qobject_cast<TSkinnedWindow*>(m_window.data()))
        skinned->AddButtonGroup(this);
}

TButtonManager::~TButtonManager()
{
    if (auto* skinned = qobject_cast<TSkinnedWindow*>(m_window.data()))
        skinned->RemoveButtonGroup(this);
}

void TButtonManager::Add(int id, const QString& caption, int top, int left, const QString& resourceName)
{
    m_buttons.push_back(std::make_unique<TCustomButton>(id, caption, top, left, resourceName));
}

void TButtonManager::Show(const QRect& changed) { ShowCanvasChange(m_window, changed); }

void TButtonManager::DrawButton(const TCustomButton& button, TButtonFrame frame)
{
    // A window about to draw its whole canvas draws this button then too.
    const auto* skinned = qobject_cast<const TSkinnedWindow*>(m_window.data());
    if (skinned && skinned->CanvasAwaitsPaint())
        return;
    QRect changed = button.Draw(m_canvas, frame);
    if (button.Id() == m_focusId)
        changed |= DrawFocusMark(m_canvas, button.Rect());
    Show(changed);
}

void TButtonManager::DrawButtonRest(const TCustomButton& button)
{
    DrawButton(button, button.Enabled() ? bfNormal : bfDisabled);
}

void TButtonManager::PaintAll()
{
    for (const auto& button : m_buttons)
        DrawButtonRest(*button);
}

// Capture keeps the window informed while one of its buttons is hovered. Qt delivers
// moves to a window with mouse tracking while the pointer is over it, grabs the mouse
// implicitly while a mouse button is held, and TSkinnedWindow turns leaving the window
// into a move over no button, so nothing more is needed here; the hooks stay as the
// place where that would change.
void TButtonManager::CaptureMouse() { }
void TButtonManager::ReleaseMouse() { }

bool TButtonManager::MouseMove(int x, int y, bool resetCursor)
{
    TCustomButton* button = HitTest(x, y);
    if (button) {
        SetWindowCursor(m_window, TCursor::Hand);
        DrawButton(*button, m_pressed ? bfPressed : bfHover);
        if (m_hoverId >= 0 && m_hoverId != button->Id())
            RedrawButton(m_hoverId);
        m_hoverId = button->Id();
        CaptureMouse();
        return true;
    }
    if (resetCursor)
        SetWindowCursor(m_window, TCursor::Default);
    if (m_hoverId >= 0) {
        RedrawButton(m_hoverId);
        m_hoverId = -1;
    }
    ReleaseMouse();
    return false;
}

bool TButtonManager::MouseDown(int x, int y)
{
    TCustomButton* button = HitTest(x, y);
    if (!button)
        return false;
    DrawButton(*button, bfPressed);
    // The button pressed is the one under the pointer, even when no move came first (a
    // touch screen): recording it lets the next move elsewhere draw it at rest again.
    if (m_hoverId >= 0 && m_hoverId != button->Id())
        RedrawButton(m_hoverId);
    m_hoverId = button->Id();
    m_pressed = true;
    return true;
}

int TButtonManager::MouseUp(int x, int y)
{
    TCustomButton* button = HitTest(x, y);
    int result = -1;
    if (button) {
        result = button->Id();
        if (m_mode == bmRadio)
            ClearSelection();
        if (m_mode == bmToggle)
            SelectButton(*button, !button->Selected());
        else if (m_mode == bmRadio)
            SelectButton(*button, true);
        DrawButtonRest(*button);
    }
    m_pressed = false;
    ReleaseMouse();
    return result;
}

TCustomButton* TButtonManager::HitTest(int x, int y) const
{
    for (const auto& button : m_buttons)
        if (button->Enabled() && button->Contains(x, y))
            return button.get();
    return nullptr;
}

TCustomButton* TButtonManager::FindById(int id) const
{
    for (const auto& button : m_buttons)
        if (button->Id() == id)
            return button.get();
    return nullptr;
}

void TButtonManager::RedrawButton(int id)
{
    if (TCustomButton* button = FindById(id))
        DrawButtonRest(*button);
}

void TButtonManager::SetEnabled(int id, bool enabled)
{
    if (TCustomButton* button = FindById(id)) {
        if (button->Enabled() != enabled) {
            button->SetEnabled(enabled);
            QAccessible::State changed;
            changed.disabled = true;
            NotifyState(id, changed);
        }
        DrawButtonRest(*button);
    }
}

void TButtonManager::SetSelected(int id, bool selected)
{
    if (TCustomButton* button = FindById(id)) {
        SelectButton(*button, selected);
        DrawButtonRest(*button);
    }
}

void TButtonManager::SelectButton(TCustomButton& button, bool selected)
{
    if (button.Selected() == selected)
        return;
    button.SetSelected(selected);
    QAccessible::State changed;
    changed.checked = true;
    changed.selected = true;
    NotifyState(button.Id(), changed);
}

void TButtonManager::NotifyState(int id, QAccessible::State changed)
{
    if (auto* skinned = qobject_cast<TSkinnedWindow*>(m_window.data()))
        skinned->ButtonStateChanged(this, id, changed);
}

void TButtonManager::SetBitmap(int id, const QString& resourceName)
{
    if (TCustomButton* button = FindById(id)) {
        button->SetBitmap(resourceName);
        DrawButtonRest(*button);
    }
}

void TButtonManager::SetCaption(int id, const QString& text)
{
    if (TCustomButton* button = FindById(id)) {
        button->SetCaption(text);
        DrawButtonRest(*button);
    }
}

void TButtonManager::SetAccessibleName(int id, const QString& name)
{
    if (TCustomButton* button = FindById(id))
        button->SetAccessibleName(name);
}

void TButtonManager::SetTabStop(int id, bool tabStop)
{
    if (TCustomButton* button = FindById(id))
        button->SetTabStop(tabStop);
}

void TButtonManager::SetFocusId(int id)
{
    if (id == m_focusId)
        return;
    const int previous = std::exchange(m_focusId, id);
    // The mark lies inside the button: drawing the button at rest takes it away.
    RedrawButton(previous);
    RedrawButton(m_focusId);
}

std::vector<TCustomButton*> TButtonManager::Buttons() const
{
    std::vector<TCustomButton*> buttons;
    for (const auto& button : m_buttons)
        buttons.push_back(button.get());
    return buttons;
}

int TButtonManager::EnabledCount() const
{
    return static_cast<int>(
        std::count_if(m_buttons.begin(), m_buttons.end(), [](const auto& button) { return button->Enabled(); }));
}

bool TButtonManager::IsSelected(int id) const
{
    const TCustomButton* button = FindById(id);
    return button && button->Selected();
}

void TButtonManager::ClearSelection()
{
    for (const auto& button : m_buttons) {
        SelectButton(*button, false);
        DrawButtonRest(*button);
    }
}

} // namespace ui
