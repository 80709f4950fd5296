#include "resources/Animation.h"
#include "resources/Paint.h"

#include <QPainter>

namespace resources::art {

QList<QImage> RenderWelcomeAnimation()
{
    QList<QImage> frames;
    frames.reserve(kWelcomeFrames);
    for (int i = 0; i < kWelcomeFrames; ++i) {
        QImage img(kWelcomeWidth, kWelcomeHeight, QImage::Format_RGB32);
        QPainter p(&img);
        Placeholder(p, img.rect(), 3, QStringLiteral("Welcome %1").arg(i));
        frames.append(img);
    }
    return frames;
}

} // namespace resources::art
