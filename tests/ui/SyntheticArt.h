#pragma once

#include <QImage>
#include <QMap>
#include <QString>

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

// Installs a loader that knows exactly `pictures` for the life of the object.
class TScopedArt {
public:
    explicit TScopedArt(QMap<QString, QImage> pictures)
        : m_previous(ui::SetBitmapLoader([pictures](const QString& name) { return pictures.value(name); }))
    { }
    ~TScopedArt() { ui::SetBitmapLoader(m_previous); }
    TScopedArt(const TScopedArt&) = delete;
    TScopedArt& operator=(const TScopedArt&) = delete;

private:
    ui::BitmapLoader m_previous;
};

} // namespace testart
