#pragma once

#include <QImage>
#include <QSize>

// How sharp a window drawn for a device pixel ratio is, against the same window drawn at
// ratio 1 and enlarged to its size pixel for pixel (nearest neighbour, no in-between
// colours): the edge energy of the drawing over the edge energy of that enlargement.
//
// Edge energy is the mean, over all pixels, of the squared luma steps between
// horizontal and vertical neighbours, counting only steps of at least EDGE_STEP levels,
// so that edges count and the artwork's fine grain does not. A crisp edge is one big
// step; the same edge smeared over two pixels is two half steps, half the energy. So a
// drawing as sharp as the enlarged picture scores about 1 (more where finer detail shows),
// while a smooth enlargement of the picture drawn at ratio 1, which is what a screen
// scaling a window drawn for ratio 1 shows, scores between 0.2 and 0.4.
namespace sharpness {

inline constexpr int EDGE_STEP = 24;
// What "as sharp as at ratio 1" takes, with room for text drawn at another size.
inline constexpr double AS_SHARP = 0.85;

inline double EdgeEnergy(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    if (w < 2 || h < 2)
        return 0;
    double sum = 0;
    const auto step = [&sum](int a, int b) {
        const int d = a - b;
        if (d >= EDGE_STEP || -d >= EDGE_STEP)
            sum += double(d) * d;
    };
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const auto* below = y + 1 < h ? reinterpret_cast<const QRgb*>(image.constScanLine(y + 1)) : nullptr;
        for (int x = 0; x < w; ++x) {
            if (x + 1 < w)
                step(qGray(row[x]), qGray(row[x + 1]));
            if (below)
                step(qGray(row[x]), qGray(below[x]));
        }
    }
    return sum / (double(w) * h);
}

// `oneX` enlarged to `size`: nearest neighbour, or smooth.
inline QImage Enlarged(const QImage& oneX, QSize size, bool smooth)
{
    QImage plain = oneX;
    plain.setDevicePixelRatio(1);
    return plain.scaled(size, Qt::IgnoreAspectRatio, smooth ? Qt::SmoothTransformation : Qt::FastTransformation);
}

inline double Sharpness(const QImage& drawn, const QImage& oneX)
{
    const double reference = EdgeEnergy(Enlarged(oneX, drawn.size(), false));
    return reference > 0 ? EdgeEnergy(drawn) / reference : 0;
}

} // namespace sharpness
