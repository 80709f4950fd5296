#include "ui/SkinnedWindow.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

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
}

TSkinnedWindow::~TSkinnedWindow() = default;

void TSkinnedWindow::SetCanvasSize(const QSize& size)
{
    m_canvas = QImage(size.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
    m_canvas.fill(Qt::black);
    setFixedSize(m_canvas.size());
    InvalidateCanvas();
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
    if (!m_needsFormPaint || m_inFormPaint)
        return;
    m_needsFormPaint = false;
    m_inFormPaint = true;
    FormPaint();
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
    const QRect area = event->rect();
    const QRect shown = area.intersected(m_canvas.rect());
    if (!shown.isEmpty())
        painter.drawImage(shown.topLeft(), m_canvas, shown);
    // Outside the canvas (before SetCanvasSize) nothing is drawn; keep it black.
    const QRegion rest = QRegion(area).subtracted(QRegion(m_canvas.rect()));
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

} // namespace ui
