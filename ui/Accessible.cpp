#include "ui/Accessible.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

#include "ui/ButtonManager.h"
#include "ui/SkinnedWindow.h"

namespace ui {

namespace {

QAccessible::Role RoleOf(TButtonManager::TRole role)
{
    switch (role) {
    case TButtonManager::TRole::RadioButton:
        return QAccessible::RadioButton;
    case TButtonManager::TRole::PageTab:
        return QAccessible::PageTab;
    case TButtonManager::TRole::PushButton:
    case TButtonManager::TRole::ToggleButton:
        break;
    }
    // A checkable button is what Qt (and AT-SPI after it) calls a toggle button.
    return QAccessible::Button;
}

// One skinned button. It has no object of its own: it lives on its window's canvas.
class TAccessibleButton final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TAccessibleButton(TSkinnedWindow* window, TButtonManager* group, int id)
        : m_window(window)
        , m_group(group)
        , m_id(id)
    { }

    bool isValid() const override { return Button() != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_window ? m_window->window()->windowHandle() : nullptr; }

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_window.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        const TCustomButton* button = Button();
        if (!button || t != QAccessible::Name)
            return {};
        return button->AccessibleName();
    }
    void setText(QAccessible::Text, const QString&) override { }

    QRect rect() const override
    {
        const TCustomButton* button = Button();
        if (!button)
            return {};
        return QRect(m_window->mapToGlobal(button->Rect().topLeft()), button->Rect().size());
    }

    QAccessible::Role role() const override { return isValid() ? RoleOf(m_group->Role()) : QAccessible::NoRole; }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        const TCustomButton* button = Button();
        if (!button) {
            state.invalid = true;
            return state;
        }
        state.disabled = !button->Enabled();
        state.invisible = !m_window->isVisible();
        state.focusable = button->TabStop() && button->Enabled();
        state.focused = m_window->hasFocus() && m_window->FocusGroup() == m_group && m_window->FocusId() == m_id;
        state.hotTracked = m_group->HoverId() == m_id;
        switch (m_group->Role()) {
        case TButtonManager::TRole::ToggleButton:
        case TButtonManager::TRole::RadioButton:
            state.checkable = true;
            state.checked = button->Selected();
            break;
        case TButtonManager::TRole::PageTab:
            state.selectable = true;
            state.selected = button->Selected();
            break;
        case TButtonManager::TRole::PushButton:
            break;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override
    {
        if (!isValid())
            return {};
        return {m_group->Role() == TButtonManager::TRole::ToggleButton ? toggleAction() : pressAction()};
    }
    void doAction(const QString& name) override
    {
        if (actionNames().contains(name))
            m_window->PressButton(m_group, m_id);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    const TCustomButton* Button() const
    {
        if (!m_window || !m_window->HasButtonGroup(m_group))
            return nullptr;
        return m_group->FindById(m_id);
    }

    QPointer<TSkinnedWindow> m_window;
    TButtonManager* m_group;
    int m_id;
};

// A skinned window: its widgets as Qt sees them, then its skinned buttons, group by
// group in the order they were added.
class TAccessibleSkinnedWindow final : public QAccessibleWidget {
public:
    explicit TAccessibleSkinnedWindow(TSkinnedWindow* window)
        : QAccessibleWidget(window, window->isWindow() ? QAccessible::Window : QAccessible::Pane)
    { }

    int childCount() const override { return QAccessibleWidget::childCount() + static_cast<int>(Buttons().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const int widgets = QAccessibleWidget::childCount();
        if (index < widgets)
            return QAccessibleWidget::child(index);
        const auto buttons = Buttons();
        if (index - widgets >= static_cast<int>(buttons.size()))
            return nullptr;
        const auto& [group, id] = buttons[static_cast<size_t>(index - widgets)];
        return Window()->AccessibleButton(group, id);
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const int widgets = QAccessibleWidget::childCount();
        const auto buttons = Buttons();
        for (size_t i = 0; i < buttons.size(); ++i)
            if (Window()->AccessibleButton(buttons[i].first, buttons[i].second) == child)
                return widgets + static_cast<int>(i);
        return QAccessibleWidget::indexOfChild(child);
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint local = Window()->mapFromGlobal(QPoint(x, y));
        for (const auto& [group, id] : Buttons())
            if (group->FindById(id)->Rect().contains(local))
                return Window()->AccessibleButton(group, id);
        return QAccessibleWidget::childAt(x, y);
    }

    QAccessibleInterface* focusChild() const override
    {
        if (Window()->hasFocus() && Window()->FocusGroup())
            return Window()->AccessibleButton(Window()->FocusGroup(), Window()->FocusId());
        return QAccessibleWidget::focusChild();
    }

private:
    TSkinnedWindow* Window() const { return static_cast<TSkinnedWindow*>(widget()); }

    std::vector<std::pair<TButtonManager*, int>> Buttons() const
    {
        std::vector<std::pair<TButtonManager*, int>> buttons;
        for (TButtonManager* group : Window()->ButtonGroups())
            for (const TCustomButton* button : group->Buttons())
                buttons.emplace_back(group, button->Id());
        return buttons;
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object)
{
    if (className == QLatin1String(TSkinnedWindow::staticMetaObject.className()))
        if (auto* window = qobject_cast<TSkinnedWindow*>(object))
            return new TAccessibleSkinnedWindow(window);
    return nullptr;
}

} // namespace

void InstallAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

QAccessibleInterface* MakeAccessibleButton(TSkinnedWindow* window, TButtonManager* group, int id)
{
    return new TAccessibleButton(window, group, id);
}

void NotifyButtonFocus(QAccessibleInterface* button)
{
    if (!button || !QAccessible::isActive())
        return;
    QAccessibleEvent event(button, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

void NotifyButtonState(QAccessibleInterface* button, QAccessible::State changed)
{
    if (!button || !QAccessible::isActive())
        return;
    QAccessibleStateChangeEvent event(button, changed);
    QAccessible::updateAccessibility(&event);
}

} // namespace ui
