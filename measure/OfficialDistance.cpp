#include "measure/OfficialDistance.h"

#include "grid/Rounding.h"
#include "grid/Transform.h"

#include <cmath>

namespace zelvan::measure
{

OfficialDistance officialDistance(double distance, bool barefootIndicatorShown)
{
    OfficialDistance o;
    // The distance box shows D and every later step reads D back from the box.
    o.distanceText = grid::decimalText(distance);
    const double d = o.distanceText.toDouble();
    o.distance = d;
    o.rawText = grid::decimalText(std::floor(d * 10000 + 0.5) / 10000);
    o.meters = std::floor(d * 10 + 0.5) / 10;
    o.metersText = grid::decimalText(o.meters);
    o.feet =
        barefootIndicatorShown ? std::floor(d / 0.03048 + 0.5) / 10 : std::floor(d / 0.3048 + 0.5);
    o.feetText = grid::decimalText(o.feet);
    o.metersDisplay = o.metersText + QStringLiteral("m");
    o.feetDisplay = o.feetText + QStringLiteral("ft");
    return o;
}

Result<OfficialDistance> computeJumpDistance(grid::WorkingSet& ws, double x, double y,
                                             bool barefootMode, bool sitSkiMode,
                                             bool barefootIndicatorShown)
{
    grid::WorkingSet trial = ws;
    trial.screenX = x;
    trial.screenY = y;
    if (const Status converted = grid::distance_calculation(trial, barefootMode, sitSkiMode);
        !converted)
        return fail(converted.error());
    ws = trial;
    return officialDistance(ws.jumpDistance, barefootIndicatorShown);
}

} // namespace zelvan::measure
