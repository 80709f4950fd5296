// The G-sensor's arithmetic: milli-g texts, tilt texts and the values the levels get.
#include "core/GsensorMath.h"

#include <gtest/gtest.h>

using gsensor::ViewOf;

TEST(GsensorMath, OneGOnXAndZShowsFortyFiveDegrees)
{
    const auto view = ViewOf(16384, 0, 16384);
    EXPECT_EQ(view.textX, "X=1000.0mg");
    EXPECT_EQ(view.textY, "Y=0.0mg");
    EXPECT_EQ(view.textZ, "Z=1000.0mg");
    EXPECT_EQ(view.textTiltX, "-45.0");
    EXPECT_EQ(view.textTiltY, "0.0");
    EXPECT_NEAR(view.gX, 1.0f, 1e-3f);
    EXPECT_FLOAT_EQ(view.gY, 0.0f);
}

TEST(GsensorMath, ZeroZGivesZeroTilts)
{
    for (int x : {-32768, -1, 0, 1, 12345, 32767}) {
        const auto view = ViewOf(x, -x / 2, 0);
        EXPECT_EQ(view.textTiltX, "0.0") << x;
        EXPECT_EQ(view.textTiltY, "0.0") << x;
        EXPECT_EQ(view.textZ, "Z=0.0mg");
    }
}

TEST(GsensorMath, FullNegativeScaleOnXWithTinyZ)
{
    const auto view = ViewOf(-32768, 0, 1);
    EXPECT_EQ(view.textX, "X=-2000.0mg");
    EXPECT_EQ(view.textTiltX, "90.0");
    EXPECT_NEAR(view.gX, -2.0f, 1e-3f);
}

TEST(GsensorMath, ReportedYIsShownNegated)
{
    const auto view = ViewOf(0, gsensor::StoredY(100), 16384);
    EXPECT_EQ(view.textY, "Y=-6.1mg");
    // The tilt about Y follows the stored (negated) count: -atan(-100/16384) > 0.
    EXPECT_EQ(view.textTiltY, "0.3");
    EXPECT_LT(view.gY, 0.0f);
}

TEST(GsensorMath, MostNegativeReportedYDoesNotWrap)
{
    // Negating -32768 in 16 bits would give -32768 again and show the board upside down.
    EXPECT_EQ(gsensor::StoredY(-32768), 32768);
    EXPECT_EQ(ViewOf(0, gsensor::StoredY(-32768), 0).textY, "Y=2000.0mg");
}

TEST(GsensorMath, ScaleAndTiltUseSinglePrecisionConstants)
{
    EXPECT_FLOAT_EQ(gsensor::ScaleMgPerCount(), 4000.0f / 65535.0f);
    EXPECT_FLOAT_EQ(gsensor::CountToMg(32767), 32767.0f * (4000.0f / 65535.0f));
    // Tilts stay inside (-90, 90) and change sign with the axis count.
    EXPECT_GT(gsensor::TiltDegrees(-32768, 1), 89.99f);
    EXPECT_LT(gsensor::TiltDegrees(32767, 1), -89.99f);
    EXPECT_FLOAT_EQ(gsensor::TiltDegrees(5, -5), 45.0f * 3.14159265f / 3.14159f);
}

TEST(GsensorMath, ExactTiesRoundAwayFromZeroAsTheWindowAlwaysShowedThem)
{
    // 17846 counts are exactly 1089.25 mg in single precision: C's printf alone would
    // print 1089.2 (half to even), where the panel has always shown 1089.3.
    ASSERT_EQ(gsensor::CountToMg(17846), 1089.25f);
    EXPECT_EQ(ViewOf(17846, 0, 0).textX, "X=1089.3mg");
    EXPECT_EQ(ViewOf(-30953, 0, 0).textX, "X=-1889.3mg");
    const struct {
        float value;
        const char* text;
    } cases[] = {{0.25f, "0.3"}, {-0.25f, "-0.3"}, {0.75f, "0.8"}, {2.5f, "2.5"}, {0.05f, "0.1"}, {-1.35f, "-1.4"},
        {-0.0f, "0.0"}, {-0.04f, "0.0"}, {-0.05f, "-0.1"}};
    for (const auto& c : cases)
        EXPECT_EQ(gsensor::OneDecimal(c.value), c.text) << c.value;
}
