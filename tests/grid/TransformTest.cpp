// The transformation: solving it from four buoys, the pivot rule, both conversions and the
// distance from the jump point.
#include "grid/Transform.h"
#include "TestSite.h"

#include <gtest/gtest.h>

using namespace zelvan::grid;

namespace
{

// A general projective map (all eight coefficients non-zero), c[0] unused.
const std::array<double, 9> kMap{0, 12.5, 0.004, -0.0011, 2e-5, 1.5e-5, -30, 0.0009, 0.013};

PlanePoint mapped(const std::array<double, 9>& c, double sx, double sy)
{
    const double d = 1 + c[4] * sx + c[5] * sy;
    return {(c[1] + c[2] * sx + c[3] * sy) / d, (c[6] + c[7] * sx + c[8] * sy) / d};
}

WorkingSet buoysOf(const std::array<double, 9>& c, const std::array<PlanePoint, 5>& screen)
{
    WorkingSet ws;
    for (int k = 1; k <= 4; ++k) {
        const PlanePoint w = mapped(c, screen[k].x, screen[k].y);
        ws.buoyScreenX[k] = screen[k].x;
        ws.buoyScreenY[k] = screen[k].y;
        ws.buoySurveyX[k] = w.x;
        ws.buoySurveyY[k] = w.y;
    }
    return ws;
}

void expectCoefficients(const WorkingSet& ws, const std::array<double, 9>& c, double relative)
{
    for (int i = 1; i <= 8; ++i)
        EXPECT_NEAR(ws.solveMatrix[i][9], c[i], std::fabs(c[i]) * relative) << "c" << i;
}

WorkingSet planeMap(const std::array<double, 9>& c)
{
    WorkingSet ws;
    setActiveCoefficients(ws, c);
    return ws;
}

} // namespace

TEST(SolveTransform, RecoversAKnownProjectiveMapAndLeavesTheIdentityBeside)
{
    WorkingSet ws = buoysOf(kMap, {{{}, {10500, 1800}, {11500, 7600}, {1500, 2100}, {400, 7000}}});
    ASSERT_TRUE(solve_transform(ws));
    expectCoefficients(ws, kMap, 1e-9);
    for (int i = 1; i <= 8; ++i)
        for (int j = 1; j <= 8; ++j)
            EXPECT_NEAR(ws.solveMatrix[i][j], i == j ? 1.0 : 0.0, 1e-9) << i << "," << j;
    // Every buoy converts back onto its survey position.
    for (int k = 1; k <= 4; ++k) {
        const auto w = forwardConversion(ws, ws.buoyScreenX[k], ws.buoyScreenY[k]);
        ASSERT_TRUE(w);
        EXPECT_NEAR(w->x, ws.buoySurveyX[k], 1e-9);
        EXPECT_NEAR(w->y, ws.buoySurveyY[k], 1e-9);
    }
}

TEST(SolveTransform, PivotRule)
{
    // Upper and lower right share their screen x exactly: the second pivot is an exact zero
    // and the next row with a non-zero entry is taken instead.
    WorkingSet swapped =
        buoysOf(kMap, {{{}, {10000, 1500}, {10000, 8000}, {1000, 1500}, {500, 8000}}});
    ASSERT_TRUE(solve_transform(swapped));
    expectCoefficients(swapped, kMap, 1e-9);

    // A merely tiny pivot is a pivot: no tolerance turns it into "no solution".
    WorkingSet tiny =
        buoysOf(kMap, {{{}, {10000, 1500}, {10000.0000001, 8000}, {1000, 1500}, {500, 8000}}});
    ASSERT_TRUE(solve_transform(tiny));
    for (int i = 1; i <= 8; ++i)
        EXPECT_TRUE(std::isfinite(tiny.solveMatrix[i][9]));
    expectCoefficients(tiny, kMap, 1e-3);

    // The only non-zero candidate in the column is tiny: still a pivot, still a solution.
    WorkingSet lone =
        buoysOf(kMap, {{{}, {5000, 1500}, {5000, 8000}, {5000, 1600}, {5000.0000001, 7000}}});
    ASSERT_TRUE(solve_transform(lone));
    for (int i = 1; i <= 8; ++i)
        EXPECT_TRUE(std::isfinite(lone.solveMatrix[i][9]));
}

TEST(SolveTransform, AllZeroPivotColumnIsSingularAndKeepsThePreviousGrid)
{
    WorkingSet ws = buoysOf(kMap, {{{}, {5000, 1500}, {5000, 8000}, {5000, 1600}, {5000, 7000}}});
    std::array<double, 9> previous{0, 1, 2, 3, 4, 5, 6, 7, 8};
    setActiveCoefficients(ws, previous);
    ws.solveMatrix[3][4] = 42;
    const auto before = ws.solveMatrix;
    EXPECT_FALSE(solve_transform(ws));
    EXPECT_EQ(ws.solveMatrix, before);
    EXPECT_EQ(activeCoefficients(ws), previous);
}

TEST(Conversions, ForwardAndInverseRoundTrip)
{
    WorkingSet ws = planeMap(kMap);
    for (const PlanePoint p : {PlanePoint{0, 0}, PlanePoint{6000, 4500}, PlanePoint{11999, 8999},
                               PlanePoint{-300, 250.5}}) {
        ws.screenX = p.x;
        ws.screenY = p.y;
        ASSERT_TRUE(distance_calculation(ws, true, false));
        const PlanePoint expected = mapped(kMap, p.x, p.y);
        EXPECT_NEAR(ws.waterX, expected.x, 1e-12 * (1 + std::fabs(expected.x)));
        EXPECT_NEAR(ws.waterY, expected.y, 1e-12 * (1 + std::fabs(expected.y)));
        ws.screenX = ws.screenY = -1;
        ASSERT_TRUE(water_to_screen(ws));
        EXPECT_NEAR(ws.screenX, p.x, 1e-7);
        EXPECT_NEAR(ws.screenY, p.y, 1e-7);
    }
}

TEST(Conversions, ZeroDenominatorStoresNothing)
{
    // d = 1 + x / 1024 vanishes at x = -1024 (exact in binary).
    WorkingSet ws = planeMap({0, 0, 1, 0, 1.0 / 1024, 0, 0, 0, 1});
    ws.screenX = -1024;
    ws.screenY = 10;
    ws.waterX = 7;
    ws.waterY = 8;
    ws.jumpDistance = 9;
    EXPECT_FALSE(forwardConversion(ws, -1024, 10));
    EXPECT_FALSE(distance_calculation(ws, false, false));
    EXPECT_EQ(ws.waterX, 7);
    EXPECT_EQ(ws.waterY, 8);
    EXPECT_EQ(ws.jumpDistance, 9);

    // Inverse denominator: -X / 1024 + 1 vanishes at X = 1024.
    ws.waterX = 1024;
    ws.waterY = 3;
    ws.screenX = 11;
    ws.screenY = 12;
    EXPECT_FALSE(water_to_screen(ws));
    EXPECT_EQ(ws.screenX, 11);
    EXPECT_EQ(ws.screenY, 12);

    // Just beside the vanishing line both work again.
    ws.waterX = 1000;
    EXPECT_TRUE(water_to_screen(ws));

    // The check buoy on the vanishing line has no water position either.
    ws.checkScreenX = -1024;
    EXPECT_FALSE(screen_to_water(ws));
}

TEST(Conversions, DistanceFromTheJumpPointWithTheEventOffset)
{
    WorkingSet ws = planeMap({0, 0, 1, 0, 0, 0, 0, 0, 1}); // water = screen
    ws.jumpSurveyX = 1;
    ws.jumpSurveyY = -2;
    const auto at = [&](bool barefoot, bool sitSki) {
        ws.screenX = 4;
        ws.screenY = 2; // 3-4-5 from the jump point
        EXPECT_TRUE(distance_calculation(ws, barefoot, sitSki));
        return ws.jumpDistance;
    };
    EXPECT_EQ(at(true, false), 5);
    EXPECT_EQ(at(true, true), 5);
    EXPECT_DOUBLE_EQ(at(false, false), 7.1);
    EXPECT_DOUBLE_EQ(at(false, true), 6.9);
    EXPECT_EQ(ws.waterX, 4);
    EXPECT_EQ(ws.waterY, 2);
    EXPECT_EQ(jumpOffset(false, false), 2.1);
    EXPECT_DOUBLE_EQ(jumpOffset(false, true), 1.9);
    EXPECT_EQ(jumpOffset(true, true), 0);
}
