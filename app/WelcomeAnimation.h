#pragma once

#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

// The welcome animation in the page area: plays the named frame animation from frame 0
// to the stop frame and loops, like the animation control it stands for. It only shows;
// presses fall through to the window below (so the window can be dragged from it).
class TAnimate : public QWidget {
    Q_OBJECT

public:
    explicit TAnimate(QWidget* parent);

    // Opens the named animation at frame 0; false (and nothing to show) for an unknown name.
    bool Open(const QString& resourceName);

    void SetActive(bool active);
    bool Active() const { return m_Timer.isActive(); }

    int StopFrame = 160;
    int FrameCount() const { return m_FrameCount; }
    int CurrentFrame() const { return m_Frame; }

    static constexpr int FRAME_INTERVAL_MS = 50;
    // How often a first paint looks again whether the picture is drawn.
    static constexpr int WAIT_FOR_PICTURE_MS = 15;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void NextFrame();
    void ShowFrame(int frame);

    // Only the frame on screen is kept: the whole animation would cost tens of MB, and
    // a frame is drawn in about a millisecond.
    QString m_Name;
    int m_FrameCount = 0;
    QImage m_Image;
    int m_Frame = 0;
    QTimer m_Timer;
};
