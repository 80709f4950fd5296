#pragma once

#include <QImage>
#include <QMap>
#include <QString>
#include <QtMath>

#include "ui/BitmapLoader.h"

// Pictures with known pixels, served to the kit instead of the program's artwork so that
// frame, transparency and caption checks do not depend on how the artwork looks.
namespace testart {

// Frame colours of the synthetic button bitmaps. All are dark with little red, so that
// white and cyan captions can be told apart on them by the red channel.
constexpr QRgb FRAME_COLOURS[4] = {0xFF001020, 0xFF102030, 0xFF203040, 0xFF304050};
constexpr QRgb SPARE_ROWS = 0xFFFF00FF; // rows below the fourth frame (height % 4)
constexpr QRgb BACKGROUND = 0xFF000000;

// A four-frame button: `height` = 4 * frameHeight + spare rows.
inline QImage MakeButton(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(SPARE_ROWS);
    const int frameHeight = height / 4;
    for (int y = 0; y < frameHeight * 4; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, FRAME_COLOURS[y / frameHeight]);
    return image;
}

inline QImage MakeFilled(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// `picture` as drawn for `ratio`: each pixel a block of device pixels (flat colours
// stay exact; for four-frame pictures the frames line up where frame height x ratio is
// whole).
inline QImage AtRatio(const QImage& picture, qreal ratio)
{
    if (picture.isNull() || ratio == 1.0)
        return picture;
    const QSize device(qCeil(picture.width() * ratio - 1e-6), qCeil(picture.height() * ratio - 1e-6));
    QImage image(device, QImage::Format_RGB32);
    for (int y = 0; y < device.height(); ++y)
        for (int x = 0; x < device.width(); ++x)
            image.setPixel(x, y,
                picture.pixel(
                    qMin(picture.width() - 1, qFloor(x / ratio)), qMin(picture.height() - 1, qFloor(y / ratio))));
    image.setDevicePixelRatio(ratio);
    return image;
}

// Installs a loader that knows exactly `pictures` for the life of the object.
class TScopedArt {
public:
    explicit TScopedArt(QMap<QString, QImage> pictures)
        : m_previous(ui::SetBitmapLoader(
            [pictures](const QString& name, qreal ratio) { return AtRatio(pictures.value(name), ratio); }))
    { }
    ~TScopedArt() { ui::SetBitmapLoader(m_previous); }
    TScopedArt(const TScopedArt&) = delete;
    TScopedArt& operator=(const TScopedArt&) = delete;

private:
    ui::BitmapLoader m_previous;
};

} // namespace testart
