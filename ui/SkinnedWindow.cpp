#include "ui/SkinnedWindow.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

#include "ui/Accessible.h"
#include "ui/Blit.h"
#include "ui/ButtonManager.h"
#include "ui/FocusMark.h"

#include "resources/Paint.h"
#include "resources/Resources.h"

namespace ui {

void SetWindowCursor(QWidget* window, TCursor cursor)
{
    if (!window)
        return;
    switch (cursor) {
    case TCursor::Default:
        window->unsetCursor();
        break;
    case TCursor::Hand:
        window->setCursor(Qt::PointingHandCursor);
        break;
    case TCursor::HourGlass:
        window->setCursor(Qt::WaitCursor);
        break;
    }
}

void ShowCanvasChange(QWidget* window, const QRect& changed)
{
    if (!window || changed.isEmpty())
        return;
    if (auto* skinned = qobject_cast<TSkinnedWindow*>(window)) {
        skinned->ShowChange(changed);
        return;
    }
    if (window->isVisible())
        window->repaint(changed);
}

TSkinnedWindow::TSkinnedWindow(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
    setMouseTracking(true);
    // The canvas covers every pixel: Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Tab reaches the skinned buttons; a click does not move the focus (the mouse works as
    // it always did).
    setFocusPolicy(Qt::TabFocus);
    InstallAccessibility();
    // What a window draws beside its canvas at construction is drawn for this ratio.
    m_ratio = WindowRatio(this);
    // The standard controls on the canvas mark their focus and selection in the skin's
    // accent, as the skinned buttons do.
    QPalette accents = palette();
    accents.setColor(QPalette::Highlight, resources::art::palette::kAccent);
    accents.setColor(QPalette::HighlightedText, Qt::black);
    setPalette(accents);
    m_focusWatch
        = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FollowControlFocus(now); });
}

TSkinnedWindow::~TSkinnedWindow()
{
    // The focus leaves the window's controls as QWidget's part of it goes, after this part.
    disconnect(m_focusWatch);
    for (const auto& [key, id] : m_accessibleIds)
        QAccessible::deleteAccessibleInterface(id);
}

void TSkinnedWindow::SetCanvasSize(const QSize& size)
{
    m_canvasSize = size.expandedTo(QSize(0, 0));
    setFixedSize(m_canvasSize);
    // Made when first drawn, for the screen the window is on by then: the pages are built
    // at start-up and most are not shown for a while.
    m_canvas = QImage();
    InvalidateCanvas();
}

void TSkinnedWindow::MakeCanvas()
{
    const qreal ratio = WindowRatio(this);
    m_canvas = QImage(resources::DeviceSize(m_canvasSize, ratio), QImage::Format_RGB32);
    m_canvas.setDevicePixelRatio(ratio);
    m_canvas.fill(Qt::black);
}

qreal TSkinnedWindow::CanvasRatio() const { return RatioOf(m_canvas); }

bool TSkinnedWindow::CanvasAwaitsPaint() const { return m_needsFormPaint && !m_inFormPaint; }

bool TSkinnedWindow::FitCanvasToRatio()
{
    if (m_canvasSize.isEmpty())
        return false;
    const qreal ratio = WindowRatio(this);
    if (!m_canvas.isNull() && ratio == CanvasRatio())
        return false;
    MakeCanvas();
    m_needsFormPaint = true;
    if (std::exchange(m_ratio, ratio) != ratio)
        RatioChanged();
    return true;
}

void TSkinnedWindow::InvalidateCanvas()
{
    m_needsFormPaint = true;
    update();
}

void TSkinnedWindow::RepaintCanvas()
{
    m_needsFormPaint = true;
    EnsureFormPainted();
    if (isVisible())
        repaint();
}

void TSkinnedWindow::ShowChange(const QRect& changed)
{
    // Inside FormPaint the whole canvas is shown right afterwards; a repaint from there
    // would recurse into the paint event.
    if (m_inFormPaint || changed.isEmpty() || !isVisible())
        return;
    repaint(changed);
}

void TSkinnedWindow::EnsureFormPainted()
{
    if (m_inFormPaint)
        return;
    FitCanvasToRatio();
    if (!m_needsFormPaint)
        return;
    m_needsFormPaint = false;
    m_inFormPaint = true;
    FormPaint();
    if (m_ringed && m_ringed->isVisible())
        DrawFocusMark(&m_canvas, ControlMarkRect(m_ringed->geometry()), TMarkShape::Control);
    m_inFormPaint = false;
}

void TSkinnedWindow::FormPaint() { m_canvas.fill(Qt::black); }

void TSkinnedWindow::FormMouseDown(int, int) { }
void TSkinnedWindow::FormMouseMove(int, int) { }
void TSkinnedWindow::FormMouseUp(int, int) { }

void TSkinnedWindow::paintEvent(QPaintEvent* event)
{
    EnsureFormPainted();
    QPainter painter(this);
    // The canvas carries its ratio, so it lands on the screen pixel for pixel.
    painter.drawImage(QPoint(0, 0), m_canvas);
    // Outside the canvas (before SetCanvasSize) nothing is drawn; keep it black.
    const QRegion rest = QRegion(event->rect()).subtracted(QRegion(QRect(QPoint(0, 0), m_canvasSize)));
    for (const QRect& r : rest)
        painter.fillRect(r, Qt::black);
}

void TSkinnedWindow::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    FormMouseDown(p.x(), p.y());
}

void TSkinnedWindow::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    FormMouseMove(p.x(), p.y());
}

void TSkinnedWindow::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    FormMouseUp(p.x(), p.y());
}

void TSkinnedWindow::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    FormMouseMove(OUTSIDE, OUTSIDE);
}

// --- keyboard focus ----------------------------------------------------------------------

std::vector<TFocusStop> TSkinnedWindow::FocusStops() const
{
    std::vector<TFocusStop> stops;
    auto* self = const_cast<TSkinnedWindow*>(this);
    for (TButtonManager* group : m_groups)
        for (TCustomButton* button : group->Buttons())
            if (button->TabStop() && !button->FrameSize().isEmpty())
                stops.push_back({self, group, button->Id(), nullptr, button->Rect(), button->Enabled()});
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || qobject_cast<TSkinnedWindow*>(widget) || widget->isHidden() || widget->isWindow()
            || !(widget->focusPolicy() & Qt::TabFocus))
            continue;
        stops.push_back({self, nullptr, -1, widget, widget->geometry(), widget->isEnabled()});
    }
    SortInReadingOrder(stops);
    return stops;
}

std::vector<TFocusStop> TSkinnedWindow::FocusChain() const
{
    std::vector<TFocusStop> chain;
    for (QObject* child : children()) {
        auto* hosted = qobject_cast<TSkinnedWindow*>(child);
        if (hosted && !hosted->isHidden() && !hosted->isWindow()) {
            const std::vector<TFocusStop> stops = hosted->FocusChain();
            chain.insert(chain.end(), stops.begin(), stops.end());
        }
    }
    const std::vector<TFocusStop> own = FocusStops();
    chain.insert(chain.end(), own.begin(), own.end());
    return chain;
}

namespace {

// Where the focus is now in `chain`, or -1.
int CurrentStop(const std::vector<TFocusStop>& chain)
{
    const QWidget* focus = QApplication::focusWidget();
    for (size_t i = 0; i < chain.size(); ++i) {
        const TFocusStop& stop = chain[i];
        const bool here = stop.group
            ? stop.owner == focus && stop.owner->FocusGroup() == stop.group && stop.owner->FocusId() == stop.id
            : focus && (stop.widget == focus || stop.widget->isAncestorOf(focus));
        if (here)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

bool TSkinnedWindow::MoveFocus(bool next)
{
    const std::vector<TFocusStop> chain = FocusChain();
    const int count = static_cast<int>(chain.size());
    if (count == 0)
        return false;
    int at = CurrentStop(chain);
    if (at < 0)
        at = next ? -1 : count;
    for (int step = 0; step < count; ++step) {
        at = ((next ? at + 1 : at - 1) % count + count) % count;
        if (chain[at].enabled) {
            FocusStop(chain[at], next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

void TSkinnedWindow::FocusStop(const TFocusStop& stop, Qt::FocusReason reason)
{
    if (stop.group)
        stop.owner->FocusButton(stop.group, stop.id, reason);
    else if (stop.widget)
        stop.widget->setFocus(reason);
}

void TSkinnedWindow::FocusButton(TButtonManager* group, int id, Qt::FocusReason reason)
{
    if (!HasButtonGroup(group) || !group->FindById(id))
        return;
    // The focus first, so that the control or window that loses it drops its own mark.
    setFocus(reason);
    if (m_focusGroup && m_focusGroup != group)
        m_focusGroup->SetFocusId(-1);
    m_focusGroup = group;
    m_focusId = id;
    group->SetFocusId(id);
    NotifyButtonFocus(AccessibleButton(group, id));
}

void TSkinnedWindow::FollowControlFocus(QWidget* now)
{
    // The control of this window that holds the focus (itself, or the part of it that
    // does, as in a list's edit).
    QWidget* control = now;
    while (control && control->parentWidget() != this)
        control = control->isWindow() ? nullptr : control->parentWidget();
    if (control && (qobject_cast<TSkinnedWindow*>(control) || !(control->focusPolicy() & Qt::TabFocus)))
        control = nullptr;
    if (control == m_ringed)
        return;
    m_ringed = control;
    if (isVisible())
        RepaintCanvas();
    else
        InvalidateCanvas();
}

void TSkinnedWindow::ClearButtonFocus()
{
    if (m_focusGroup)
        m_focusGroup->SetFocusId(-1);
    m_focusGroup = nullptr;
    m_focusId = -1;
}

void TSkinnedWindow::PressButton(TButtonManager* group, int id)
{
    const TCustomButton* button = HasButtonGroup(group) ? group->FindById(id) : nullptr;
    if (!button || !button->Enabled())
        return;
    const QPoint centre = button->Rect().center();
    FormMouseDown(centre.x(), centre.y());
    FormMouseUp(centre.x(), centre.y());
}

bool TSkinnedWindow::focusNextPrevChild(bool next)
{
    // A hosted page leaves the walk to the window that hosts it, which knows every stop.
    if (!isWindow())
        return QWidget::focusNextPrevChild(next);
    return MoveFocus(next) || QWidget::focusNextPrevChild(next);
}

void TSkinnedWindow::keyPressEvent(QKeyEvent* event)
{
    const bool press = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (press && m_focusGroup && event->modifiers() == Qt::NoModifier) {
        // A held key would toggle an LED on and off at the keyboard's repeat rate.
        if (!event->isAutoRepeat())
            PressButton(m_focusGroup, m_focusId);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TSkinnedWindow::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // Another window in front (a message box, a file dialog) keeps the mark for when the
    // focus comes back; the focus moving on within the window takes it away.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        ClearButtonFocus();
}

// --- button groups ----------------------------------------------------------------------

void TSkinnedWindow::AddButtonGroup(TButtonManager* group)
{
    if (group && !HasButtonGroup(group))
        m_groups.push_back(group);
}

void TSkinnedWindow::RemoveButtonGroup(TButtonManager* group)
{
    m_groups.erase(std::remove(m_groups.begin(), m_groups.end(), group), m_groups.end());
    if (m_focusGroup == group) {
        m_focusGroup = nullptr;
        m_focusId = -1;
    }
    for (auto it = m_accessibleIds.begin(); it != m_accessibleIds.end();) {
        if (it->first.first == group) {
            QAccessible::deleteAccessibleInterface(it->second);
            it = m_accessibleIds.erase(it);
        } else {
            ++it;
        }
    }
}

bool TSkinnedWindow::HasButtonGroup(const TButtonManager* group) const
{
    return group && std::find(m_groups.begin(), m_groups.end(), group) != m_groups.end();
}

QAccessibleInterface* TSkinnedWindow::AccessibleButton(TButtonManager* group, int id)
{
    if (!HasButtonGroup(group) || !group->FindById(id))
        return nullptr;
    const auto key = std::make_pair(static_cast<const TButtonManager*>(group), id);
    auto it = m_accessibleIds.find(key);
    if (it == m_accessibleIds.end())
        it = m_accessibleIds
                 .emplace(key, QAccessible::registerAccessibleInterface(MakeAccessibleButton(this, group, id)))
                 .first;
    return QAccessible::accessibleInterface(it->second);
}

void TSkinnedWindow::ButtonStateChanged(TButtonManager* group, int id, QAccessible::State changed)
{
    // Nobody listens unless a screen reader (or a test) asked: then the button's
    // interface is made and told.
    if (QAccessible::isActive())
        NotifyButtonState(AccessibleButton(group, id), changed);
}

} // namespace ui
