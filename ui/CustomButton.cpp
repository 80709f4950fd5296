#include "ui/CustomButton.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "ui/Assert.h"
#include "ui/BitmapLoader.h"
#include "ui/Blit.h"
#include "ui/Fonts.h"

#include "resources/Resources.h"

namespace ui {

namespace {

// "Arial" 8 points on a 96 dpi screen: 11 pixels. Pixel sizes keep the captions the same
// whatever resolution an offscreen or X11 screen reports.
// Resolved once: the font lookup costs ten times more than drawing the caption. Never
// freed, so that no font outlives the application object at exit.
const QFont& CaptionFont()
{
    static const QFont* font = new QFont(PixelFont(QStringLiteral("Arial"), 11));
    return *font;
}

const QFontMetrics& CaptionMetrics()
{
    static const QFontMetrics* metrics = new QFontMetrics(CaptionFont());
    return *metrics;
}

} // namespace

TCustomButton::TCustomButton(int id, const QString& caption, int top, int left, const QString& resourceName)
    : m_id(id)
    , m_left(left)
    , m_top(top)
    , m_caption(caption)
{
    if (!resourceName.isEmpty()) {
        m_pBitmap = std::make_unique<QImage>();
        m_resourceName = resourceName;
        m_size = NamedBitmapSize(resourceName);
    }
}

TCustomButton::~TCustomButton() = default;

QSize TCustomButton::FrameSize() const
{
    if (!m_pBitmap)
        return {0, 0};
    return {m_size.width(), m_size.height() / 4};
}

const QImage& TCustomButton::BitmapFor(qreal ratio) const
{
    if (m_pBitmap->isNull() || RatioOf(*m_pBitmap) != ratio)
        *m_pBitmap = LoadNamedBitmap(m_resourceName, ratio);
    return *m_pBitmap;
}

QRect TCustomButton::Draw(QImage* canvas, TButtonFrame frame) const
{
    if (!canvas || canvas->isNull())
        return {};
    QRect changed;
    const QSize size = FrameSize();
    if (m_pBitmap) {
        // Each frame takes the device rows of one frame, whatever the rounding of the ratio.
        const qreal ratio = RatioOf(*canvas);
        const QSize device = resources::DeviceSize(size, ratio);
        const QRect source(0, static_cast<int>(frame) * device.height(), device.width(), device.height());
        const QRect written = BlitRows(*canvas, DevicePoint(QPoint(m_left, m_top), ratio), BitmapFor(ratio), source);
        changed = LogicalRect(written, ratio);
    }
    if (m_caption.isEmpty())
        return changed;

    QColor colour;
    if (!m_enabled)
        colour = QColor::fromRgb(CAPTION_DISABLED);
    else if (frame == bfPressed || m_selected)
        colour = QColor::fromRgb(CAPTION_ACTIVE);
    else
        colour = QColor::fromRgb(CAPTION_NORMAL);

    QPainter painter(canvas);
    painter.setFont(CaptionFont());
    painter.setPen(colour);
    const QFontMetrics& metrics = CaptionMetrics();
    const int tw = metrics.horizontalAdvance(m_caption);
    const int th = metrics.height();
    // Integer division truncates toward zero, also for a caption wider than the button.
    const int x = m_left + (size.width() - tw) / 2;
    const int y = m_top + (size.height() - th) / 2;
    painter.drawText(x, y + metrics.ascent(), m_caption);
    return changed.united(QRect(x, y, tw, th)).intersected(canvas->rect());
}

QRect TCustomButton::DrawRest(QImage* canvas) const { return Draw(canvas, m_enabled ? bfNormal : bfDisabled); }

bool TCustomButton::Contains(int x, int y) const
{
    if (!m_pBitmap)
        return false;
    const QSize size = FrameSize();
    return x >= m_left && x < m_left + size.width() && y >= m_top && y < m_top + size.height();
}

void TCustomButton::SetCaption(const QString& text)
{
    if (m_caption != text)
        m_caption = text;
}

void TCustomButton::SetEnabled(bool enabled)
{
    if (m_enabled != enabled)
        m_enabled = enabled;
}

void TCustomButton::SetSelected(bool selected)
{
    if (m_selected != selected)
        m_selected = selected;
}

void TCustomButton::SetBitmap(const QString& resourceName)
{
    if (resourceName.isEmpty())
        return;
    UI_CHECK(m_pBitmap, "CustomButton");
    // Drawn when next shown, for the canvas it is shown on.
    m_resourceName = resourceName;
    m_size = NamedBitmapSize(resourceName);
    *m_pBitmap = QImage();
}

} // namespace ui
