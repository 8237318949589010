#pragma once
// What the measurement screen draws and shows for a point of the picture: the impact cross
// with its splash indicator, the verify-mode readout under the pointer, and the grid cycle of
// the Set_grid button.
#include "base/Result.h"
#include "grid/GridModel.h"

#include <QLineF>
#include <QPointF>
#include <QString>

namespace zelvan::measure
{

struct EventType {
    bool barefootMode = false;
    bool sitSkiMode = false;
};

struct ImpactMark {
    QLineF arm;      // from the impact toward the ramp side, crossSize long
    QLineF vertical; // crossSize above to crossSize below the impact
    QLineF splash;   // upward from the point 2.1 m (sit ski 1.9 m) beyond the impact
};

// DrawImpactMark's geometry for the impact point `at` (twips). Like the conversions it
// makes, it leaves the splash point in the registers: waterX/waterY the shifted water point,
// screenX/screenY its screen position. Fails, leaving the registers as they were, for a point
// without water position (the grid's vanishing line).
Result<ImpactMark> impactMark(grid::WorkingSet& ws, QPointF at, double crossSize, bool rightToLeft,
                              const EventType& event, double surveyDirection);

struct VerifyReadout {
    QString xtwips, ytwips, xposition, yposition, verifyDistance;
};

// The readout of the pointer at `at`: its twips, its water position to 0.01 m and its distance
// as "45.3m 149ft" with the unofficial factor 3.28.
Result<VerifyReadout> verifyReadout(const grid::WorkingSet& ws, QPointF at, const EventType& event);

// The grid the Set_grid button goes to from `current`: 1 -> 2 -> (3 when three are configured)
// -> 1.
int nextGrid(int current, int numGrids);
QString gridCaption(int grid);

// Refusal text for a click or record on the vanishing line.
inline const char* const kNoWaterPositionText =
    "This point of the picture has no position on the water with the active grid (it lies on "
    "the grid's horizon). Please click on the water below the horizon.";

} // namespace zelvan::measure
