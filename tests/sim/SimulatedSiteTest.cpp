// The simulated site must be a consistent ground truth: its pictures, its camera and its
// site description agree, the station's set-up limits pass, and the landing can be seen.
#include "sim/SimulatedSite.h"
#include "SiteGeometry.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <gtest/gtest.h>

#include <cmath>

using namespace zelvan::sim;
using zelvan::test::pointOf;

namespace
{

const char* const kSurveyed[] = {"upperRight", "lowerRight", "upperLeft", "lowerLeft", "check"};

SimulatedSite makeSite(quint32 seed, QSize size = {640, 480}, double fps = 30)
{
    SiteOptions o;
    o.seed = seed;
    o.pictureSize = size;
    o.frameRate = fps;
    return SimulatedSite(o);
}

// Projection from the camera as site.json describes it, derived with yaw and pitch angles
// rather than the look-at axes the site uses.
QPointF projectFromJson(const QJsonObject& site, QPointF water)
{
    const QJsonObject cam = site["camera"].toObject();
    const QPointF c = pointOf(cam["position"]);
    const double h = cam["height"].toDouble();
    const QPointF t = pointOf(cam["target"]);
    const double f = cam["focalLength"].toDouble();
    const QPointF size = pointOf(cam["pictureSize"]);
    const double yaw = std::atan2(t.y() - c.y(), t.x() - c.x());
    const double pitch = std::atan2(h, std::hypot(t.x() - c.x(), t.y() - c.y()));
    const double vx = water.x() - c.x(), vy = water.y() - c.y(), vz = -h;
    const double ahead = vx * std::cos(yaw) + vy * std::sin(yaw);
    const double leftward = -vx * std::sin(yaw) + vy * std::cos(yaw);
    const double forward = ahead * std::cos(pitch) - vz * std::sin(pitch);
    const double up = ahead * std::sin(pitch) + vz * std::cos(pitch);
    const double u = (size.x() - 1) / 2 + f * -leftward / forward;
    const double v = (size.y() - 1) / 2 - f * up / forward;
    return {u * 15, v * 15};
}

bool whiteish(QRgb p)
{
    return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
}
bool waterish(QRgb p)
{
    return qBlue(p) > qRed(p) + 30 && qGreen(p) > qRed(p);
}

QPoint pixelOfTwips(QPointF twips)
{
    return QPoint(int(std::lround(twips.x() / 15)), int(std::lround(twips.y() / 15)));
}

} // namespace

TEST(SimulatedSite, SameSeedGivesSameSiteAndPictures)
{
    const SimulatedSite a = makeSite(5);
    const SimulatedSite b = makeSite(5);
    EXPECT_EQ(QJsonDocument(a.siteJson()).toJson(), QJsonDocument(b.siteJson()).toJson());
    EXPECT_EQ(a.renderSetup(), b.renderSetup());
    for (int n :
         {0, a.landingFrame() - 6, a.landingFrame(), a.landingFrame() + 7, a.frameCount() - 1})
        EXPECT_EQ(a.renderFrame(n), b.renderFrame(n)) << "frame " << n;

    const SimulatedSite c = makeSite(6);
    EXPECT_NE(pointOf(a.siteJson()["landing"].toObject()["survey"]),
              pointOf(c.siteJson()["landing"].toObject()["survey"]));
    EXPECT_NE(a.renderSetup(), c.renderSetup());
}

TEST(SimulatedSite, SiteJsonHoldsEveryField)
{
    const SimulatedSite s = makeSite(3);
    const QJsonObject j = s.siteJson();
    EXPECT_EQ(j["pictureWidthTwips"].toDouble(), 640 * 15);
    EXPECT_EQ(j["pictureHeightTwips"].toDouble(), 480 * 15);
    EXPECT_EQ(j["seed"].toDouble(), 3);
    EXPECT_EQ(j["grid"].toInt(), 1);
    EXPECT_EQ(j["numGrids"].toInt(), 1);
    EXPECT_EQ(j["description"].toString(), QString("Simulated Jump Site seed 3"));
    EXPECT_EQ(j["frameRate"].toDouble(), 30);
    EXPECT_EQ(j["frameCount"].toInt(), s.frameCount());
    const QJsonObject cam = j["camera"].toObject();
    for (const char* key : {"position", "target", "pictureSize"})
        EXPECT_EQ(cam[key].toArray().size(), 2) << key;
    EXPECT_GT(cam["height"].toDouble(), 0);
    EXPECT_GT(cam["focalLength"].toDouble(), 0);
    for (const char* name : kSurveyed) {
        const QJsonObject p = j[name].toObject();
        EXPECT_EQ(p["survey"].toArray().size(), 2) << name;
        EXPECT_EQ(p["screen"].toArray().size(), 2) << name;
    }
    EXPECT_EQ(j["jump"].toArray().size(), 2);
    const QJsonObject landing = j["landing"].toObject();
    EXPECT_EQ(landing["frame"].toInt(), s.landingFrame());
    const QPointF d = pointOf(landing["survey"]) - pointOf(j["jump"]);
    EXPECT_NEAR(j["trueDistance"].toDouble(), std::hypot(d.x(), d.y()), 1e-9);
}

TEST(SimulatedSite, SurveyedPointsProjectToTheirScreenPositions)
{
    for (quint32 seed : {1u, 2u, 99u}) {
        for (QSize size : {QSize(640, 480), QSize(1280, 720)}) {
            const QJsonObject j = makeSite(seed, size).siteJson();
            const double w = j["pictureWidthTwips"].toDouble();
            const double h = j["pictureHeightTwips"].toDouble();
            std::vector<QJsonObject> points;
            for (const char* name : kSurveyed)
                points.push_back(j[name].toObject());
            points.push_back(j["landing"].toObject());
            for (const QJsonObject& p : points) {
                const QPointF screen = pointOf(p["screen"]);
                const QPointF survey = pointOf(p["survey"]);
                const QPointF expected = projectFromJson(j, survey);
                // The survey's millimetre moves the point by a fiftieth of a pixel at most.
                EXPECT_NEAR(screen.x(), expected.x(), 0.3) << seed;
                EXPECT_NEAR(screen.y(), expected.y(), 0.3) << seed;
                // On a whole pixel, where an operator can pick it exactly: 720, never
                // 719.999999999999.
                EXPECT_EQ(screen.x(), 15 * std::round(screen.x() / 15)) << seed;
                EXPECT_EQ(screen.y(), 15 * std::round(screen.y() / 15)) << seed;
                // Surveyed to the millimetre, as a surveyor's file gives it.
                EXPECT_EQ(survey.x(), std::round(survey.x() * 1000) / 1000) << seed;
                EXPECT_EQ(survey.y(), std::round(survey.y() * 1000) / 1000) << seed;
                // Inside the picture with a margin, so a buoy is never cut by the edge.
                EXPECT_GT(screen.x(), 150);
                EXPECT_LT(screen.x(), w - 150);
                EXPECT_GT(screen.y(), 150);
                EXPECT_LT(screen.y(), h - 150);
            }
        }
    }
}

TEST(SimulatedSite, FourBuoysRecoverTheWaterPlane)
{
    for (quint32 seed : {1u, 7u, 4242u}) {
        const SimulatedSite s = makeSite(seed);
        const QJsonObject j = s.siteJson();
        const auto h = zelvan::test::homographyOfSite(j);
        ASSERT_TRUE(h.has_value());
        for (const char* name : {"check", "landing"}) {
            const QJsonObject p = j[name].toObject();
            const QPointF water = h->toWater(pointOf(p["screen"]));
            const QPointF survey = pointOf(p["survey"]);
            // Every surveyed value carries up to half a millimetre of rounding.
            EXPECT_NEAR(water.x(), survey.x(), 0.005) << name << " seed " << seed;
            EXPECT_NEAR(water.y(), survey.y(), 0.005) << name << " seed " << seed;
        }
        // Any picture point below the horizon: the camera and the four-buoy solution agree.
        for (double x = 0; x < 9600; x += 1200) {
            for (double y = 3000; y < 7200; y += 900) {
                const QPointF seen = s.camera().twipsToWater({x, y});
                const QPointF solved = h->toWater({x, y});
                EXPECT_NEAR(seen.x(), solved.x(), 0.02);
                EXPECT_NEAR(seen.y(), solved.y(), 0.02);
            }
        }
    }
}

TEST(SimulatedSite, PassesTheStationSetupLimits)
{
    for (quint32 seed = 1; seed <= 12; ++seed) {
        for (QSize size : {QSize(640, 480), QSize(1280, 720), QSize(320, 240)}) {
            const QJsonObject j = makeSite(seed, size).siteJson();
            const auto h = zelvan::test::homographyOfSite(j);
            ASSERT_TRUE(h.has_value());
            const zelvan::test::SetupMeasures m = zelvan::test::measure(j, *h);
            EXPECT_LE(m.fieldOfView, 30.0) << "seed " << seed;
            EXPECT_GT(m.fieldOfView, 5.0) << "seed " << seed;
            EXPECT_GE(m.screenWidth, 80.0) << "seed " << seed;
            EXPECT_LE(m.screenWidth, 90.0) << "seed " << seed;
            EXPECT_GE(m.front, 80.0) << "seed " << seed;
            EXPECT_GT(m.back, 50.0) << "seed " << seed;
            EXPECT_LT(m.back, m.front) << "far side must look narrower";
        }
    }
}

TEST(SimulatedSite, LayoutFollowsTheBuoyNumbering)
{
    for (quint32 seed = 1; seed <= 12; ++seed) {
        const QJsonObject j = makeSite(seed).siteJson();
        auto screen = [&](const char* n) { return pointOf(j[n].toObject()["screen"]); };
        auto survey = [&](const char* n) { return pointOf(j[n].toObject()["survey"]); };
        SCOPED_TRACE(seed);
        // Upper is the far side, higher on the picture; right is further along the flight.
        EXPECT_LT(screen("upperLeft").y(), screen("lowerLeft").y());
        EXPECT_LT(screen("upperRight").y(), screen("lowerRight").y());
        EXPECT_LT(screen("upperLeft").x(), screen("upperRight").x());
        EXPECT_LT(screen("lowerLeft").x(), screen("lowerRight").x());
        EXPECT_GT(survey("upperRight").x(), survey("upperLeft").x());
        // The landing and the check buoy lie inside the buoys, apart from each other.
        for (const char* inside : {"landing", "check"}) {
            const QPointF p = survey(inside);
            EXPECT_GT(p.x(), std::max(survey("lowerLeft").x(), survey("upperLeft").x()));
            EXPECT_LT(p.x(), std::min(survey("lowerRight").x(), survey("upperRight").x()));
            EXPECT_GT(p.y(), std::max(survey("lowerLeft").y(), survey("lowerRight").y()));
            EXPECT_LT(p.y(), std::min(survey("upperLeft").y(), survey("upperRight").y()));
        }
        const QPointF apart = survey("landing") - survey("check");
        EXPECT_GT(std::hypot(apart.x(), apart.y()), 3);
        EXPECT_GT(j["trueDistance"].toDouble(), 30);
    }
}

TEST(SimulatedSite, SkierTouchesDownAtTheLandingPointInTheLandingFrame)
{
    for (quint32 seed : {1u, 8u, 31u}) {
        const SimulatedSite s = makeSite(seed);
        const QJsonObject landing = s.siteJson()["landing"].toObject();
        const int n = s.landingFrame();
        ASSERT_GT(n, 0);
        ASSERT_LT(n + 15, s.frameCount()) << "the splash needs frames after the landing";

        const SkierState at = s.skierAt(n);
        EXPECT_FALSE(at.airborne);
        EXPECT_EQ(at.feet.z, 0.0);
        QPointF px;
        ASSERT_TRUE(s.camera().project(at.feet, &px));
        const QPointF screen = pointOf(landing["screen"]);
        EXPECT_NEAR(px.x() * 15, screen.x(), 15);
        EXPECT_NEAR(px.y() * 15, screen.y(), 15);

        // In the air just before, on the water after, and moving smoothly throughout.
        EXPECT_TRUE(s.skierAt(n - 1).airborne);
        EXPECT_GT(s.skierAt(n - 1).feet.z, 0);
        EXPECT_GT(s.skierAt(n - 10).feet.z, s.skierAt(n - 1).feet.z);
        EXPECT_FALSE(s.skierAt(n + 1).airborne);
        EXPECT_EQ(s.skierAt(n + 1).feet.z, 0.0);
        for (int k = 1; k < s.frameCount(); ++k) {
            const Vec3 a = s.skierAt(k - 1).feet, b = s.skierAt(k).feet;
            const double step = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                                          (a.z - b.z) * (a.z - b.z));
            EXPECT_LT(step, 1.5) << "frame " << k;
            EXPECT_GT(b.x, a.x) << "frame " << k;
        }
    }
}

TEST(SimulatedSite, LandingIsVisibleAsASplash)
{
    for (quint32 seed : {2u, 5u}) {
        const SimulatedSite s = makeSite(seed);
        const QPoint at = pixelOfTwips(s.screenTwips(SitePoint::Landing));
        const QImage setup = s.renderSetup();
        const QImage before = s.renderFrame(0);
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                const QPoint p = at + QPoint(dx, dy);
                EXPECT_TRUE(waterish(before.pixel(p))) << "seed " << seed;
                EXPECT_EQ(before.pixel(p), setup.pixel(p));
            }
        }
        // The skier is drawn on the landing point in the landing frame.
        EXPECT_NE(s.renderFrame(s.landingFrame()).pixel(at), setup.pixel(at));
        // No spray until the skis have touched: the splash marks the frame after contact.
        EXPECT_FALSE(whiteish(s.renderFrame(s.landingFrame() - 1).pixel(at)));
        EXPECT_FALSE(whiteish(s.renderFrame(s.landingFrame()).pixel(at)));
        EXPECT_TRUE(whiteish(s.renderFrame(s.landingFrame() + 1).pixel(at)));
        for (int k = 2; k <= 15; ++k) {
            const QImage img = s.renderFrame(s.landingFrame() + k);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -2; dx <= 2; ++dx)
                    EXPECT_TRUE(whiteish(img.pixel(at + QPoint(dx, dy))))
                        << "seed " << seed << " frame +" << k;
        }
    }
}

TEST(SimulatedSite, SkierIsDrawnWhereItFlies)
{
    const SimulatedSite s = makeSite(4);
    const QImage setup = s.renderSetup();
    int drawnFrames = 0;
    for (int n = s.landingFrame() - 12; n < s.landingFrame(); ++n) {
        QPointF px;
        ASSERT_TRUE(s.camera().project(s.skierAt(n).feet, &px));
        if (px.x() < 5 || px.x() > 635)
            continue;
        const QImage img = s.renderFrame(n);
        // Something of the skis or body covers the feet or the pixels just above them.
        bool changed = false;
        for (int dy = -4; dy <= 1 && !changed; ++dy)
            for (int dx = -2; dx <= 2 && !changed; ++dx) {
                const QPoint p =
                    QPoint(int(std::lround(px.x())) + dx, int(std::lround(px.y())) + dy);
                changed = img.pixel(p) != setup.pixel(p);
            }
        EXPECT_TRUE(changed) << "frame " << n;
        ++drawnFrames;
    }
    EXPECT_GT(drawnFrames, 5);
}

TEST(SimulatedSite, PictureSizeScalesTheIntrinsics)
{
    const SimulatedSite small = makeSite(9, {640, 480});
    const SimulatedSite large = makeSite(9, {1280, 720});
    EXPECT_EQ(large.renderFrame(large.landingFrame()).size(), QSize(1280, 720));
    EXPECT_EQ(large.renderSetup().size(), QSize(1280, 720));
    EXPECT_EQ(small.frameSize(), QSize(640, 480));
    EXPECT_DOUBLE_EQ(large.camera().focalLength(), 2 * small.camera().focalLength());
    // Same camera: any water point is seen in the same direction from the picture centre.
    for (QPointF water : {QPointF(30, -5), QPointF(50, 0), QPointF(65, 9)}) {
        const QPointF a = small.camera().waterToTwips(water) / 15 - small.camera().principalPoint();
        const QPointF b = large.camera().waterToTwips(water) / 15 - large.camera().principalPoint();
        EXPECT_NEAR(a.x() / small.camera().focalLength(), b.x() / large.camera().focalLength(),
                    1e-9);
        EXPECT_NEAR(a.y() / small.camera().focalLength(), b.y() / large.camera().focalLength(),
                    1e-9);
    }
    // Surveyed points only move onto whole pixels of each size.
    for (SitePoint p : {SitePoint::UpperLeft, SitePoint::LowerRight, SitePoint::Landing}) {
        const QPointF d = small.survey(p) - large.survey(p);
        EXPECT_LT(std::hypot(d.x(), d.y()), 0.3);
    }
}

TEST(SimulatedSite, FrameRateSetsTheTimeline)
{
    const SimulatedSite s30 = makeSite(12, {640, 480}, 30);
    const SimulatedSite s60 = makeSite(12, {640, 480}, 60);
    EXPECT_EQ(s60.frameCount(), 2 * s30.frameCount());
    EXPECT_NEAR(s60.landingFrame() / 60.0, s30.landingFrame() / 30.0, 1.0 / 30);
    EXPECT_EQ(s60.siteJson()["landing"].toObject()["survey"],
              s30.siteJson()["landing"].toObject()["survey"]);
}

TEST(SimulatedSite, UnusableOptionsFallBackToAWorkingSite)
{
    for (QSize size : {QSize(0, 0), QSize(-5, 480), QSize(640, 9000)}) {
        SiteOptions o;
        o.pictureSize = size;
        o.frameRate = std::nan("");
        const SimulatedSite odd(o);
        EXPECT_EQ(odd.frameSize(), QSize(640, 480));
        EXPECT_EQ(odd.frameRate(), 30);
    }
    SiteOptions o;
    o.pictureSize = QSize(0, 0);
    o.frameRate = 0;
    const SimulatedSite s(o);
    EXPECT_EQ(s.frameSize(), QSize(640, 480));
    EXPECT_EQ(s.frameRate(), 30);
    EXPECT_EQ(s.renderFrame(s.landingFrame()).size(), QSize(640, 480));
    // Frames outside the pass show the empty site instead of failing.
    EXPECT_EQ(s.renderFrame(-1), s.renderSetup());
    EXPECT_EQ(s.renderFrame(s.frameCount()), s.renderSetup());
}

TEST(SimulatedSite, FramesAreCheapEnoughForLivePreview)
{
    const SimulatedSite s = makeSite(1);
    QElapsedTimer timer;
    timer.start();
    for (int n = 0; n < s.frameCount(); ++n)
        ASSERT_FALSE(s.renderFrame(n).isNull());
    const double perFrameMs = double(timer.elapsed()) / s.frameCount();
    EXPECT_LT(perFrameMs, 10.0);
}
