#include "app/WelcomeAnimation.h"

#include "resources/Resources.h"
#include "ui/Blit.h"

#include <QPainter>
#include <algorithm>

TAnimate::TAnimate(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_Timer.setInterval(FRAME_INTERVAL_MS);
    connect(&m_Timer, &QTimer::timeout, this, &TAnimate::NextFrame);
}

bool TAnimate::Open(const QString& resourceName)
{
    m_Name = resourceName;
    m_FrameCount = resources::AnimationFrameCount(resourceName);
    if (m_FrameCount == 0)
        return false;
    // The frame is drawn when first painted: the window is still being built.
    m_Frame = 0;
    m_Image = QImage();
    resize(resources::AnimationSize(resourceName));
    return true;
}

void TAnimate::ShowFrame(int frame)
{
    // Drawn when painted: a hidden player draws nothing.
    m_Frame = frame;
    m_Image = QImage();
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
    // Drawn for this screen's scale: on the first paint, and again on another screen.
    const qreal ratio = ui::WindowRatio(this);
    if (m_Image.isNull() || ui::RatioOf(m_Image) != ratio) {
        if (!resources::AnimationReady(m_Name, ratio)) {
            // The window shows at once; the animation follows when its picture is drawn
            // (the window started drawing it while it was built). Meanwhile the window's
            // own picture, the empty page area, shows through.
            resources::PrepareAnimation(m_Name, ratio);
            QTimer::singleShot(WAIT_FOR_PICTURE_MS, this, [this] { update(); });
            return;
        }
        m_Image = resources::LoadAnimationFrame(m_Name, m_Frame, ratio);
    }
    QPainter painter(this);
    if (!m_Image.isNull())
        painter.drawImage(0, 0, m_Image);
}
