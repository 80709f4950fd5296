#include "app/MainControls.h"

#include <QPainter>
#include <algorithm>

TShape::TShape(QWidget* parent, const QRect& rect, const QColor& colour, Qt::PenStyle style, int width)
    : QWidget(parent)
    , m_Colour(colour)
    , m_Style(style)
    , m_Width(std::max(1, width))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(rect);
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPen pen(m_Colour, m_Width, m_Style);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // A pen of width w centred on a rectangle inset by w/2 keeps every pixel inside.
    const qreal half = m_Width / 2.0;
    painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
}

TGauge::TGauge(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TGauge::SetProgress(int value)
{
    value = std::clamp(value, 0, 100);
    if (value == m_Progress)
        return;
    m_Progress = value;
    update();
}

void TGauge::SetForeColor(const QColor& colour)
{
    m_ForeColor = colour;
    update();
}

void TGauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int filled = width() * m_Progress / 100;
    const QRect bar(0, 0, filled, height());
    painter.fillRect(bar, m_ForeColor);

    // The text reads dark on the bar and in the bar's colour on the picture beside it.
    const QString text = QStringLiteral("%1%").arg(m_Progress);
    QFont font = painter.font();
    font.setPixelSize(13);
    font.setBold(true);
    painter.setFont(font);
    painter.setClipRect(bar);
    painter.setPen(Qt::black);
    painter.drawText(rect(), Qt::AlignCenter, text);
    painter.setClipRect(QRect(filled, 0, width() - filled, height()));
    painter.setPen(m_ForeColor);
    painter.drawText(rect(), Qt::AlignCenter, text);
}
