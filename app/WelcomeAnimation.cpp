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
    m_Name = resourceName;
    m_FrameCount = resources::AnimationFrameCount(resourceName);
    ShowFrame(0);
    if (m_Image.isNull())
        return false;
    resize(m_Image.size());
    return true;
}

void TAnimate::ShowFrame(int frame)
{
    m_Frame = frame;
    m_Image = resources::LoadAnimationFrame(m_Name, frame);
    update();
}

void TAnimate::SetActive(bool active)
{
    if (active && m_FrameCount > 1)
        m_Timer.start();
    else
        m_Timer.stop();
}

void TAnimate::NextFrame()
{
    const int last = std::min(StopFrame, FrameCount() - 1);
    ShowFrame(m_Frame >= last ? 0 : m_Frame + 1);
}

void TAnimate::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_Image.isNull())
        painter.drawImage(0, 0, m_Image);
    else
        painter.fillRect(rect(), Qt::black);
}
