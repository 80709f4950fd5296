#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// Three spirit levels for the G-sensor page: a two-axis (bull's-eye) level following the
// X and Y accelerations, a horizontal level following the tilt about X and a vertical one
// following the tilt about Y. Each is a level picture with a bubble blended into a copy
// of it, drawn onto a canvas at a fixed place. Knows nothing of the board.
//
// Places and the bubbles' travel are window coordinates; the pictures are drawn for the
// canvas's device pixel ratio and the blend works on their device pixels.
class TDrawLevel {
public:
    // Origin (x0, y0), then the pictures: two-axis level and bubble, horizontal level
    // and bubble, vertical level and bubble.
    TDrawLevel(int x0, int y0, const QString& xyLevel, const QString& xyBubble, const QString& xLevel,
        const QString& xBubble, const QString& yLevel, const QString& yBubble);

    // Draws the three levels onto `canvas` (any 32-bit RGB picture). Every call starts
    // again from the stored pictures, so nothing of an earlier bubble remains.
    void Draw(QImage* canvas, float tiltX, float tiltY, float gX, float gY);

    // The part of the canvas that Draw covers.
    QRect Bounds() const;

    // Blends `bubble` into `target` with its top-left at (column, row); both pictures are
    // 24-bit, blue-green-red. Each bubble byte of 0 is transparent on its own; any other
    // byte becomes trunc((1 - alpha) x target + alpha x bubble), clamped to 0..255. The
    // parts of the bubble outside the target are left out.
    static void BlendBubble(QImage& target, const QImage& bubble, int column, int row, float alpha);

    // The bubble's top-left inside its level picture, for the given values.
    static QPoint TwoAxisBubbleAt(QSize level, QSize bubble, float gX, float gY);
    static QPoint HorizontalBubbleAt(QSize level, QSize bubble, float tiltX);
    static QPoint VerticalBubbleAt(QSize level, QSize bubble, float tiltY);

    // The pictures' working format: three bytes a pixel, blue-green-red.
    static constexpr QImage::Format PICTURE_FORMAT = QImage::Format_BGR888;

private:
    struct TAssembly {
        QString levelName;
        QString bubbleName;
        QPoint at; // where the composed picture goes on the canvas
        QSize levelSize;
        QSize bubbleSize;
        QImage level; // device pixels of the ratio last drawn for
        QImage bubble;
    };
    static TAssembly Load(const QString& level, const QString& bubble, QPoint at);
    // Draws the pictures for `ratio` unless they are.
    static void Fit(TAssembly& assembly, qreal ratio);
    // `bubbleAt` in window coordinates of the level picture.
    static void Compose(QImage* canvas, const TAssembly& assembly, QPoint bubbleAt);

    TAssembly m_TwoAxis;
    TAssembly m_Horizontal;
    TAssembly m_Vertical;
};
