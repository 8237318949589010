#pragma once
// The official distances of a jump: IWSF meters to 0.1 m, AWSA feet to the whole foot (to
// 0.1 ft for barefoot and sit-ski jumping), and the four-decimal raw distance, all half up.
#include "base/Result.h"
#include "grid/GridModel.h"

#include <QString>

namespace zelvan::measure
{

struct OfficialDistance {
    double distance = 0;   // D as read back from its own 15-digit text
    QString distanceText;  // D, up to 15 significant digits
    QString rawText;       // floor(D * 10000 + 0.5) / 10000
    double meters = 0;     // floor(D * 10 + 0.5) / 10
    QString metersText;    // official meters text handed on ("45.3")
    double feet = 0;       // from D, never from the rounded meters
    QString feetText;      // official feet text handed on ("149", barefoot "148.6")
    QString metersDisplay; // "45.3m"
    QString feetDisplay;   // "149ft"
};

// barefootIndicatorShown: the event-type indicator is visible (barefoot or sit ski), which
// gives feet in tenths.
OfficialDistance officialDistance(double distance, bool barefootIndicatorShown);

// The impact point (twips) of the active grid: sets screenX/screenY, waterX/waterY (no event
// offset) and jumpDistance of the working set, and gives the official distances. Fails when
// the point has no water position (on the grid's vanishing line); the working set's
// registers are then left as they were.
Result<OfficialDistance> computeJumpDistance(grid::WorkingSet& ws, double x, double y,
                                             bool barefootMode, bool sitSkiMode,
                                             bool barefootIndicatorShown);

} // namespace zelvan::measure
