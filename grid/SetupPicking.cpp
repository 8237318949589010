#include "grid/SetupPicking.h"

#include "base/Numbers.h"
#include "grid/Overlay.h"
#include "grid/Rounding.h"

#include <QPainter>

namespace zelvan::grid
{

namespace
{

int indexOf(SetupPoint point)
{
    return int(point);
}

// Buoy numbers of the four corners, in SetupPoint order.
constexpr std::array<int, 4> kBuoyNumber = {UpperLeft, UpperRight, LowerLeft, LowerRight};

} // namespace

QList<PointMove> pickPoint(const SetupPositions& previous, SetupPoint selected, bool locked,
                           QPointF click)
{
    const QPointF shift = click - previous[indexOf(selected)];
    QList<PointMove> moves;
    for (int i = 0; i < kSetupPointCount; ++i) {
        const auto point = SetupPoint(i);
        if (point == selected)
            moves.append({point, previous[i], click});
        else if (locked)
            moves.append({point, previous[i], previous[i] + shift});
    }
    return moves;
}

Nudge nudgeOfKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
        return Nudge::Left;
    case Qt::Key_Up:
        return Nudge::Up;
    case Qt::Key_Right:
        return Nudge::Right;
    default:
        return Nudge::Down;
    }
}

QList<PointMove> nudgePoint(const SetupPositions& previous, SetupPoint selected, bool locked,
                            Nudge direction)
{
    const double step = kTwipsPerPixel;
    const QPointF by = direction == Nudge::Up     ? QPointF(0, -step)
                       : direction == Nudge::Down ? QPointF(0, step)
                       : direction == Nudge::Left ? QPointF(-step, 0)
                                                  : QPointF(step, 0);
    return pickPoint(previous, selected, locked, previous[indexOf(selected)] + by);
}

void applyMoves(const QList<PointMove>& moves, SetupPositions& positions, WorkingSet& working)
{
    for (const PointMove& move : moves) {
        const int i = indexOf(move.point);
        positions[i] = move.to;
        if (move.point == SetupPoint::CheckBuoy) {
            working.checkScreenX = move.to.x();
            working.checkScreenY = move.to.y();
        } else {
            working.buoyScreenX[kBuoyNumber[i]] = move.to.x();
            working.buoyScreenY[kBuoyNumber[i]] = move.to.y();
        }
    }
}

std::array<const char*, 2> screenBoxNames(SetupPoint point)
{
    switch (point) {
    case SetupPoint::UpperLeft:
        return {"upper_left_x", "upper_left_y"};
    case SetupPoint::UpperRight:
        return {"upper_right_x", "upper_right_y"};
    case SetupPoint::LowerLeft:
        return {"lower_left_x", "lower_left_y"};
    case SetupPoint::LowerRight:
        return {"lower_right_x", "lower_right_y"};
    case SetupPoint::CheckBuoy:
        break;
    }
    return {"txtCheckXpix", "txtCheckYpix"};
}

QString pickedText(double twips)
{
    return decimalText(twips);
}

void drawMoves(QPainter& painter, const QList<PointMove>& moves, double size, double markerRadius)
{
    painter.setBrush(Qt::NoBrush);
    for (const PointMove& move : moves) {
        painter.setPen(overlayPen(QColor(255, 0, 255)));
        painter.drawEllipse(move.from, markerRadius, markerRadius);
        drawCross(painter, move.from, size);
        painter.setPen(overlayPen(Qt::black));
        drawCross(painter, move.to, size);
    }
}

} // namespace zelvan::grid
