#include "ui/Blit.h"

#include <QWidget>
#include <QtMath>
#include <cstring>

#include "resources/Resources.h"

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

qreal WindowRatio(const QWidget* window) { return resources::NormalRatio(window ? window->devicePixelRatioF() : 1.0); }

qreal RatioOf(const QImage& image) { return resources::NormalRatio(image.devicePixelRatio()); }

QSize LogicalSize(const QImage& image)
{
    if (image.isNull())
        return {0, 0};
    // Device lengths are rounded up from window lengths, so rounding down gives them back.
    const qreal ratio = RatioOf(image);
    return {qFloor(image.width() / ratio + 1e-6), qFloor(image.height() / ratio + 1e-6)};
}

QPoint DevicePoint(QPoint logical, qreal ratio)
{
    return {resources::ToDevice(logical.x(), ratio), resources::ToDevice(logical.y(), ratio)};
}

QRect DeviceRect(const QRect& logical, qreal ratio)
{
    if (logical.isEmpty())
        return {};
    const QPoint topLeft = DevicePoint(logical.topLeft(), ratio);
    const QPoint end = DevicePoint(logical.topLeft() + QPoint(logical.width(), logical.height()), ratio);
    return QRect(topLeft, end - QPoint(1, 1));
}

QRect LogicalRect(const QRect& device, qreal ratio)
{
    if (device.isEmpty())
        return {};
    ratio = resources::NormalRatio(ratio);
    const QPoint topLeft(qFloor(device.left() / ratio), qFloor(device.top() / ratio));
    const QPoint end(qCeil((device.right() + 1) / ratio), qCeil((device.bottom() + 1) / ratio));
    return QRect(topLeft, end - QPoint(1, 1));
}

} // namespace ui
