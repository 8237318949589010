// Recording with the seconds kept before Start and with the motion trigger, on the real engine
// and the "Simulated Jump Site" device, checked against the site's own pictures.
#include "CoreTestApp.h"
#include "capture/DeviceRegistry.h"
#include "capture/FfmpegCaptureControl.h"
#include "review/FrameReader.h"
#include "sim/SimulatedSite.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace zelvan::capture;

namespace
{

constexpr double kFps = 30;
const QSize kSize(320, 240);

int indexOf(int count, const std::function<QString(int)>& name, const QString& wanted)
{
    for (int i = 0; i < count; ++i)
        if (name(i) == wanted)
            return i;
    return -1;
}

// The engine on the simulated site at 320x240 and 30 frames a second, best MJPEG quality.
struct SiteRig {
    SiteRig()
    {
        control.devices().setPollInterval(0);
        device = indexOf(
            control.videoDeviceCount(), [&](int i) { return control.videoDeviceName(i); },
            kSimulatedSite);
        control.setVideoDeviceIndex(device);
        control.setResolutionIndex(indexOf(
            control.resolutionCount(), [&](int i) { return control.resolutionName(i); },
            "320x240"));
        control.setFrameRate(kFps);
        control.setCompressionQuality(2);
        control.setCaptureFileName(dir.filePath("pass.avi"));
    }
    void connect()
    {
        control.connectDevice(device);
        opened.start();
    }
    void waitUntil(double seconds)
    {
        while (opened.elapsed() < qint64(seconds * 1000))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QTemporaryDir dir;
    FfmpegCaptureControl control{false};
    int device = -1;
    QElapsedTimer opened;
};

QImage rgb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB888);
}

// Mean difference per colour value inside `area` (the whole picture when empty).
double meanDifference(const QImage& a, const QImage& b, QRect area = {})
{
    const QImage x = rgb(a), y = rgb(b);
    if (area.isEmpty())
        area = x.rect();
    area &= x.rect();
    double sum = 0;
    qint64 n = 0;
    for (int row = area.top(); row <= area.bottom(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = area.left() * 3; i < (area.right() + 1) * 3; ++i, ++n)
            sum += std::abs(int(p[i]) - int(q[i]));
    }
    return n ? sum / double(n) : 0;
}

// The site's pictures, each rendered once.
struct SitePictures {
    explicit SitePictures(const zelvan::sim::SimulatedSite& site) : site(site) {}
    const QImage& at(qint64 index)
    {
        auto it = cache.find(index);
        if (it == cache.end())
            it = cache.emplace(index, rgb(site.renderFrameAt(index))).first;
        return it->second;
    }
    QRect skier(qint64 index) const
    {
        return site.skierBounds(int(index % site.frameCount())).toAlignedRect();
    }
    const zelvan::sim::SimulatedSite& site;
    std::map<qint64, QImage> cache;
};

// The device picture that frame 0 of the file is: the one, near `guess`, whose following
// pictures match the file's best where the skier moves.
qint64 firstDevicePicture(zelvan::review::FrameReader& reader, SitePictures& site, qint64 guess)
{
    qint64 best = -1;
    double bestDiff = 1e9;
    const qint64 frames = reader.frameCount();
    for (qint64 o = std::max<qint64>(0, guess - 12); o <= guess + 12; ++o) {
        double diff = 0;
        for (qint64 k = 0; k < frames; k += 10) {
            const QImage file = *reader.frame(k);
            diff += meanDifference(file, site.at(o + k), site.skier(o + k).adjusted(-4, -4, 4, 4));
        }
        if (diff < bestDiff) {
            bestDiff = diff;
            best = o;
        }
    }
    return best;
}

} // namespace

TEST(PreTriggerRecording, TheKeptFramesAreTheDevicesOwnAndNumberedFromTheFilesFirst)
{
    SiteRig rig;
    rig.control.setPreTriggerSeconds(2);
    rig.control.setTimeLimit(1);
    QSignalSpy finished(&rig.control, &CaptureControl::captureFinished);
    rig.connect();
    const double startAfter = 3;
    rig.waitUntil(startAfter);
    rig.control.startCapture();
    ASSERT_TRUE(finished.wait(15000));

    // The file holds the two seconds before Start and the second after it.
    EXPECT_EQ(rig.control.preTriggerFrames(), 60);
    EXPECT_EQ(rig.control.startFrame(), 60);
    EXPECT_EQ(rig.control.framesCaptured() + rig.control.framesDropped(), 90);
    EXPECT_NEAR(double(rig.control.captureTimeMs()), 3000, 40);
    const QString path = rig.dir.filePath("pass.avi");
    EXPECT_EQ(QDir(rig.dir.path()).entryList(QDir::Files), QStringList{"pass.avi"})
        << "no .part left beside it";
    zelvan::review::FrameReader reader;
    ASSERT_TRUE(reader.open(path));
    ASSERT_EQ(reader.frameCount(), 90);

    // Frame k is the site's picture (S - 2) x rate + k, give or take the moment Start came.
    zelvan::sim::SiteOptions options;
    options.pictureSize = kSize;
    options.frameRate = kFps;
    const zelvan::sim::SimulatedSite site(options);
    SitePictures pictures(site);
    const qint64 guess = qint64((startAfter - 2) * kFps);
    const qint64 first = firstDevicePicture(reader, pictures, guess);
    EXPECT_LE(std::abs(first - guess), 6) << "Start came " << first - guess << " frames late";
    int told = 0;
    for (qint64 k = 0; k < 90; ++k) {
        const QImage file = *reader.frame(k);
        const QImage& own = pictures.at(first + k);
        EXPECT_LT(meanDifference(file, own), 3.0) << "frame " << k;
        const QRect moving = pictures.skier(first + k).united(pictures.skier(first + k + 1));
        if (moving.width() < 4)
            continue;
        const double near = meanDifference(file, own, moving);
        const double next = meanDifference(file, pictures.at(first + k + 1), moving);
        if (std::abs(next - near) < 2)
            continue; // the skier hardly moved
        ++told;
        EXPECT_LT(near, next) << "frame " << k << " is closer to the next device picture";
    }
    EXPECT_GT(told, 20) << "too few frames in which the skier moves to tell pictures apart";
}

TEST(PreTriggerRecording, WithoutSecondsBeforeStartNothingIsKept)
{
    SiteRig rig;
    rig.control.setTimeLimit(1);
    QSignalSpy finished(&rig.control, &CaptureControl::captureFinished);
    rig.connect();
    rig.waitUntil(1);
    EXPECT_EQ(rig.control.preTriggerBytes(), 0);
    rig.control.startCapture();
    ASSERT_TRUE(finished.wait(15000));
    EXPECT_EQ(rig.control.preTriggerFrames(), 0);
    EXPECT_EQ(rig.control.startFrame(), 0);
    EXPECT_EQ(rig.control.framesCaptured() + rig.control.framesDropped(), 30);
}

TEST(PreTriggerRecording, BadSecondsAndAnArmingWithoutZoneAreRefused)
{
    SiteRig rig;
    EXPECT_THROW(rig.control.setPreTriggerSeconds(5.5), CaptureError);
    EXPECT_THROW(rig.control.setPreTriggerSeconds(-1), CaptureError);
    EXPECT_THROW(rig.control.armTrigger(), CaptureError) << "not connected";
    rig.connect();
    EXPECT_THROW(rig.control.armTrigger(), CaptureError) << "no zone";
    rig.control.setTrigger(QRect(300, 200, 40, 40), 0.01);
    EXPECT_THROW(rig.control.armTrigger(), CaptureError) << "zone outside the picture";
    EXPECT_THROW(rig.control.setTrigger(QRect(10, 10, 40, 40), 0), CaptureError);
    EXPECT_EQ(rig.control.triggerState(), CaptureControl::TriggerDisarmed);
}

// A triggered pass with `keptSeconds` kept before Start; the capture panel applies its values
// (sound among them) between the firing and Start, as the capture screen does.
static void triggeredPass(int keptSeconds)
{
    SiteRig rig;
    zelvan::sim::SiteOptions options;
    options.pictureSize = kSize;
    options.frameRate = kFps;
    const zelvan::sim::SimulatedSite site(options);
    const QRect zone =
        site.skierBounds(site.landingFrame()).toAlignedRect().adjusted(-6, -6, 6, 6) &
        QRect(QPoint(0, 0), kSize);
    const int entry = site.skierEntryFrame(zone);
    ASSERT_GE(entry, 0);

    rig.control.setPreTriggerSeconds(keptSeconds);
    rig.control.setTimeLimit(1);
    QSignalSpy finished(&rig.control, &CaptureControl::captureFinished);
    QSignalSpy states(&rig.control, &CaptureControl::triggerStateChanged);
    QObject::connect(&rig.control, &CaptureControl::triggerFired, &rig.control, [&rig] {
        rig.control.setSampleRate(22050);
        rig.control.startCapture();
    });
    rig.connect();
    rig.control.setTrigger(zone, kDefaultTriggerThreshold);
    rig.control.armTrigger();
    EXPECT_EQ(rig.control.triggerState(), CaptureControl::TriggerArmed);
    ASSERT_TRUE(finished.wait(15000)) << "the trigger never fired";
    EXPECT_EQ(rig.control.triggerState(), CaptureControl::TriggerTriggered);
    ASSERT_GE(states.count(), 2);
    EXPECT_EQ(states.at(0).at(0).toInt(), CaptureControl::TriggerArmed);
    EXPECT_EQ(states.at(1).at(0).toInt(), CaptureControl::TriggerTriggered);

    // Start was the firing picture: the kept seconds before it, a second after it.
    const int start = rig.control.startFrame();
    EXPECT_EQ(start, keptSeconds * int(kFps));
    EXPECT_GE(rig.control.preTriggerFrames(), start);
    zelvan::review::FrameReader reader;
    ASSERT_TRUE(reader.open(rig.dir.filePath("pass.avi")));
    ASSERT_EQ(reader.frameCount(), start + int(kFps));
    SitePictures pictures(site);
    // Which device picture fired: the file's first one is found near the entry of some pass.
    qint64 best = -1;
    double bestDiff = 1e9;
    for (qint64 pass = 0; pass < 4; ++pass) {
        const qint64 guess = pass * site.frameCount() + entry - start;
        if (guess < 0)
            continue;
        const qint64 first = firstDevicePicture(reader, pictures, guess);
        const double diff = meanDifference(*reader.frame(start), pictures.at(first + start));
        if (diff < bestDiff) {
            bestDiff = diff;
            best = first;
        }
    }
    const qint64 fired = (best + start) % site.frameCount();
    EXPECT_GE(fired, entry);
    EXPECT_LE(fired, entry + 3) << "more than 0.1 s after the skier entered the zone";
}

TEST(PreTriggerRecording, TheTriggerStartsThePassAtThePictureWhereTheSkierEntersTheZone)
{
    triggeredPass(1);
}

// Nothing kept before Start: the file still begins at the picture that fired, even when the
// panel changes a setting between the firing and Start.
TEST(PreTriggerRecording, WithNothingKeptTheFileBeginsAtThePictureThatFired)
{
    triggeredPass(0);
}

TEST(PreTriggerRecording, TheTriggerStaysQuietOnTheSiteWithoutSkierAndDisarms)
{
    qputenv("ZELVAN_SIMULATED_SITE", "no-skier");
    SiteRig rig;
    QSignalSpy fired(&rig.control, &CaptureControl::triggerFired);
    rig.connect();
    rig.control.setTrigger(QRect(100, 100, 80, 60), kDefaultTriggerThreshold);
    rig.control.armTrigger();
    EXPECT_GT(rig.control.preTriggerBytes() + 1, 0);
    rig.waitUntil(8);
    qunsetenv("ZELVAN_SIMULATED_SITE");
    EXPECT_EQ(fired.count(), 0);
    EXPECT_EQ(rig.control.triggerState(), CaptureControl::TriggerArmed);
    EXPECT_GT(rig.control.preTriggerBytes(), 0) << "armed keeps the pictures that may fire";
    rig.control.disarmTrigger();
    EXPECT_EQ(rig.control.triggerState(), CaptureControl::TriggerDisarmed);
    EXPECT_EQ(rig.control.preTriggerBytes(), 0) << "disarmed with no seconds asked keeps none";
}

TEST(PreTriggerRecording, StartByHandWhileArmedRecordsTheKeptSecondsAndEndsAtTheLimit)
{
    SiteRig rig;
    zelvan::sim::SiteOptions options;
    options.pictureSize = kSize;
    options.frameRate = kFps;
    const zelvan::sim::SimulatedSite site(options);
    // The sky above the far shore: the skier never comes there, the trigger stays armed.
    const QRect zone(8, 8, 60, 30);
    ASSERT_EQ(site.skierEntryFrame(zone), -1);

    rig.control.setPreTriggerSeconds(1);
    rig.control.setTimeLimit(1);
    QSignalSpy finished(&rig.control, &CaptureControl::captureFinished);
    QSignalSpy fired(&rig.control, &CaptureControl::triggerFired);
    rig.connect();
    rig.control.setTrigger(zone, kDefaultTriggerThreshold);
    rig.control.armTrigger();
    rig.waitUntil(2.5);
    ASSERT_EQ(rig.control.triggerState(), CaptureControl::TriggerArmed);
    QElapsedTimer recording;
    recording.start();
    rig.control.startCapture();
    EXPECT_EQ(rig.control.triggerState(), CaptureControl::TriggerDisarmed);

    // The time limit ends it like any pass, with the kept second and the recorded one.
    ASSERT_TRUE(finished.wait(6000)) << "the recording did not end at its time limit";
    EXPECT_LT(recording.elapsed(), 4000);
    EXPECT_FALSE(rig.control.capturing());
    EXPECT_EQ(fired.count(), 0);
    EXPECT_EQ(rig.control.preTriggerFrames(), 30);
    EXPECT_EQ(rig.control.startFrame(), 30);
    EXPECT_EQ(rig.control.framesCaptured() + rig.control.framesDropped(), 60);
    zelvan::review::FrameReader reader;
    ASSERT_TRUE(reader.open(rig.dir.filePath("pass.avi")));
    EXPECT_EQ(reader.frameCount(), 60);

    // Keeping goes on after it, for the next pass.
    rig.waitUntil(4.5);
    EXPECT_GT(rig.control.preTriggerBytes(), 0);
}

// Start hands the kept pictures to the recording while the device goes on delivering: the
// picture that arrives meanwhile is the file's next one, not a gap filled with a repeat.
TEST(PreTriggerRecording, NoPictureIsLostWhileStartHandsTheKeptSecondsOver)
{
    QTemporaryDir dir;
    FfmpegCaptureControl control(false);
    control.devices().setPollInterval(0);
    const int device = indexOf(
        control.videoDeviceCount(), [&](int i) { return control.videoDeviceName(i); },
        kTestPattern);
    control.setVideoDeviceIndex(device);
    control.setResolutionIndex(indexOf(
        control.resolutionCount(), [&](int i) { return control.resolutionName(i); }, "1280x720"));
    control.setFrameRate(60);
    control.setPreTriggerSeconds(2);
    control.setTimeLimit(0.5);
    control.connectDevice(device);
    QElapsedTimer opened;
    opened.start();
    for (int pass = 0; pass < 4; ++pass) {
        // Two seconds kept, then Start at some moment between two pictures.
        while (opened.elapsed() < 2300 + pass * 2900 + pass * 7)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        const QString path = dir.filePath(QStringLiteral("pass%1.avi").arg(pass));
        control.setCaptureFileName(path);
        QSignalSpy finished(&control, &CaptureControl::captureFinished);
        control.startCapture();
        ASSERT_TRUE(finished.wait(8000)) << "pass " << pass;
        const int start = control.startFrame();
        ASSERT_EQ(start, 120) << "pass " << pass;
        zelvan::review::FrameReader reader;
        ASSERT_TRUE(reader.open(path)) << "pass " << pass;
        ASSERT_EQ(reader.frameCount(), 150) << "pass " << pass;
        // Every picture of the test card differs from the one before (its counter runs).
        for (int k = start - 2; k <= start + 2; ++k)
            EXPECT_NE(*reader.frame(k - 1), *reader.frame(k))
                << "pass " << pass << ": file frame " << k << " repeats the one before";
    }
    control.disconnectDevice();
}
