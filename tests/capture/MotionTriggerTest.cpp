// The motion trigger on the simulated site, fed picture by picture as the capture thread would:
// it starts on the skier entering the zone, never on water, waves and changing light alone,
// fires once per arming, and stays quiet while disarmed.
#include "capture/MotionTrigger.h"
#include "sim/SimulatedSite.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace zelvan::capture;
using zelvan::sim::SimulatedSite;
using zelvan::sim::SiteOptions;

namespace
{

// 640 x 480 keeps 20 passes and a minute of water within seconds; the skier is then about
// 20 pixels tall, smaller in the zone than at any larger size.
constexpr double kRate = 30;

SiteOptions passOptions(quint32 seed)
{
    SiteOptions o;
    o.seed = seed;
    o.frameRate = kRate;
    o.movingWater = true;
    return o;
}

// The zone an operator would draw where the skier comes into the picture: 96 x 72 pixels
// around where the skier is 0.4 s before landing (the ramp itself is left of the picture).
QRect zoneFor(const SimulatedSite& site)
{
    const QPointF centre = site.skierBounds(site.landingFrame() - int(0.4 * kRate)).center();
    const QRect zone(int(centre.x()) - 48, int(centre.y()) - 36, 96, 72);
    EXPECT_TRUE(QRect(QPoint(0, 0), site.frameSize()).contains(zone));
    return zone;
}

} // namespace

TEST(MotionTrigger, StartsWithinATenthOfASecondOfTheSkierEnteringTheZone)
{
    int passes = 0;
    for (quint32 seed = 1; seed <= 20; ++seed) {
        const SimulatedSite site(passOptions(seed));
        const QRect zone = zoneFor(site);
        const int entry = site.skierEntryFrame(zone);
        ASSERT_GT(entry, 10) << "seed " << seed;
        // Only the zone is rendered and fed: the trigger reads nothing else.
        MotionTrigger trigger(QRect(QPoint(0, 0), zone.size()));
        trigger.arm();
        int fired = -1;
        double quiet = 0;
        for (int n = 0; n < site.frameCount() && fired < 0; ++n) {
            if (trigger.feed(site.renderRegionAt(n, zone)))
                fired = n;
            else if (n < entry)
                quiet = std::max(quiet, trigger.change());
        }
        std::printf("seed %2u entry %3d fired %3d quiet %.3f\n", seed, entry, fired, quiet);
        EXPECT_GE(fired, entry) << "seed " << seed;
        EXPECT_LE(fired - entry, int(0.1 * kRate)) << "seed " << seed;
        EXPECT_EQ(trigger.state(), MotionTrigger::State::Triggered);
        passes += fired >= entry && fired - entry <= int(0.1 * kRate) ? 1 : 0;
    }
    EXPECT_EQ(passes, 20);
}

TEST(MotionTrigger, NeverStartsOnAMinuteOfWaterWavesAndLight)
{
    for (quint32 seed : {1u, 2u}) {
        const SimulatedSite site(zelvan::sim::skierFreeSite(seed, {640, 480}, kRate));
        const SimulatedSite withSkier(passOptions(seed));
        const QRect zone = zoneFor(withSkier);
        MotionTrigger trigger(QRect(QPoint(0, 0), zone.size()));
        trigger.arm();
        double loudest = 0;
        for (qint64 n = 0; n < qint64(60 * kRate); ++n) {
            EXPECT_FALSE(trigger.feed(site.renderRegionAt(n, zone))) << "seed " << seed << " " << n;
            loudest = std::max(loudest, trigger.change());
        }
        std::printf("seed %u loudest %.3f\n", seed, loudest);
        EXPECT_EQ(trigger.state(), MotionTrigger::State::Armed);
    }
}

namespace
{

// A textured grey picture, `gain` times as bright, with a dark square at `blob` if given.
QImage scene(double gain, QRect blob = {})
{
    QImage img(320, 240, QImage::Format_Grayscale8);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.scanLine(y)[x] = uchar(std::min(255.0, (60 + (x * 7 + y * 13) % 50) * gain));
    for (int y = blob.top(); y <= blob.bottom(); ++y)
        for (int x = blob.left(); x <= blob.right(); ++x)
            img.scanLine(y)[x] = 5;
    return img;
}

void learn(MotionTrigger& trigger, int pictures = 20)
{
    for (int k = 0; k < pictures; ++k)
        ASSERT_FALSE(trigger.feed(scene(1.0)));
}

} // namespace

TEST(MotionTrigger, FiresOncePerArmingAndNeverDisarmed)
{
    MotionTrigger trigger(QRect(100, 80, 96, 72));
    EXPECT_EQ(trigger.state(), MotionTrigger::State::Disarmed);
    learn(trigger);
    // Disarmed: motion is seen but starts nothing.
    EXPECT_FALSE(trigger.feed(scene(1.0, QRect(120, 100, 20, 20))));
    EXPECT_FALSE(trigger.feed(scene(1.0, QRect(120, 100, 20, 20))));
    EXPECT_GT(trigger.change(), 0.01);
    EXPECT_EQ(trigger.state(), MotionTrigger::State::Disarmed);

    trigger.arm();
    learn(trigger);
    EXPECT_FALSE(trigger.feed(scene(1.0, QRect(120, 100, 20, 20)))); // one picture is not enough
    EXPECT_TRUE(trigger.feed(scene(1.0, QRect(122, 100, 20, 20))));
    EXPECT_EQ(trigger.state(), MotionTrigger::State::Triggered);
    for (int k = 0; k < 5; ++k)
        EXPECT_FALSE(trigger.feed(scene(1.0, QRect(124 + k, 100, 20, 20))));

    // Armed again it may fire again; disarmed (ESC) in between it does not.
    trigger.arm();
    learn(trigger);
    EXPECT_FALSE(trigger.feed(scene(1.0, QRect(120, 100, 20, 20))));
    trigger.disarm();
    EXPECT_FALSE(trigger.feed(scene(1.0, QRect(122, 100, 20, 20))));
    EXPECT_EQ(trigger.state(), MotionTrigger::State::Disarmed);
}

TEST(MotionTrigger, OnlyTheZoneCountsAndLightIsNotMotion)
{
    MotionTrigger trigger(QRect(100, 80, 96, 72));
    trigger.arm();
    learn(trigger);
    // Motion outside the zone.
    for (int k = 0; k < 5; ++k)
        EXPECT_FALSE(trigger.feed(scene(1.0, QRect(10 + 5 * k, 10, 40, 40))));
    // The whole picture a fifth brighter at once (the sun out of a cloud), then back.
    for (double gain : {1.2, 1.2, 1.2, 0.85, 0.85, 1.0})
        EXPECT_FALSE(trigger.feed(scene(gain)));
    EXPECT_EQ(trigger.state(), MotionTrigger::State::Armed);
    // A zone partly outside the picture watches the part inside.
    MotionTrigger edge(QRect(280, 200, 100, 100));
    edge.arm();
    learn(edge);
    EXPECT_FALSE(edge.feed(scene(1.0, QRect(300, 210, 15, 15))));
    EXPECT_TRUE(edge.feed(scene(1.0, QRect(301, 210, 15, 15))));
    // A zone wholly outside never fires.
    MotionTrigger outside(QRect(400, 300, 50, 50));
    outside.arm();
    learn(outside);
    EXPECT_FALSE(outside.feed(scene(0.2)));
    EXPECT_FALSE(outside.feed(scene(0.2)));
}

TEST(MotionTrigger, PackedAndPlanarLumaAreRead)
{
    // YUYV: luma every second byte; the chroma bytes between must not count.
    const QImage grey = scene(1.0);
    auto packed = [](const QImage& g, uchar chroma) {
        QByteArray bytes(g.width() * 2 * g.height(), char(chroma));
        for (int y = 0; y < g.height(); ++y)
            for (int x = 0; x < g.width(); ++x)
                bytes[(y * g.width() + x) * 2] = char(g.constScanLine(y)[x]);
        return bytes;
    };
    MotionTrigger trigger(QRect(100, 80, 96, 72));
    trigger.arm();
    for (int k = 0; k < 20; ++k) {
        const QByteArray b = packed(grey, uchar(k * 12)); // chroma changes, luma does not
        const LumaPlane plane{reinterpret_cast<const uchar*>(b.constData()), grey.width() * 2, 2,
                              grey.size()};
        EXPECT_FALSE(trigger.feed(plane));
    }
    bool fired = false;
    for (int k = 0; k < 2; ++k) {
        const QByteArray b = packed(scene(1.0, QRect(120 + k, 100, 20, 20)), 128);
        fired = trigger.feed(LumaPlane{reinterpret_cast<const uchar*>(b.constData()),
                                       grey.width() * 2, 2, grey.size()});
    }
    EXPECT_TRUE(fired);
}
