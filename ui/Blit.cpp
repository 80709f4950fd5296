#include "ui/Blit.h"

#include <cstring>

namespace ui {

namespace {

bool IsWorkingFormat(QImage::Format f)
{
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

QImage ToWorkingFormat(QImage image)
{
    if (image.isNull() || image.format() == QImage::Format_RGB32)
        return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

QRgb TransparentKey(const QImage& image)
{
    if (image.isNull())
        return 0;
    return image.pixel(0, image.height() - 1) & RGB_MASK;
}

QRect BlitRows(QImage& dst, QPoint at, const QImage& srcIn, QRect source, bool transparent, QRgb key)
{
    if (dst.isNull() || srcIn.isNull())
        return {};
    source = source.intersected(srcIn.rect());
    if (source.isEmpty())
        return {};
    // Clip the target rectangle to the destination and move the source along with it.
    const QRect wanted(at, source.size());
    const QRect target = wanted.intersected(dst.rect());
    if (target.isEmpty())
        return {};
    const QPoint srcTopLeft = source.topLeft() + (target.topLeft() - wanted.topLeft());

    if (!IsWorkingFormat(dst.format()))
        dst.convertTo(QImage::Format_RGB32);
    const QImage src = IsWorkingFormat(srcIn.format()) ? srcIn : srcIn.convertToFormat(QImage::Format_RGB32);

    key &= RGB_MASK;
    // Pictures are opaque: whatever the source's alpha, the canvas gets full alpha so that
    // ARGB canvases show what was drawn.
    const QRgb opaque = 0xFF000000u;
    for (int row = 0; row < target.height(); ++row) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(srcTopLeft.y() + row)) + srcTopLeft.x();
        auto* d = reinterpret_cast<QRgb*>(dst.scanLine(target.y() + row)) + target.x();
        if (!transparent && src.format() == QImage::Format_RGB32) {
            std::memcpy(d, s, sizeof(QRgb) * static_cast<size_t>(target.width()));
            continue;
        }
        for (int col = 0; col < target.width(); ++col) {
            const QRgb rgb = s[col] & RGB_MASK;
            if (!transparent || rgb != key)
                d[col] = rgb | opaque;
        }
    }
    return target;
}

} // namespace ui
