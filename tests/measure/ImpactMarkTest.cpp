// The impact cross and splash indicator, the verify readout and the grid cycle.
#include "measure/ImpactMark.h"

#include "grid/Transform.h"

#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::measure;

namespace
{

// water = screen / 100, with a horizon at x = -1048576.
grid::WorkingSet linearGrid()
{
    grid::WorkingSet ws;
    grid::setActiveCoefficients(ws, {0, 0, 0.01, 0, 1.0 / 1048576, 0, 0, 0, 0.01});
    return ws;
}

double splashXFor(const EventType& e, bool rightToLeft, double direction)
{
    grid::WorkingSet ws = linearGrid();
    const auto mark = impactMark(ws, {0, 5000}, 100, rightToLeft, e, direction);
    EXPECT_TRUE(mark);
    return mark ? ws.waterX : 0;
}

} // namespace

TEST(ImpactMarkGeometry, ArmTowardTheRampAndSplashBeyondTheImpact)
{
    grid::WorkingSet ws = linearGrid();
    const auto mark = impactMark(ws, {3000, 5000}, 100, false, {}, -1);
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->arm, QLineF(3000, 5000, 2900, 5000));
    EXPECT_EQ(mark->vertical, QLineF(3000, 4900, 3000, 5100));
    // X shifted by -o * surveyDirection = +2.1 m, back to the screen.
    EXPECT_NEAR(ws.waterX, grid::forwardConversion(linearGrid(), 3000, 5000)->x + 2.1, 1e-9);
    EXPECT_NEAR(mark->splash.p1().y() - mark->splash.p2().y(), 1000, 1e-9);
    EXPECT_DOUBLE_EQ(ws.screenX, mark->splash.p1().x());

    grid::WorkingSet rtl = linearGrid();
    const auto left = impactMark(rtl, {3000, 5000}, 45, true, {}, -1);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->arm, QLineF(3000, 5000, 3045, 5000));
}

TEST(ImpactMarkGeometry, OffsetByEventType)
{
    EXPECT_NEAR(splashXFor({}, false, -1), 2.1, 1e-9);
    EXPECT_NEAR(splashXFor({}, false, 1), -2.1, 1e-9);
    EXPECT_NEAR(splashXFor({}, true, -1), -2.1, 1e-9);
    EXPECT_NEAR(splashXFor({false, true}, false, -1), 1.9, 1e-9);
    EXPECT_NEAR(splashXFor({true, false}, false, -1), 0, 1e-12);
}

TEST(ImpactMarkGeometry, VanishingLineIsRefusedAndRegistersStay)
{
    grid::WorkingSet ws = linearGrid();
    ws.waterX = 7;
    const auto mark = impactMark(ws, {-1048576, 10}, 100, false, {}, -1);
    ASSERT_FALSE(mark);
    EXPECT_EQ(mark.error(), QLatin1String(kNoWaterPositionText));
    EXPECT_EQ(ws.waterX, 7);
    EXPECT_FALSE(verifyReadout(ws, {-1048576, 10}, {}));
}

TEST(Verify, ReadoutWithTheUnofficialFactor)
{
    grid::WorkingSet ws;
    // water = screen / 100 exactly, no horizon term.
    grid::setActiveCoefficients(ws, {0, 0, 0.01, 0, 0, 0, 0, 0, 0.01});
    // 4320 twips -> 43.2 m, + 2.1 = 45.3 m -> 45.3 * 3.28 = 148.58 -> 149.
    const auto r = verifyReadout(ws, {0.7, 4320.4}, {});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->xtwips, QStringLiteral("0"));
    EXPECT_EQ(r->ytwips, QStringLiteral("4320"));
    EXPECT_EQ(r->xposition, QStringLiteral("0.01"));
    EXPECT_EQ(r->yposition, QStringLiteral("43.2"));
    EXPECT_EQ(r->verifyDistance, QStringLiteral("45.3m 149ft"));
    const auto bare = verifyReadout(ws, {0, 4320}, {true, false});
    EXPECT_EQ(bare->verifyDistance, QStringLiteral("43.2m 142ft"));
}

TEST(GridCycle, ByTheNumberOfGrids)
{
    EXPECT_EQ(nextGrid(1, 2), 2);
    EXPECT_EQ(nextGrid(2, 2), 1);
    EXPECT_EQ(nextGrid(2, 3), 3);
    EXPECT_EQ(nextGrid(3, 3), 1);
    EXPECT_EQ(gridCaption(2), QStringLiteral("&Grid 2"));
}
