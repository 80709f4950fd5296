#pragma once

#include <QImage>
#include <QList>
#include <QTimer>
#include <QWidget>

// The welcome animation in the page area: plays the named frame animation from frame 0
// to the stop frame and loops, like the animation control it stands for. It only shows;
// presses fall through to the window below (so the window can be dragged from it).
class TAnimate : public QWidget {
    Q_OBJECT

public:
    explicit TAnimate(QWidget* parent);

    // Loads the named animation; false (and nothing to show) for an unknown name.
    bool Open(const QString& resourceName);

    void SetActive(bool active);
    bool Active() const { return m_Timer.isActive(); }

    int StopFrame = 160;
    int FrameCount() const { return static_cast<int>(m_Frames.size()); }
    int CurrentFrame() const { return m_Frame; }

    static constexpr int FRAME_INTERVAL_MS = 50;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void NextFrame();

    QList<QImage> m_Frames;
    int m_Frame = 0;
    QTimer m_Timer;
};
