#pragma once
// Picking the five points of a grid on the set-up screen: a click sets the selected point,
// and with the grid lock on every other point moves by the same displacement; a micro-adjust
// is a click one pixel (15 twips) beside the selected point's last position.
#include "grid/GridModel.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <array>

class QPainter;

namespace zelvan::grid
{

// In the order the screen handles them.
enum class SetupPoint { UpperLeft, UpperRight, LowerLeft, LowerRight, CheckBuoy };
inline constexpr int kSetupPointCount = 5;
using SetupPositions = std::array<QPointF, kSetupPointCount>; // previous positions, twips

// One point moved by a pick: where it was (marked in magenta) and where it is now (a black
// cross).
struct PointMove {
    SetupPoint point;
    QPointF from;
    QPointF to;
};

// The moves of a click at `click` with `selected` chosen: the selected point alone, or with
// the lock every point, in the order upper left, upper right, lower left, lower right, check
// buoy.
QList<PointMove> pickPoint(const SetupPositions& previous, SetupPoint selected, bool locked,
                           QPointF click);

enum class Nudge { Up, Down, Left, Right };
// The nudge of an arrow key (Qt::Key_Left, _Up, _Right; anything else is down).
Nudge nudgeOfKey(int key);
// A micro-adjust: the selected point (with the lock, every point) 15 twips in that direction.
QList<PointMove> nudgePoint(const SetupPositions& previous, SetupPoint selected, bool locked,
                            Nudge direction);

// Applies the moves to the previous positions and to the working set (buoys at numbers 3, 1,
// 4, 2 for upper left, upper right, lower left, lower right; the check buoy's screen
// position).
void applyMoves(const QList<PointMove>& moves, SetupPositions& positions, WorkingSet& working);

// The names of the two screen boxes of a point ("upper_left_x", ..., "txtCheckXpix").
std::array<const char*, 2> screenBoxNames(SetupPoint point);
// The text a picked coordinate shows in its box.
QString pickedText(double twips);

// What a pick draws: at each old position a magenta circle of `markerRadius` and a magenta
// cross of half-length `size`, at each new position a black cross of half-length `size`.
void drawMoves(QPainter& painter, const QList<PointMove>& moves, double size, double markerRadius);

} // namespace zelvan::grid
