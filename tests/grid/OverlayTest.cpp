// The grid overlay painted on a picture, one picture pixel per twip so that every drawn
// position can be checked exactly.
#include "grid/Overlay.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace zelvan::grid;

namespace
{

constexpr QRgb kPicture = 0xff204060;

template <class Paint> QImage painted(Paint paint)
{
    QImage image(400, 400, QImage::Format_RGB32);
    image.fill(kPicture);
    QPainter painter(&image);
    paint(painter);
    return image;
}

bool drawn(const QImage& image, int x, int y)
{
    return image.pixel(x, y) != kPicture;
}

GridPoints square()
{
    return {QPointF(100, 100), QPointF(300, 100), QPointF(100, 300), QPointF(300, 300),
            QPointF(200, 50)};
}

} // namespace

TEST(Overlay, ColourIsWhiteForDefaultElseTheStoredValue)
{
    EXPECT_EQ(overlayColour("default", 0), QColor(Qt::white));
    EXPECT_EQ(overlayColour("default", 65535), QColor(Qt::white));
    EXPECT_EQ(overlayColour("yellow", 65535), QColor(255, 255, 0));
    EXPECT_EQ(overlayColour("black", 0), QColor(0, 0, 0));
    EXPECT_EQ(overlayColour("custom", 0x0000FF), QColor(255, 0, 0)) << "red in the low byte";
    EXPECT_TRUE(circleMarkers("circle"));
    EXPECT_TRUE(circleMarkers("anything"));
    EXPECT_FALSE(circleMarkers("cross"));
}

TEST(Overlay, CircleMarkerWithSizeFifteenHasRadiusThirtyAndAFiveDotPlus)
{
    const MarkerStyle style{true, Qt::white, 15};
    const QImage image = painted([&](QPainter& p) { drawMarker(p, QPointF(200, 200), style); });
    EXPECT_EQ(image.pixel(200, 200), qRgb(255, 255, 255));
    for (const QPoint dot :
         {QPoint(200, 205), QPoint(200, 195), QPoint(205, 200), QPoint(195, 200)})
        EXPECT_TRUE(drawn(image, dot.x(), dot.y())) << dot.x() << "," << dot.y();
    EXPECT_FALSE(drawn(image, 200, 210)) << "the plus is dots, not lines";
    EXPECT_FALSE(drawn(image, 215, 200));
    for (const QPoint rim :
         {QPoint(230, 200), QPoint(170, 200), QPoint(200, 230), QPoint(200, 170)})
        EXPECT_TRUE(drawn(image, rim.x(), rim.y())) << rim.x() << "," << rim.y();
    EXPECT_FALSE(drawn(image, 235, 200));
    EXPECT_FALSE(drawn(image, 225, 200));
}

TEST(Overlay, CrossMarkerSpansTheSizeEachWay)
{
    const MarkerStyle style{false, QColor(255, 255, 0), 90};
    const QImage image = painted([&](QPainter& p) { drawMarker(p, QPointF(200, 200), style); });
    EXPECT_EQ(image.pixel(111, 200), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(289, 200), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(200, 111), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(200, 289), qRgb(255, 255, 0));
    EXPECT_FALSE(drawn(image, 295, 200));
    EXPECT_FALSE(drawn(image, 250, 250)) << "no circle with crosses";
}

TEST(Overlay, SetUpGridMarksFourBuoysAndTheCheckBuoyWithoutSideLines)
{
    const MarkerStyle style{false, Qt::white, 20};
    const QImage image = painted([&](QPainter& p) { drawSetupGrid(p, square(), style); });
    for (const QPointF at : {QPointF(100, 100), QPointF(300, 100), QPointF(100, 300),
                             QPointF(300, 300), QPointF(200, 50)})
        EXPECT_TRUE(drawn(image, int(at.x()) + 15, int(at.y())));
    EXPECT_FALSE(drawn(image, 300, 200)) << "no side line on the set-up screen";
}

TEST(Overlay, MeasureGridDrawsSideLinesUnlessBoxLinesAreOff)
{
    const MarkerStyle style{true, Qt::white, 15};
    const QImage lines = painted([&](QPainter& p) { drawMeasureGrid(p, square(), style, false); });
    EXPECT_TRUE(drawn(lines, 300, 200));
    EXPECT_TRUE(drawn(lines, 100, 200));
    EXPECT_FALSE(drawn(lines, 200, 100)) << "the far and near edges are not drawn";
    EXPECT_FALSE(drawn(lines, 200, 80)) << "the check buoy is not marked";
    const QImage bare = painted([&](QPainter& p) { drawMeasureGrid(p, square(), style, true); });
    EXPECT_FALSE(drawn(bare, 300, 200));
    EXPECT_TRUE(drawn(bare, 330, 300)) << "markers stay";
}

TEST(Overlay, ExitDrawingIsBlackWithHundredTwipCrosses)
{
    const QImage image = painted([](QPainter& p) { drawExitGrid(p, square()); });
    EXPECT_EQ(image.pixel(195, 50), qRgb(0, 0, 0)) << "check buoy cross";
    EXPECT_EQ(image.pixel(200, 149), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(300, 200), qRgb(0, 0, 0)) << "side line";
    EXPECT_EQ(image.pixel(5, 100), qRgb(0, 0, 0)) << "cross arm reaches 100 twips";
    EXPECT_FALSE(drawn(image, 200, 160));
}

TEST(Overlay, DistanceLabelsRoundFeetAndMetersBesideTheFarBuoys)
{
    WorkingSet w;
    w.buoyScreenX[UpperLeft] = 4500;
    w.buoyScreenY[UpperLeft] = 3000;
    w.buoyScreenX[UpperRight] = 9000;
    w.buoyScreenY[UpperRight] = 3100;
    w.buoySurveyX[UpperLeft] = 45.2; // 45.2 m from the jump point at the origin
    w.buoySurveyX[UpperRight] = 30;
    w.buoySurveyY[UpperRight] = 40; // 50 m
    const DistanceLabels labels = distanceLabels(w);
    EXPECT_EQ(labels.maxbuoy.text, "148 feet"); // 45.2 x 3.28 = 148.256
    EXPECT_EQ(labels.maxbuoym.text, "45.2 meters");
    EXPECT_EQ(labels.maxbuoy.topLeft, QPointF(4400, 2600));
    EXPECT_EQ(labels.maxbuoym.topLeft, QPointF(4400, 2400));
    EXPECT_EQ(labels.minbuoy.text, "164 feet");
    EXPECT_EQ(labels.minbuoym.text, "50 meters");
    EXPECT_EQ(labels.minbuoy.topLeft, QPointF(8900, 2700));
    EXPECT_EQ(labels.minbuoym.topLeft, QPointF(8900, 2500));

    // Half up: 0.25 m shows 0.3 m; 10.06 m is 32.9968 ft, shown as 33.
    w.buoySurveyX[UpperLeft] = 10.06;
    w.buoySurveyX[UpperRight] = 0.25;
    w.buoySurveyY[UpperRight] = 0;
    const DistanceLabels halves = distanceLabels(w);
    EXPECT_EQ(halves.maxbuoy.text, "33 feet");
    EXPECT_EQ(halves.maxbuoym.text, "10.1 meters");
    EXPECT_EQ(halves.minbuoym.text, "0.3 meters");
    EXPECT_EQ(halves.minbuoy.text, "1 feet");
}
