#include "pages/Drawlevel.h"

#include "ui/BitmapLoader.h"
#include "ui/Blit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr float BUBBLE_ALPHA = 0.5f;

// Truncation toward zero of a value that may lie far outside int's range (or be NaN):
// such values are pinned well outside any picture, where blending leaves them out.
int TruncToInt(long double value)
{
    if (std::isnan(value))
        return 0;
    constexpr long double LIMIT = 1 << 24;
    return static_cast<int>(std::clamp(value, -LIMIT, LIMIT));
}

} // namespace

TDrawLevel::TDrawLevel(int x0, int y0, const QString& xyLevel, const QString& xyBubble, const QString& xLevel,
    const QString& xBubble, const QString& yLevel, const QString& yBubble)
    : m_TwoAxis(Load(xyLevel, xyBubble, QPoint(x0 + 76, y0 + 53)))
    , m_Horizontal(Load(xLevel, xBubble, QPoint(x0 + 47, y0)))
    , m_Vertical(Load(yLevel, yBubble, QPoint(x0, y0 + 2)))
{ }

TDrawLevel::TAssembly TDrawLevel::Load(const QString& level, const QString& bubble, QPoint at)
{
    TAssembly assembly;
    assembly.levelName = level;
    assembly.bubbleName = bubble;
    assembly.at = at;
    assembly.levelSize = ui::NamedBitmapSize(level);
    assembly.bubbleSize = ui::NamedBitmapSize(bubble);
    return assembly;
}

void TDrawLevel::Fit(TAssembly& assembly, qreal ratio)
{
    if (!assembly.level.isNull() && ui::RatioOf(assembly.level) == ratio)
        return;
    assembly.level = ui::LoadNamedBitmap(assembly.levelName, ratio).convertToFormat(PICTURE_FORMAT);
    assembly.bubble = ui::LoadNamedBitmap(assembly.bubbleName, ratio).convertToFormat(PICTURE_FORMAT);
}

QRect TDrawLevel::Bounds() const
{
    QRect bounds;
    for (const TAssembly* a : {&m_TwoAxis, &m_Horizontal, &m_Vertical})
        bounds |= QRect(a->at, a->levelSize);
    return bounds;
}

QPoint TDrawLevel::TwoAxisBubbleAt(QSize level, QSize bubble, float gX, float gY)
{
    const float half = static_cast<float>(level.width() - 40) * 0.5f;
    // Beyond the travel the bubble rests at the edge; clamping before the truncation
    // gives the same offsets as truncating first and keeps huge values in range.
    const auto offset = [half](float g) {
        const float travel = g * half;
        if (std::isnan(travel))
            return 0;
        return static_cast<int>(std::clamp(travel, -half, half));
    };
    const int dx = offset(gX);
    const int dy = offset(gY);
    return {level.width() / 2 - bubble.width() / 2 - dx, level.height() / 2 - bubble.height() / 2 - dy};
}

QPoint TDrawLevel::HorizontalBubbleAt(QSize level, QSize bubble, float tiltX)
{
    const long double column = static_cast<long double>(level.width() / 2)
        + static_cast<long double>(level.width() - 60) * tiltX / 180.0L - static_cast<long double>(bubble.width() / 2);
    return {TruncToInt(column), (level.height() - bubble.height()) / 2};
}

QPoint TDrawLevel::VerticalBubbleAt(QSize level, QSize bubble, float tiltY)
{
    const long double row = static_cast<long double>(level.height() / 2)
        + static_cast<long double>(level.height() - 60) * tiltY / 180.0L
        - static_cast<long double>(bubble.height() / 2);
    return {(level.width() - bubble.width()) / 2, TruncToInt(row)};
}

void TDrawLevel::BlendBubble(QImage& target, const QImage& bubble, int column, int row, float alpha)
{
    if (target.format() != PICTURE_FORMAT || bubble.format() != PICTURE_FORMAT)
        return;
    // Only the part of the bubble that lies on the target is blended, so no offset can
    // write outside the picture.
    const int firstRow = std::max(row, 0);
    const int lastRow = std::min(row + bubble.height(), target.height());
    const int firstCol = std::max(column, 0);
    const int lastCol = std::min(column + bubble.width(), target.width());
    if (firstRow >= lastRow || firstCol >= lastCol)
        return;
    const float keep = 1.0f - alpha;
    const int bytes = (lastCol - firstCol) * 3;
    for (int r = firstRow; r < lastRow; ++r) {
        std::uint8_t* t = target.scanLine(r) + firstCol * 3;
        const std::uint8_t* b = bubble.constScanLine(r - row) + (firstCol - column) * 3;
        for (int i = 0; i < bytes; ++i) {
            if (b[i] == 0)
                continue; // each channel of the bubble is transparent where it is zero
            const float mixed = keep * static_cast<float>(t[i]) + alpha * static_cast<float>(b[i]);
            t[i] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(mixed), 0, 255));
        }
    }
}

void TDrawLevel::Compose(QImage* canvas, const TAssembly& assembly, QPoint bubbleAt)
{
    if (assembly.level.isNull())
        return;
    const qreal ratio = ui::RatioOf(*canvas);
    QImage work = assembly.level.copy();
    const QPoint bubble = ui::DevicePoint(bubbleAt, ratio);
    BlendBubble(work, assembly.bubble, bubble.x(), bubble.y(), BUBBLE_ALPHA);

    // Straight scan-line copy onto the 32-bit canvas, clipped to it.
    if (canvas->format() != QImage::Format_RGB32 && canvas->format() != QImage::Format_ARGB32)
        canvas->convertTo(QImage::Format_RGB32);
    const QPoint at = ui::DevicePoint(assembly.at, ratio);
    const QRect target = QRect(at, work.size()).intersected(canvas->rect());
    for (int y = target.top(); y <= target.bottom(); ++y) {
        const std::uint8_t* s = work.constScanLine(y - at.y()) + (target.left() - at.x()) * 3;
        auto* d = reinterpret_cast<QRgb*>(canvas->scanLine(y)) + target.left();
        for (int x = 0; x < target.width(); ++x, s += 3)
            d[x] = qRgb(s[2], s[1], s[0]);
    }
}

void TDrawLevel::Draw(QImage* canvas, float tiltX, float tiltY, float gX, float gY)
{
    if (!canvas || canvas->isNull())
        return;
    const qreal ratio = ui::RatioOf(*canvas);
    for (TAssembly* a : {&m_TwoAxis, &m_Horizontal, &m_Vertical})
        Fit(*a, ratio);
    Compose(canvas, m_TwoAxis, TwoAxisBubbleAt(m_TwoAxis.levelSize, m_TwoAxis.bubbleSize, gX, gY));
    Compose(canvas, m_Horizontal, HorizontalBubbleAt(m_Horizontal.levelSize, m_Horizontal.bubbleSize, tiltX));
    Compose(canvas, m_Vertical, VerticalBubbleAt(m_Vertical.levelSize, m_Vertical.bubbleSize, tiltY));
}
