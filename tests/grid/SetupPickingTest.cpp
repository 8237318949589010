// Picking and nudging the five set-up points, with and without the grid lock.
#include "grid/SetupPicking.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace zelvan::grid;

namespace
{

SetupPositions placed()
{
    return {QPointF(3000, 4000), QPointF(24000, 3900), QPointF(1500, 14000), QPointF(26000, 14500),
            QPointF(13000, 6000)};
}

} // namespace

TEST(SetupPicking, AClickMovesOnlyTheSelectedPointWithoutTheLock)
{
    const QList<PointMove> moves =
        pickPoint(placed(), SetupPoint::LowerRight, false, {25000, 15000});
    ASSERT_EQ(moves.size(), 1);
    EXPECT_EQ(moves[0].point, SetupPoint::LowerRight);
    EXPECT_EQ(moves[0].from, QPointF(26000, 14500));
    EXPECT_EQ(moves[0].to, QPointF(25000, 15000));
}

TEST(SetupPicking, WithTheLockAClickThirtyTwipsRightMovesAllFivePointsThirtyRight)
{
    SetupPositions positions = placed();
    WorkingSet working;
    const QList<PointMove> moves = pickPoint(positions, SetupPoint::UpperLeft, true, {3030, 4000});
    ASSERT_EQ(moves.size(), kSetupPointCount);
    for (int i = 0; i < kSetupPointCount; ++i) {
        EXPECT_EQ(moves[i].point, SetupPoint(i)) << "handled in screen order";
        EXPECT_EQ(moves[i].to, placed()[i] + QPointF(30, 0));
    }
    applyMoves(moves, positions, working);
    EXPECT_EQ(positions[int(SetupPoint::CheckBuoy)], QPointF(13030, 6000));
    EXPECT_EQ(working.buoyScreenX[UpperLeft], 3030);
    EXPECT_EQ(working.buoyScreenX[UpperRight], 24030);
    EXPECT_EQ(working.buoyScreenX[LowerLeft], 1530);
    EXPECT_EQ(working.buoyScreenX[LowerRight], 26030);
    EXPECT_EQ(working.buoyScreenY[LowerRight], 14500);
    EXPECT_EQ(working.checkScreenX, 13030);
    EXPECT_EQ(working.checkScreenY, 6000);
}

TEST(SetupPicking, NudgesAreOnePixelFromTheLastPosition)
{
    SetupPositions positions = placed();
    WorkingSet working;
    applyMoves(nudgePoint(positions, SetupPoint::CheckBuoy, false, Nudge::Right), positions,
               working);
    applyMoves(nudgePoint(positions, SetupPoint::CheckBuoy, false, Nudge::Right), positions,
               working);
    applyMoves(nudgePoint(positions, SetupPoint::CheckBuoy, false, Nudge::Up), positions, working);
    EXPECT_EQ(positions[int(SetupPoint::CheckBuoy)], QPointF(13030, 5985));
    EXPECT_EQ(working.checkScreenX, 13030);
    const QList<PointMove> down = nudgePoint(positions, SetupPoint::UpperRight, true, Nudge::Down);
    ASSERT_EQ(down.size(), kSetupPointCount);
    EXPECT_EQ(down[0].to, QPointF(3000, 4015));
    const QList<PointMove> left = nudgePoint(positions, SetupPoint::UpperRight, false, Nudge::Left);
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0].to, QPointF(23985, 3900));
}

TEST(SetupPicking, BoxNamesAndTexts)
{
    EXPECT_STREQ(screenBoxNames(SetupPoint::UpperLeft)[0], "upper_left_x");
    EXPECT_STREQ(screenBoxNames(SetupPoint::LowerRight)[1], "lower_right_y");
    EXPECT_STREQ(screenBoxNames(SetupPoint::CheckBuoy)[0], "txtCheckXpix");
    EXPECT_EQ(pickedText(4500), "4500");
    EXPECT_EQ(pickedText(157.5), "157.5");
}

TEST(SetupPicking, OldPositionIsErasedInMagentaAndTheNewOneCrossedInBlack)
{
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawMoves(painter, {{SetupPoint::UpperLeft, QPointF(60, 60), QPointF(140, 140)}}, 15, 30);
    painter.end();
    EXPECT_EQ(image.pixel(90, 60), qRgb(255, 0, 255)) << "circle of the marker radius";
    EXPECT_EQ(image.pixel(50, 60), qRgb(255, 0, 255)) << "cross of half-length s";
    EXPECT_EQ(image.pixel(130, 140), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(140, 127), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(140, 160), qRgb(255, 255, 255));
}
