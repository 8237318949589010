// The site as a device sees it over time: a picture for every index, the same every time, the
// pass repeating, the water moving, the skier-free variant, and where the skier is (the ground
// truth a motion trigger is checked against).
#include "sim/SimulatedSite.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zelvan::sim;

namespace
{

SimulatedSite makeSite(quint32 seed, bool skier, bool movingWater)
{
    SiteOptions o;
    o.seed = seed;
    o.skier = skier;
    o.movingWater = movingWater;
    return SimulatedSite(o);
}

// Pixels where two pictures differ, as a bounding rectangle (empty when none).
QRect differing(const QImage& a, const QImage& b)
{
    QRect r;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                r = r.united(QRect(x, y, 1, 1));
    return r;
}

double meanGreen(const QImage& img)
{
    double sum = 0;
    for (int y = 0; y < img.height(); y += 4)
        for (int x = 0; x < img.width(); x += 4)
            sum += qGreen(img.pixel(x, y));
    return sum / ((img.height() / 4) * (img.width() / 4));
}

} // namespace

TEST(SiteOverTime, TheDevicesPictureAtAnIndexIsTheSameEveryTime)
{
    const SimulatedSite a = makeSite(3, true, true);
    const SimulatedSite b = makeSite(3, true, true);
    for (qint64 index : {0LL, 57LL, 119LL, 1234LL})
        EXPECT_EQ(a.renderFrameAt(index), b.renderFrameAt(index)) << index;

    // Still water: the pass repeats exactly, as the device loops it.
    const SimulatedSite still = makeSite(3, true, false);
    const int n = still.frameCount();
    EXPECT_EQ(still.renderFrameAt(n + 40), still.renderFrame(40));
    EXPECT_EQ(still.renderFrameAt(3 * n + 7), still.renderFrame(7));
    EXPECT_EQ(still.renderFrameAt(40), still.renderFrame(40));

    // Moving water: the skier repeats, the water goes on.
    EXPECT_NE(a.renderFrameAt(n + 40), a.renderFrameAt(40));
    EXPECT_EQ(a.renderFrameAt(40), a.renderFrame(40));
}

TEST(SiteOverTime, WaterMovesAndLightChanges)
{
    const SimulatedSite s = makeSite(5, false, true);
    const QImage first = s.renderFrameAt(0);
    const QImage next = s.renderFrameAt(1);
    const QRect moved = differing(first, next);
    // The swell moves over the water, most of the picture.
    EXPECT_GT(moved.width() * moved.height(), 640 * 300);
    // The light of the whole picture changes by several percent over some seconds.
    double lo = 1e9, hi = 0;
    for (int k = 0; k < 10 * 30; k += 15) {
        const double m = meanGreen(s.renderFrameAt(k));
        lo = std::min(lo, m);
        hi = std::max(hi, m);
    }
    EXPECT_GT(hi / lo, 1.05);
}

TEST(SiteOverTime, SkierFreeVariantIsTheSameSiteWithNobodyOnIt)
{
    const SiteOptions options = skierFreeSite(7);
    EXPECT_FALSE(options.skier);
    EXPECT_TRUE(options.movingWater);
    const SimulatedSite empty(options);
    const SimulatedSite withSkier = makeSite(7, true, true);
    EXPECT_FALSE(empty.siteJson()["skier"].toBool());
    EXPECT_TRUE(withSkier.siteJson()["skier"].toBool());
    EXPECT_EQ(empty.skierEntryFrame(QRectF(0, 0, 640, 480)), -1);
    for (int n = 0; n < empty.frameCount(); n += 3) {
        EXPECT_TRUE(empty.skierBounds(n).isEmpty()) << n;
        // Before the landing the only difference is the skier (after it, the splash).
        if (n >= withSkier.landingFrame())
            continue;
        const QRect changed = differing(empty.renderFrame(n), withSkier.renderFrame(n));
        const QRectF bounds = withSkier.skierBounds(n).adjusted(-1.5, -1.5, 1.5, 1.5);
        if (!changed.isEmpty()) {
            EXPECT_TRUE(bounds.contains(QRectF(changed).adjusted(0.5, 0.5, -0.5, -0.5)))
                << "frame " << n;
        }
    }
}

// The ground truth: every pixel the skier changes lies in skierBounds(), and the bounds are
// tight enough that the skier shows in them.
TEST(SiteOverTime, SkierBoundsHoldEverythingTheSkierChanges)
{
    for (quint32 seed : {1u, 6u}) {
        const SimulatedSite s = makeSite(seed, true, false);
        const QImage setup = s.renderSetup();
        int seen = 0;
        for (int n = 0; n < s.landingFrame(); ++n) {
            const QRect changed = differing(s.renderFrame(n), setup);
            const QRectF bounds = s.skierBounds(n);
            if (changed.isEmpty())
                continue;
            ++seen;
            EXPECT_TRUE(bounds.adjusted(-1.5, -1.5, 1.5, 1.5)
                            .contains(QRectF(changed).adjusted(0.5, 0.5, -0.5, -0.5)))
                << "seed " << seed << " frame " << n;
            // Not much bigger than what is drawn (the skier is some tens of pixels).
            EXPECT_LT(bounds.width() * bounds.height(),
                      6.0 * (changed.width() + 3) * (changed.height() + 3))
                << "seed " << seed << " frame " << n;
        }
        EXPECT_GT(seen, 10);
    }
}

TEST(SiteOverTime, EntryFrameIsTheFirstFrameTheSkierReachesTheZone)
{
    const SimulatedSite s = makeSite(2, true, false);
    const int land = s.landingFrame();
    const QRectF atLanding = s.skierBounds(land);
    ASSERT_FALSE(atLanding.isEmpty());
    const QRectF zone(atLanding.center() - QPointF(10, 10), QSizeF(20, 20));
    const int entry = s.skierEntryFrame(zone);
    ASSERT_GT(entry, 0);
    EXPECT_LE(entry, land);
    EXPECT_TRUE(s.skierBounds(entry).intersects(zone));
    for (int n = 0; n < entry; ++n)
        EXPECT_FALSE(s.skierBounds(n).intersects(zone)) << n;
    // Somewhere nobody goes.
    EXPECT_EQ(s.skierEntryFrame(QRectF(0, 0, 20, 20)), -1);
}

TEST(SiteOverTime, APartOfThePictureIsThatPartOfTheWholePicture)
{
    const SimulatedSite s = makeSite(4, true, true);
    for (qint64 index : {10LL, s.landingFrame() - 6LL, 500LL}) {
        for (const QRect& part : {QRect(0, 0, 96, 72), QRect(200, 180, 150, 90)})
            EXPECT_EQ(s.renderRegionAt(index, part), s.renderFrameAt(index).copy(part)) << index;
    }
    // A part reaching out of the picture is cut to the picture.
    EXPECT_EQ(s.renderRegionAt(3, QRect(600, 450, 100, 100)).size(), QSize(40, 30));
}
