// Official distances: half-up rounding of meters and feet, the raw text, and the text form.
#include "measure/OfficialDistance.h"
#include "grid/Transform.h"

#include <gtest/gtest.h>

using zelvan::measure::officialDistance;

TEST(OfficialMeters, HalfUpToTheTenth)
{
    EXPECT_EQ(officialDistance(45.25, false).metersText, QStringLiteral("45.3"));
    EXPECT_EQ(officialDistance(45.25, false).metersDisplay, QStringLiteral("45.3m"));
    EXPECT_EQ(officialDistance(45.249, false).metersText, QStringLiteral("45.2"));
    EXPECT_EQ(officialDistance(45.25, false).meters, 45.3);
    // Whole values carry no point.
    EXPECT_EQ(officialDistance(45, false).metersText, QStringLiteral("45"));
    EXPECT_EQ(officialDistance(44.96, false).metersText, QStringLiteral("45"));
    EXPECT_EQ(officialDistance(45, false).rawText, QStringLiteral("45"));
}

TEST(OfficialFeet, WholeFeetOrTenthsWithTheEventIndicator)
{
    EXPECT_EQ(officialDistance(45.3, false).feetText, QStringLiteral("149"));
    EXPECT_EQ(officialDistance(45.3, false).feetDisplay, QStringLiteral("149ft"));
    EXPECT_EQ(officialDistance(45.3, true).feetText, QStringLiteral("148.6"));
    EXPECT_EQ(officialDistance(30, true).feetDisplay, QStringLiteral("98.4ft"));
    // Feet come from D itself: 45.26 m is 148.49 ft although it shows as 45.3 m (149 ft).
    const auto o = officialDistance(45.26, false);
    EXPECT_EQ(o.metersText, QStringLiteral("45.3"));
    EXPECT_EQ(o.feetText, QStringLiteral("148"));
}

TEST(RawDistance, FourDecimalsFromTheFifteenDigitText)
{
    const auto o = officialDistance(61.23456, false);
    EXPECT_EQ(o.rawText, QStringLiteral("61.2346"));
    EXPECT_EQ(officialDistance(45.25, false).rawText, QStringLiteral("45.25"));

    // D goes through its 15-digit text before anything is rounded.
    const auto long_ = officialDistance(45.123456789012345678, false);
    EXPECT_EQ(long_.distanceText, QStringLiteral("45.1234567890123"));
    EXPECT_EQ(long_.distance, 45.1234567890123);
    EXPECT_EQ(long_.rawText, QStringLiteral("45.1235"));

    // Digits beyond the fifteenth cannot tip a half: 45.2499999999999996 reads back as 45.25.
    const double justBelow = std::nextafter(45.25, 0.0);
    EXPECT_EQ(officialDistance(justBelow, false).distanceText, QStringLiteral("45.25"));
    EXPECT_EQ(officialDistance(justBelow, false).metersText, QStringLiteral("45.3"));
}

TEST(JumpDistance, ImpactPointThroughTheActiveGrid)
{
    using namespace zelvan;
    grid::WorkingSet ws;
    // water = screen / 100; d = 1 + x / 1048576 vanishes at x = -1048576.
    grid::setActiveCoefficients(ws, {0, 0, 0.01, 0, 1.0 / 1048576, 0, 0, 0, 0.01});
    ws.jumpSurveyX = 0;
    ws.jumpSurveyY = 0;
    const auto sitSki = measure::computeJumpDistance(ws, 0, 4325, false, true, true);
    ASSERT_TRUE(sitSki);
    EXPECT_EQ(ws.screenY, 4325);
    EXPECT_DOUBLE_EQ(ws.waterY, 43.25); // no offset on the water position itself
    EXPECT_DOUBLE_EQ(ws.jumpDistance, 45.15);
    EXPECT_EQ(sitSki->metersText, QStringLiteral("45.2"));
    EXPECT_EQ(sitSki->feetText, QStringLiteral("148.1"));

    const auto none = measure::computeJumpDistance(ws, -1048576, 10, false, false, false);
    EXPECT_FALSE(none);
    EXPECT_EQ(ws.screenX, 0); // registers as they were
    EXPECT_DOUBLE_EQ(ws.jumpDistance, 45.15);
}
