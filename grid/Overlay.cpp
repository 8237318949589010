#include "grid/Overlay.h"

#include "grid/Rounding.h"

#include <QPainter>
#include <cmath>

namespace zelvan::grid
{

namespace
{

void drawSideLines(QPainter& painter, const GridPoints& points)
{
    painter.drawLine(points.upperRight, points.lowerRight);
    painter.drawLine(points.upperLeft, points.lowerLeft);
}

// The label pair of one far buoy: feet 400 twips and meters 600 twips above it, both 100 twips
// to its left.
std::pair<PlacedLabel, PlacedLabel> buoyDistance(QPointF buoy, double meters)
{
    const double feet = std::floor(meters * 3.28 + 0.5);
    const QPointF left(buoy.x() - 100, 0);
    return {{decimalText(feet) + QStringLiteral(" feet"), left + QPointF(0, buoy.y() - 400)},
            {decimalText(roundHalfUp(meters, 1)) + QStringLiteral(" meters"),
             left + QPointF(0, buoy.y() - 600)}};
}

} // namespace

QPen overlayPen(const QColor& colour)
{
    QPen pen(colour, 2);
    pen.setCosmetic(true); // two screen pixels at every zoom, like the picture's own lines
    return pen;
}

void drawCross(QPainter& painter, QPointF at, double half)
{
    painter.drawLine(QPointF(at.x() - half, at.y()), QPointF(at.x() + half, at.y()));
    painter.drawLine(QPointF(at.x(), at.y() - half), QPointF(at.x(), at.y() + half));
}

QColor overlayColour(const QString& labelColourName, int labelColourValue)
{
    if (labelColourName == QLatin1String("default"))
        return Qt::white;
    return storedColour(labelColourValue);
}

QColor storedColour(int value)
{
    // Stored as &HBBGGRR: red in the low byte.
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

bool circleMarkers(const QString& buoyMarker)
{
    return buoyMarker != QLatin1String("cross");
}

GridPoints gridPoints(const WorkingSet& w)
{
    const auto at = [&w](int buoy) { return QPointF(w.buoyScreenX[buoy], w.buoyScreenY[buoy]); };
    return {at(UpperLeft), at(UpperRight), at(LowerLeft), at(LowerRight),
            QPointF(w.checkScreenX, w.checkScreenY)};
}

void drawMarker(QPainter& painter, QPointF at, const MarkerStyle& style)
{
    painter.setPen(overlayPen(style.colour));
    painter.setBrush(Qt::NoBrush);
    if (!style.circle)
        return drawCross(painter, at, style.size);
    const double radius = 2 * style.size;
    painter.drawEllipse(at, radius, radius);
    for (const QPointF offset :
         {QPointF(0, 0), QPointF(0, 5), QPointF(0, -5), QPointF(5, 0), QPointF(-5, 0)})
        painter.drawPoint(at + offset);
}

void drawSetupGrid(QPainter& painter, const GridPoints& points, const MarkerStyle& style)
{
    for (const QPointF at : {points.upperLeft, points.upperRight, points.lowerLeft,
                             points.lowerRight, points.checkBuoy})
        drawMarker(painter, at, style);
}

void drawMeasureGrid(QPainter& painter, const GridPoints& points, const MarkerStyle& style,
                     bool boxLinesOff)
{
    for (const QPointF at :
         {points.upperLeft, points.upperRight, points.lowerLeft, points.lowerRight})
        drawMarker(painter, at, style);
    if (!boxLinesOff)
        drawSideLines(painter, points);
}

void drawExitGrid(QPainter& painter, const GridPoints& points)
{
    painter.setPen(overlayPen(Qt::black));
    for (const QPointF at :
         {points.upperLeft, points.upperRight, points.lowerLeft, points.lowerRight})
        drawCross(painter, at, 100);
    drawSideLines(painter, points);
    drawCross(painter, points.checkBuoy, 100);
}

DistanceLabels distanceLabels(const WorkingSet& w)
{
    const auto fromJump = [&w](int buoy) {
        const double dx = w.jumpSurveyX - w.buoySurveyX[buoy];
        const double dy = w.jumpSurveyY - w.buoySurveyY[buoy];
        return std::sqrt(dx * dx + dy * dy);
    };
    const GridPoints points = gridPoints(w);
    const auto [maxFeet, maxMeters] = buoyDistance(points.upperLeft, fromJump(UpperLeft));
    const auto [minFeet, minMeters] = buoyDistance(points.upperRight, fromJump(UpperRight));
    return {maxFeet, minFeet, maxMeters, minMeters};
}

} // namespace zelvan::grid
