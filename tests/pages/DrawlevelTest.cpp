// The spirit levels: bubble geometry, the per-channel blend and what Draw leaves on a canvas.
#include "pages/Drawlevel.h"

#include "ui/BitmapLoader.h"

#include <gtest/gtest.h>

namespace {

const QSize XY_LEVEL(140, 141), X_LEVEL(195, 25), Y_LEVEL(25, 194), BUBBLE(20, 19);

QImage Filled(QSize size, std::uint8_t b, std::uint8_t g, std::uint8_t r)
{
    QImage image(size, TDrawLevel::PICTURE_FORMAT);
    for (int y = 0; y < size.height(); ++y) {
        std::uint8_t* p = image.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            p[3 * x] = b;
            p[3 * x + 1] = g;
            p[3 * x + 2] = r;
        }
    }
    return image;
}

// Level pictures of plain grey (100, 100, 100) and bubbles of pure blue-channel-free red
// bytes (0, 0, 200), in the sizes of the program's artwork.
class SyntheticLevels {
public:
    SyntheticLevels()
    {
        m_previous = ui::SetBitmapLoader([](const QString& name, qreal) {
            const QSize size = name == "XY_LEVEL" ? XY_LEVEL
                : name == "X_LEVEL"               ? X_LEVEL
                : name == "Y_LEVEL"               ? Y_LEVEL
                                                  : BUBBLE;
            const bool bubble = name.endsWith("BUBBLE");
            return Filled(size, bubble ? 0 : 100, bubble ? 0 : 100, bubble ? 200 : 100)
                .convertToFormat(QImage::Format_RGB32);
        });
    }
    ~SyntheticLevels() { ui::SetBitmapLoader(m_previous); }

private:
    ui::BitmapLoader m_previous;
};

TDrawLevel MakeLevels()
{
    return TDrawLevel(117, 64, "XY_LEVEL", "XY_BUBBLE", "X_LEVEL", "X_BUBBLE", "Y_LEVEL", "Y_BUBBLE");
}

bool IsBlended(const QImage& canvas, int x, int y) { return canvas.pixel(x, y) == qRgb(150, 100, 100); }
bool IsLevel(const QImage& canvas, int x, int y) { return canvas.pixel(x, y) == qRgb(100, 100, 100); }

} // namespace

TEST(LevelGeometry, TwoAxisBubbleRestsInTheMiddleAndStopsAtItsTravel)
{
    EXPECT_EQ(TDrawLevel::TwoAxisBubbleAt(XY_LEVEL, BUBBLE, 0, 0), QPoint(60, 61));
    EXPECT_EQ(TDrawLevel::TwoAxisBubbleAt(XY_LEVEL, BUBBLE, 3.0f, 0).x(), 10);
    EXPECT_EQ(TDrawLevel::TwoAxisBubbleAt(XY_LEVEL, BUBBLE, -3.0f, -3.0f), QPoint(110, 111));
    EXPECT_EQ(TDrawLevel::TwoAxisBubbleAt(XY_LEVEL, BUBBLE, 0, 1.0f).y(), 11);
    // Truncation toward zero on both sides of the centre.
    EXPECT_EQ(TDrawLevel::TwoAxisBubbleAt(XY_LEVEL, BUBBLE, 0.019f, -0.019f), QPoint(60, 61));
    // Nonsense input keeps the bubble inside the picture.
    EXPECT_EQ(TDrawLevel::TwoAxisBubbleAt(XY_LEVEL, BUBBLE, 1e30f, -1e30f), QPoint(10, 111));
    EXPECT_EQ(TDrawLevel::TwoAxisBubbleAt(XY_LEVEL, BUBBLE, std::nanf(""), 0), QPoint(60, 61));
}

TEST(LevelGeometry, OneAxisBubblesTravelWithTheTilt)
{
    EXPECT_EQ(TDrawLevel::HorizontalBubbleAt(X_LEVEL, BUBBLE, 90.0f), QPoint(154, 3));
    EXPECT_EQ(TDrawLevel::HorizontalBubbleAt(X_LEVEL, BUBBLE, -90.0f), QPoint(19, 3));
    EXPECT_EQ(TDrawLevel::HorizontalBubbleAt(X_LEVEL, BUBBLE, 0.0f), QPoint(87, 3));
    EXPECT_EQ(TDrawLevel::VerticalBubbleAt(Y_LEVEL, BUBBLE, 90.0f), QPoint(2, 155));
    EXPECT_EQ(TDrawLevel::VerticalBubbleAt(Y_LEVEL, BUBBLE, -90.0f), QPoint(2, 21));
}

TEST(LevelBlend, EachNonZeroChannelIsMixedAndZeroChannelsAreTransparent)
{
    QImage target = Filled(QSize(4, 3), 100, 100, 100);
    const QImage bubble = Filled(QSize(2, 2), 0, 0, 200);
    TDrawLevel::BlendBubble(target, bubble, 1, 1, 0.5f);
    const std::uint8_t* p = target.constScanLine(1) + 3;
    EXPECT_EQ(p[0], 100);
    EXPECT_EQ(p[1], 100);
    EXPECT_EQ(p[2], 150);
    // Outside the bubble nothing changed.
    EXPECT_EQ(target.constScanLine(0)[5], 100);
    EXPECT_EQ(target.constScanLine(1)[2], 100);

    // Odd sums round down; alpha 1 copies the bubble byte.
    QImage odd = Filled(QSize(1, 1), 101, 0, 255);
    TDrawLevel::BlendBubble(odd, Filled(QSize(1, 1), 200, 7, 255), 0, 0, 0.5f);
    EXPECT_EQ(odd.constScanLine(0)[0], 150);
    EXPECT_EQ(odd.constScanLine(0)[1], 3);
    EXPECT_EQ(odd.constScanLine(0)[2], 255);
}

TEST(LevelBlend, RowsAndColumnsOutsideTheTargetAreLeftOut)
{
    QImage target = Filled(QSize(5, 5), 10, 10, 10);
    const QImage before = target.copy();
    const QImage bubble = Filled(QSize(4, 4), 30, 30, 30);
    TDrawLevel::BlendBubble(target, bubble, 3, 3, 0.5f); // only 2 x 2 overlap
    int changed = 0;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 15; ++x)
            changed += target.constScanLine(y)[x] != before.constScanLine(y)[x];
    EXPECT_EQ(changed, 2 * 2 * 3);
    TDrawLevel::BlendBubble(target, bubble, -10, 100, 0.5f);
    TDrawLevel::BlendBubble(target, bubble, 1000, -2, 0.5f);
    TDrawLevel::BlendBubble(target, bubble, -2, -2, 0.5f);
    EXPECT_EQ(target.constScanLine(0)[0], 20);
}

TEST(LevelDraw, ComposesAtTheFixedPlacesAndLeavesNoTrace)
{
    SyntheticLevels art;
    TDrawLevel levels = MakeLevels();
    EXPECT_EQ(levels.Bounds(), QRect(117, 64, 242, 196));

    QImage canvas(387, 276, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    levels.Draw(&canvas, 0, 0, 0, 0);
    // Two-axis at (193, 117): the bubble at (60, 61) inside it.
    EXPECT_TRUE(IsBlended(canvas, 193 + 60, 117 + 61));
    EXPECT_TRUE(IsBlended(canvas, 193 + 79, 117 + 79));
    EXPECT_TRUE(IsLevel(canvas, 193 + 59, 117 + 61));
    EXPECT_TRUE(IsLevel(canvas, 193 + 80, 117 + 61));
    // Horizontal at (164, 64), vertical at (117, 66); the canvas around stays untouched.
    EXPECT_TRUE(IsBlended(canvas, 164 + 87, 64 + 3));
    EXPECT_TRUE(IsBlended(canvas, 117 + 2, 66 + 88));
    EXPECT_EQ(canvas.pixel(116, 66), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(164 + 195, 64), qRgb(0, 0, 0));

    levels.Draw(&canvas, 90.0f, -90.0f, 3.0f, -3.0f);
    EXPECT_TRUE(IsLevel(canvas, 193 + 60, 117 + 61)) << "first bubble left a trace";
    EXPECT_TRUE(IsBlended(canvas, 193 + 10, 117 + 111));
    EXPECT_TRUE(IsLevel(canvas, 164 + 87, 64 + 3));
    EXPECT_TRUE(IsBlended(canvas, 164 + 154, 64 + 3));
    EXPECT_TRUE(IsBlended(canvas, 117 + 2, 66 + 21));
    EXPECT_TRUE(IsLevel(canvas, 117 + 2, 66 + 88));
}

TEST(LevelDraw, ProgramArtworkLoadsInTheDocumentedSizes)
{
    TDrawLevel levels(
        117, 64, "XY_LEVEL_BMP", "XY_BUBBLE_BMP", "X_LEVEL_BMP", "X_BUBBLE_BMP", "Y_LEVEL_BMP", "Y_BUBBLE_BMP");
    EXPECT_EQ(levels.Bounds(), QRect(117, 64, 242, 196));
    QImage small(10, 10, QImage::Format_RGB32);
    levels.Draw(&small, 0, 0, 0, 0); // clipped, not out of bounds
    levels.Draw(nullptr, 0, 0, 0, 0);
}
