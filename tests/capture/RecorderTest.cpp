// The recorder's queue and counters, fed directly with test-card pictures and chosen time
// stamps: nothing here depends on the speed of the machine except where said.
#include "capture/Recorder.h"
#include "AviProbe.h"
#include "capture/PacedVideoSource.h"
#include "capture/TestPatternGenerator.h"

#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

using namespace zelvan::capture;
using zelvan::Status;
using zelvan::test::probeAvi;

namespace
{

RecorderSettings settingsFor(const QString& path, QSize size, double fps)
{
    RecorderSettings s;
    s.path = path;
    s.size = size;
    s.fps = fps;
    s.codec = "MJPEG";
    return s;
}

// A built-in device whose picture takes far too long once, like a site renderer sharing its core
// with a busy process: the pacing starts again after the stall and skips the frames it missed.
class StallingSource : public PacedVideoSource
{
public:
    StallingSource(VideoSettings settings, qint64 stallAt, int stallMs)
        : PacedVideoSource(QStringLiteral("Stalling"), std::move(settings), nullptr),
          card(this->settings.size, 0), stallAt(stallAt), stallMs(stallMs)
    {
    }
    ~StallingSource() override { stop(); }

protected:
    zelvan::Status open() override { return {}; }
    FramePtr renderFrame(qint64 n) override
    {
        if (n == stallAt)
            QThread::msleep(stallMs);
        return card.render(int(n));
    }

private:
    TestPatternGenerator card;
    qint64 stallAt;
    int stallMs;
};

} // namespace

TEST(Recorder, FramesMissedByAStalledSourceAreCountedAndTheFileKeepsItsLength)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("stall.avi");
    RecorderSettings s = settingsFor(path, QSize(160, 120), 30);
    s.timeLimit = 2;
    s.queueFrames = 200;
    Recorder rec;
    ASSERT_TRUE(rec.start(s));
    VideoSettings video;
    video.size = s.size;
    video.fps = s.fps;
    StallingSource source(video, 10, 900);
    std::atomic<bool> done{false};
    rec.setLimitHandler([&] { done = true; });
    source.setFrameHandler([&](FramePtr frame, qint64 t) { rec.pushVideo(std::move(frame), t); });
    ASSERT_TRUE(source.start());
    for (int waited = 0; !done && waited < 10000; waited += 10)
        QThread::msleep(10);
    source.stop();
    ASSERT_TRUE(done.load());
    ASSERT_TRUE(rec.finish());
    // The 900 ms stall loses about 27 frames; they are dropped, not unseen.
    EXPECT_GE(rec.framesDropped(), 20);
    EXPECT_NEAR(rec.framesCaptured() + rec.framesDropped(), 60, 1);
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok) << probe.error.toStdString();
    EXPECT_NEAR(probe.decodedFrames, 60, 1) << "the file lasts as long as the recording";
}

TEST(Recorder, TimeLimitKeepsRateTimesSecondsFramesAndFiresOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("limit.avi");
    RecorderSettings s = settingsFor(path, QSize(160, 120), 30);
    s.timeLimit = 2;
    s.queueFrames = 200; // no drops: this test is about the limit
    Recorder rec;
    std::atomic<int> fired{0};
    rec.setLimitHandler([&] { ++fired; });
    const Status started = rec.start(s);
    ASSERT_TRUE(started) << started.error().toStdString();
    TestPatternGenerator card(s.size, 0);
    const qint64 t0 = 5'000'000;
    for (int n = 0; n < 90; ++n) // three seconds of pictures
        rec.pushVideo(card.render(n), t0 + qint64(n) * 1'000'000 / 30);
    EXPECT_TRUE(rec.limitReached());
    EXPECT_EQ(fired.load(), 1);
    EXPECT_EQ(rec.framesCaptured(), 60);
    EXPECT_EQ(rec.framesDropped(), 0);
    EXPECT_EQ(rec.captureTimeMs(), 2000);
    const Status finished = rec.finish();
    ASSERT_TRUE(finished) << finished.error().toStdString();
    const auto probe = probeAvi(path);
    EXPECT_EQ(probe.decodedFrames, 60);
    EXPECT_EQ(TestPatternGenerator::decodeFrameNumber(probe.firstFrame), 0);
    EXPECT_EQ(TestPatternGenerator::decodeFrameNumber(probe.lastFrame), 59);
}

TEST(Recorder, FinishWritesEveryQueuedFrame)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("drain.avi");
    RecorderSettings s = settingsFor(path, QSize(640, 480), 30);
    s.queueFrames = 100;
    Recorder rec;
    ASSERT_TRUE(rec.start(s));
    TestPatternGenerator card(s.size, 1);
    // Queued far faster than they can be compressed; finish() must wait for all of them.
    for (int n = 0; n < 80; ++n)
        rec.pushVideo(card.render(n), n * 33'333);
    const Status finished = rec.finish();
    ASSERT_TRUE(finished) << finished.error().toStdString();
    EXPECT_EQ(rec.framesCaptured(), 80);
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.decodedFrames, 80);
    EXPECT_EQ(TestPatternGenerator::decodeFrameNumber(probe.lastFrame), 79);
    // Pictures after the end are ignored, not counted.
    rec.pushVideo(card.render(80), 80 * 33'333);
    EXPECT_EQ(rec.framesCaptured(), 80);
}

TEST(Recorder, FullQueueDropsAndCountsInsteadOfWaiting)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("drops.avi");
    RecorderSettings s = settingsFor(path, QSize(1920, 1080), 60);
    s.queueFrames = 3;
    Recorder rec;
    ASSERT_TRUE(rec.start(s));
    TestPatternGenerator card(s.size, 0);
    auto frame = card.render(0);
    // A burst no encoder can follow: the queue holds three, the rest are dropped at once.
    for (int n = 0; n < 60; ++n)
        rec.pushVideo(cloneFrame(frame.get()), n * 16'667);
    const int captured = rec.framesCaptured();
    const int dropped = rec.framesDropped();
    EXPECT_GT(dropped, 0);
    EXPECT_EQ(captured + dropped, 60);
    ASSERT_TRUE(rec.finish());
    // Every dropped slot repeats the previous picture: the file keeps the recording's length.
    EXPECT_EQ(probeAvi(path).decodedFrames, captured + dropped);
}

TEST(Recorder, TimeStampGapsAreCountedAsDroppedAndKeepTheTiming)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("gaps.avi");
    RecorderSettings s = settingsFor(path, QSize(160, 120), 30);
    s.timeLimit = 2;
    s.queueFrames = 200;
    Recorder rec;
    ASSERT_TRUE(rec.start(s));
    TestPatternGenerator card(s.size, 0);
    const qint64 t0 = 1'000'000;
    // The source stalls twice: slots 10..19 and 40..44 never come, and it stops at slot 55
    // although the recording lasts 60 slots.
    for (int n = 0; n < 56; ++n) {
        if ((n >= 10 && n < 20) || (n >= 40 && n < 45))
            continue;
        rec.pushVideo(card.render(n), t0 + qint64(n) * 1'000'000 / 30);
    }
    rec.pushVideo(card.render(60), t0 + 2'000'000); // reaches the limit
    ASSERT_TRUE(rec.limitReached());
    const Status finished = rec.finish();
    ASSERT_TRUE(finished) << finished.error().toStdString();
    EXPECT_EQ(rec.framesCaptured(), 41);
    EXPECT_EQ(rec.framesDropped(), 19);
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok) << probe.error.toStdString();
    EXPECT_EQ(probe.decodedFrames, 60) << "picture n of the file stays at n / rate";
    EXPECT_EQ(probe.headerFrames, 60);
    EXPECT_EQ(TestPatternGenerator::decodeFrameNumber(probe.firstFrame), 0);
    EXPECT_EQ(TestPatternGenerator::decodeFrameNumber(probe.lastFrame), 55)
        << "the slots after the last picture repeat it";
}

TEST(Recorder, ARecordingWithoutAPictureIsAnError)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.avi");
    Recorder rec;
    ASSERT_TRUE(rec.start(settingsFor(path, QSize(160, 120), 30)));
    const Status finished = rec.finish();
    EXPECT_FALSE(finished);
    EXPECT_EQ(
        finished.error(),
        QStringLiteral("Nothing was recorded: no picture arrived before the recording ended"));
    EXPECT_EQ(rec.framesCaptured(), 0);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(Recorder, OpenErrorsAreReportedBeforeAnyPicture)
{
    QTemporaryDir dir;
    Recorder rec;
    const Status started = rec.start(settingsFor(dir.filePath("none/x.avi"), QSize(160, 120), 30));
    EXPECT_FALSE(started);
    EXPECT_FALSE(started.error().isEmpty());
    EXPECT_FALSE(rec.active());
    RecorderSettings bad = settingsFor(dir.filePath("x.avi"), QSize(160, 120), 30);
    bad.codec = "not-a-codec";
    EXPECT_FALSE(rec.start(bad));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(rec.finish()); // nothing to finish
}

TEST(TestPattern, NumbersItsFramesAndMovesTheBarAtAnySize)
{
    for (const QSize size : {QSize(16, 16), QSize(64, 48), QSize(160, 120), QSize(1920, 1080)}) {
        SCOPED_TRACE(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
        TestPatternGenerator card(size, 0);
        const FramePtr a = card.render(41);
        const FramePtr b = card.render(42);
        ASSERT_TRUE(a && b);
        const QImage ia = imageFromFrame(a.get());
        const QImage ib = imageFromFrame(b.get());
        ASSERT_EQ(ia.size(), size);
        EXPECT_NE(ia, ib); // the bar moved
        if (size.width() >= 160) {
            EXPECT_EQ(TestPatternGenerator::decodeFrameNumber(ia), 41);
            EXPECT_EQ(TestPatternGenerator::decodeFrameNumber(ib), 42);
            EXPECT_EQ(
                TestPatternGenerator::decodeFrameNumber(imageFromFrame(card.render(65535).get())),
                65535);
        } else {
            EXPECT_EQ(TestPatternGenerator::decodeFrameNumber(ia), -1);
        }
    }
}
