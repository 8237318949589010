#include "measure/ImpactMark.h"

#include "grid/Rounding.h"
#include "grid/Transform.h"

#include <cmath>

namespace zelvan::measure
{

Result<ImpactMark> impactMark(grid::WorkingSet& ws, QPointF at, double crossSize, bool rightToLeft,
                              const EventType& event, double surveyDirection)
{
    const Result<grid::PlanePoint> water = grid::forwardConversion(ws, at.x(), at.y());
    if (!water)
        return fail(QLatin1String(kNoWaterPositionText));
    grid::PlanePoint shifted = *water;
    const double o = grid::jumpOffset(event.barefootMode, event.sitSkiMode);
    shifted.x += rightToLeft ? o * surveyDirection : -o * surveyDirection;
    const Result<grid::PlanePoint> splash = grid::inverseConversion(ws, shifted.x, shifted.y);
    if (!splash)
        return fail(QLatin1String(kNoWaterPositionText));
    ws.waterX = shifted.x;
    ws.waterY = shifted.y;
    ws.screenX = splash->x;
    ws.screenY = splash->y;
    ImpactMark mark;
    const double armEnd = rightToLeft ? at.x() + crossSize : at.x() - crossSize;
    mark.arm = QLineF(at, QPointF(armEnd, at.y()));
    mark.vertical = QLineF(at.x(), at.y() - crossSize, at.x(), at.y() + crossSize);
    mark.splash = QLineF(splash->x, splash->y, splash->x, splash->y - 1000);
    return mark;
}

Result<VerifyReadout> verifyReadout(const grid::WorkingSet& ws, QPointF at, const EventType& event)
{
    const Result<grid::PlanePoint> water = grid::forwardConversion(ws, at.x(), at.y());
    if (!water)
        return fail(QLatin1String(kNoWaterPositionText));
    const double r = std::hypot(ws.jumpSurveyX - water->x, ws.jumpSurveyY - water->y);
    const double d = r + grid::jumpOffset(event.barefootMode, event.sitSkiMode);
    VerifyReadout out;
    out.xtwips = grid::decimalText(std::trunc(at.x()));
    out.ytwips = grid::decimalText(std::trunc(at.y()));
    out.xposition = grid::decimalText(grid::roundHalfUp(water->x, 2));
    out.yposition = grid::decimalText(grid::roundHalfUp(water->y, 2));
    out.verifyDistance = grid::decimalText(grid::roundHalfUp(d, 1)) + QStringLiteral("m ") +
                         grid::decimalText(std::floor(d * 3.28 + 0.5)) + QStringLiteral("ft");
    return out;
}

int nextGrid(int current, int numGrids)
{
    if (current == 1)
        return 2;
    if (current == 2 && numGrids >= 3)
        return 3;
    return 1;
}

QString gridCaption(int grid)
{
    return QStringLiteral("&Grid %1").arg(grid);
}

} // namespace zelvan::measure
