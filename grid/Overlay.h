#pragma once
// The grid drawn over the picture of the set-up and measurement screens, in picture twips:
// a marker at each buoy, the grid's side lines and the distances of the two far buoys from
// the jump point. The functions paint on any QPainter whose coordinates are twips (the
// picture canvas, or a QImage in tests); clearing what was drawn before is the caller's.
#include "grid/GridModel.h"

#include <QColor>
#include <QPen>
#include <QPointF>
#include <QString>
#include <array>

class QPainter;

namespace zelvan::grid
{

struct MarkerStyle {
    bool circle = true; // the configured "buoy marker": anything but "cross" draws circles
    QColor colour = Qt::white;
    double size = 90; // s, twips: half-length of a cross; a circle's radius is 2 s
};

// The overlay colour: white when the label colour name is "default", else the configured
// colour value (&HBBGGRR as stored).
QColor overlayColour(const QString& labelColourName, int labelColourValue);
// A colour value as stored (&HBBGGRR), whatever the colour's name.
QColor storedColour(int value);
// The marker shape of the "buoy marker" setting.
bool circleMarkers(const QString& buoyMarker);

// The screen positions drawn, in twips.
struct GridPoints {
    QPointF upperLeft, upperRight, lowerLeft, lowerRight, checkBuoy;
};
GridPoints gridPoints(const WorkingSet& working);

// The pen of every overlay line: width 2 (screen pixels, whatever the zoom).
QPen overlayPen(const QColor& colour);
// A horizontal and a vertical line of half-length `half` through `at`, in the current pen.
void drawCross(QPainter& painter, QPointF at, double half);

// A cross of half-length s, or a circle of radius 2 s with a five-dot plus.
void drawMarker(QPainter& painter, QPointF at, const MarkerStyle& style);

// Show_grid of the set-up screen: the markers of the four buoys and the check buoy.
void drawSetupGrid(QPainter& painter, const GridPoints& points, const MarkerStyle& style);

// show_the_grid of the measurement screen: the markers of the four buoys and, unless box
// lines are off, the two side lines (upper right to lower right, upper left to lower left).
void drawMeasureGrid(QPainter& painter, const GridPoints& points, const MarkerStyle& style,
                     bool boxLinesOff);

// The exit drawing of the set-up screen: in black, 100-twip crosses at the four buoys and the
// check buoy and the two side lines.
void drawExitGrid(QPainter& painter, const GridPoints& points);

// A label of the measurement screen placed on the picture: its text and top-left corner.
struct PlacedLabel {
    QString text;
    QPointF topLeft; // twips
};
// maxbuoy, minbuoy (feet) and maxbuoym, minbuoym (meters): the distances of the upper-left
// and upper-right buoys from the jump point, beside those buoys.
struct DistanceLabels {
    PlacedLabel maxbuoy, minbuoy, maxbuoym, minbuoym;
};
DistanceLabels distanceLabels(const WorkingSet& working);

} // namespace zelvan::grid
