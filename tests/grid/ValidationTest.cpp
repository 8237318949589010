// The set-up tests: check buoy, survey direction, front/back ratios, field of view and the
// grid's share of the picture width.
#include "grid/Validation.h"
#include "TestSite.h"

#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::grid;
using zelvan::test::TestSite;

namespace
{

WorkingSet solvedSite(const TestSite& site)
{
    WorkingSet ws = site.workingSet();
    EXPECT_TRUE(solve_transform(ws));
    return ws;
}

QStringList texts(const OperatorMessages& messages)
{
    QStringList out;
    for (const auto& m : messages)
        out << m.text;
    return out;
}

const QString kInvalidAllowed = QStringLiteral("Invalid Configurations allowed for test");

} // namespace

TEST(CheckBuoy, ToleranceIsTwentyTwoAndAHalfTwipsOnEachAxis)
{
    EXPECT_TRUE(checkBuoyValidates(5000, 4000, 5000, 4000));
    EXPECT_TRUE(checkBuoyValidates(5022.5, 4000, 5000, 4000));
    EXPECT_TRUE(checkBuoyValidates(4977.5, 3977.5, 5000, 4000));
    EXPECT_FALSE(checkBuoyValidates(5022.6, 4000, 5000, 4000));
    EXPECT_FALSE(checkBuoyValidates(4977.4, 4000, 5000, 4000));
    EXPECT_FALSE(checkBuoyValidates(5000, 4022.6, 5000, 4000));
    EXPECT_FALSE(checkBuoyValidates(5000, 3977.4, 5000, 4000));
}

TEST(SurveyDirection, PlusOneOnlyWhenUpperRightIsBelowUpperLeft)
{
    EXPECT_EQ(surveyDirectionFor(10, 20), 1.0);
    EXPECT_EQ(surveyDirectionFor(20, 10), -1.0);
    EXPECT_EQ(surveyDirectionFor(15, 15), -1.0);
}

TEST(GridCheck, FrontAndBackRatios)
{
    // Lower buoys 80 % of the picture apart: logged, no message.
    auto g = grid_check(11250, 1250, 9000, 3000, 12500);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->front, 80);
    EXPECT_EQ(g->back, 48);
    EXPECT_EQ(g->log, QStringList({QStringLiteral("Front set-up ratio = 80"),
                                   QStringLiteral("Back set-up ratio = 48")}));
    EXPECT_TRUE(g->messages.isEmpty());

    // 79.9 %: the message carries the integer part. Left and right may be either way round.
    g = grid_check(1256.25, 11243.75, 3000, 9000, 12500);
    ASSERT_TRUE(g);
    EXPECT_NEAR(g->front, 79.9, 1e-12);
    ASSERT_EQ(g->messages.size(), 1);
    EXPECT_EQ(g->messages[0].text, QStringLiteral("Front ratio is 79%  Zoom camera in until "
                                                  "front is > 85%"));
    EXPECT_EQ(g->messages[0].icon, Icon::None);
    EXPECT_TRUE(g->messages[0].title.isEmpty());

    // No picture width, no ratio (instead of a division by zero).
    EXPECT_FALSE(grid_check(11250, 1250, 9000, 3000, 0));
}

TEST(FieldOfView, SymmetricSetUpUnderThirtyDegreesPassesSilently)
{
    TestSite site; // +-12.4 degrees at the lower buoys
    const FieldOfView f = fieldOfView(solvedSite(site), false);
    ASSERT_TRUE(f.converted);
    EXPECT_NEAR(f.leftAngle, -12.4, 1e-9);
    EXPECT_NEAR(f.rightAngle, 12.4, 1e-9);
    EXPECT_EQ(f.fieldOfView, 24.8);
    EXPECT_FALSE(f.refused);
    EXPECT_TRUE(f.messages.isEmpty());
    // The outer (lower) buoys are the ones measured.
    EXPECT_EQ(f.leftX, 500);
    EXPECT_EQ(f.rightX, 11500);
    ASSERT_EQ(f.log.size(), 5);
    EXPECT_TRUE(f.log[0].startsWith(QStringLiteral("left angle= -12.4")));
    EXPECT_TRUE(f.log[0].endsWith(QStringLiteral(" degrees")));
    EXPECT_EQ(f.log[1], QStringLiteral("left position = 500"));
    EXPECT_TRUE(f.log[2].startsWith(QStringLiteral("right angle= 12.4")));
    EXPECT_EQ(f.log[3], QStringLiteral("right position = 11500"));
    EXPECT_EQ(f.log[4], QStringLiteral("Field of view  = 24.8 degrees"));
}

TEST(FieldOfView, ThirtyFiveIsAWarningAboveItIsRefused)
{
    TestSite site;
    site.halfAngleDegrees = 17.5;
    FieldOfView f = fieldOfView(solvedSite(site), false);
    EXPECT_EQ(f.fieldOfView, 35);
    EXPECT_FALSE(f.refused);
    EXPECT_EQ(texts(f.messages),
              QStringList(QStringLiteral(
                  "Warning! Field of View is 35 degrees where the maximum allowed is 35 degrees "
                  "and the desired is less than 30 degrees. If your grid is not taking up as "
                  "much of the screen  as possible then your fov is even greater and may lead "
                  "to inaccurate readings. You should consider moving the camera further away "
                  "or making the measurement grid shorter.")));

    site.halfAngleDegrees = 17.55;
    const QString refusal = QStringLiteral(
        "Setup is not valid, Field of View is 35.1 degrees where the maximum allowed is 35 "
        "degrees.You either need to move the camera further away or make the measurement grid "
        "shorter.");
    f = fieldOfView(solvedSite(site), false);
    EXPECT_EQ(f.fieldOfView, 35.1);
    EXPECT_TRUE(f.refused);
    EXPECT_EQ(texts(f.messages), QStringList(refusal));
    EXPECT_FALSE(f.log.last().startsWith(QStringLiteral("Field of view")));

    f = fieldOfView(solvedSite(site), true);
    EXPECT_FALSE(f.refused);
    EXPECT_EQ(texts(f.messages), QStringList({refusal, kInvalidAllowed}));
    EXPECT_EQ(f.messages[1].icon, Icon::Error);
    EXPECT_EQ(f.log.last(), QStringLiteral("Field of view  = 35.1 degrees"));

    // Between 30 and 35 only the warning; at 30 nothing.
    site.halfAngleDegrees = 15;
    f = fieldOfView(solvedSite(site), false);
    EXPECT_EQ(f.fieldOfView, 30);
    EXPECT_TRUE(f.messages.isEmpty());
}

TEST(ScreenWidth, EightyPassesSeventySixContinuesSeventyFiveIsRefused)
{
    ScreenWidth s = screenWidth(1250, 11250, 12500, QStringLiteral("12500"), false);
    EXPECT_EQ(s.percent, 80);
    EXPECT_FALSE(s.refused);
    EXPECT_TRUE(s.messages.isEmpty());
    EXPECT_EQ(s.log, QStringList({QStringLiteral("Screen width of Grid  = 80%"),
                                  QStringLiteral("Screen width  = 12500")}));

    const QString warning76 = QStringLiteral(
        "Warning - Grid is 76% which is less than 80% of screen width.  Zoom your camera until "
        "the grid nearly fills the screen.");
    s = screenWidth(1500, 11000, 12500, QStringLiteral("12500"), false);
    EXPECT_FALSE(s.refused);
    EXPECT_EQ(texts(s.messages),
              QStringList({warning76, QStringLiteral("Grid is greater than 75% so continue")}));
    EXPECT_EQ(s.messages[0].icon, Icon::Error);
    EXPECT_EQ(s.messages[1].icon, Icon::None);

    const QString warning75 = QStringLiteral(
        "Warning - Grid is 75% which is less than 80% of screen width.  Zoom your camera until "
        "the grid nearly fills the screen.");
    s = screenWidth(10937.5, 1562.5, 12500, QStringLiteral("12500"), false);
    EXPECT_EQ(s.percent, 75);
    EXPECT_TRUE(s.refused);
    EXPECT_EQ(texts(s.messages), QStringList(warning75));

    s = screenWidth(10937.5, 1562.5, 12500, QStringLiteral("12500"), true);
    EXPECT_FALSE(s.refused);
    EXPECT_EQ(texts(s.messages), QStringList({warning75, kInvalidAllowed}));
}
