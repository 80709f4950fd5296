#include "ui/ButtonManager.h"

#include <QWidget>
#include <algorithm>

#include "ui/SkinnedWindow.h"

namespace ui {

TButtonManager::TButtonManager(QWidget* window, TButtonMode mode, QImage* canvas)
    : m_window(window)
    , m_canvas(canvas)
    , m_mode(mode)
{
    // Hover needs moves while no mouse button is held (see TSkinnedWindow).
    if (m_window)
        m_window->setMouseTracking(true);
}

TButtonManager::~TButtonManager() = default;

void TButtonManager::Add(int id, const QString& caption, int top, int left, const QString& resourceName)
{
    m_buttons.push_back(std::make_unique<TCustomButton>(id, caption, top, left, resourceName));
}

void TButtonManager::Show(const QRect& changed) { ShowCanvasChange(m_window, changed); }

void TButtonManager::DrawButton(const TCustomButton& button, TButtonFrame frame) { Show(button.Draw(m_canvas, frame)); }

void TButtonManager::DrawButtonRest(const TCustomButton& button) { Show(button.DrawRest(m_canvas)); }

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
            button->SetSelected(!button->Selected());
        else if (m_mode == bmRadio)
            button->SetSelected(true);
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
        button->SetEnabled(enabled);
        DrawButtonRest(*button);
    }
}

void TButtonManager::SetSelected(int id, bool selected)
{
    if (TCustomButton* button = FindById(id)) {
        button->SetSelected(selected);
        DrawButtonRest(*button);
    }
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
        button->SetSelected(false);
        DrawButtonRest(*button);
    }
}

} // namespace ui
