#include "app/WelcomeAnimation.h"

#include "resources/Resources.h"

#include <QPainter>
#include <algorithm>

TAnimate::TAnimate(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_Timer.setInterval(FRAME_INTERVAL_MS);
    connect(&m_Timer, &QTimer::timeout, this, &TAnimate::NextFrame);
}

bool TAnimate::Open(const QString& resourceName)
{
    m_Frames = resources::LoadAnimationFrames(resourceName);
    m_Frame = 0;
    if (m_Frames.isEmpty())
        return false;
    resize(m_Frames.front().size());
    update();
    return true;
}

void TAnimate::SetActive(bool active)
{
    if (active && m_Frames.size() > 1)
        m_Timer.start();
    else
        m_Timer.stop();
}

void TAnimate::NextFrame()
{
    const int last = std::min(StopFrame, FrameCount() - 1);
    m_Frame = m_Frame >= last ? 0 : m_Frame + 1;
    update();
}

void TAnimate::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_Frame < FrameCount())
        painter.drawImage(0, 0, m_Frames[m_Frame]);
    else
        painter.fillRect(rect(), Qt::black);
}
