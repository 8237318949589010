// The capture control with its real built-in devices: recording, counters, time limit, stop,
// unplugging, stills, effects, sound, preview and the event order the screens rely on.
#include "AviProbe.h"
#include "CoreTestApp.h"
#include "capture/FfmpegCaptureControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace zelvan::capture;
using zelvan::test::probeAvi;

namespace
{

int indexOfName(const CaptureControl& c, int count, QString (CaptureControl::*name)(int) const,
                const QString& wanted)
{
    for (int i = 0; i < count; ++i)
        if ((c.*name)(i) == wanted)
            return i;
    return -1;
}

// A control on the built-in devices, connected to `device` at 320x240.
struct Rig {
    explicit Rig(const QString& device = kTestPattern, double fps = 30)
    {
        control.devices().setPollInterval(0);
        const int i = indexOfName(control, control.videoDeviceCount(),
                                  &CaptureControl::videoDeviceName, device);
        EXPECT_GE(i, 0);
        control.setVideoDeviceIndex(i);
        control.setResolutionIndex(indexOfName(control, control.resolutionCount(),
                                               &CaptureControl::resolutionName, "320x240"));
        control.setFrameRate(fps);
        control.connectDevice(i);
    }
    // Waits (running the event loop) until the recording has finished.
    bool waitFinished(QSignalSpy& finished, int ms)
    {
        return finished.count() > 0 || finished.wait(ms);
    }
    QTemporaryDir dir;
    FfmpegCaptureControl control{false};
};

// Frame numbers written by the test card into the first and last picture of a file.
std::pair<int, int> cardNumbers(const QString& path)
{
    const auto probe = probeAvi(path);
    return {TestPatternGenerator::decodeFrameNumber(probe.firstFrame),
            TestPatternGenerator::decodeFrameNumber(probe.lastFrame)};
}

} // namespace

TEST(CaptureControl, TimeLimitedRecordingCountsEveryFrameAndFileMatches)
{
    Rig rig;
    const QString path = rig.dir.filePath("jump.avi");
    QSignalSpy status(&rig.control, &CaptureControl::statusChange);
    QSignalSpy finished(&rig.control, &CaptureControl::captureFinished);
    rig.control.setTimeLimit(2);
    rig.control.setCaptureFileName(path);
    rig.control.startCapture();
    EXPECT_TRUE(rig.control.capturing());
    ASSERT_TRUE(rig.waitFinished(finished, 6000));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(rig.control.capturing());

    const int frames = rig.control.framesCaptured();
    EXPECT_NEAR(frames, 60, 1);
    EXPECT_EQ(rig.control.framesDropped(), 0);
    EXPECT_NEAR(double(rig.control.captureTimeMs()), 2000, 100);
    EXPECT_EQ(rig.control.audioSamplesCaptured(), 0);

    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok) << probe.error.toStdString();
    EXPECT_EQ(probe.codec, "mjpeg");
    EXPECT_EQ(probe.width, 320);
    EXPECT_EQ(probe.height, 240);
    EXPECT_DOUBLE_EQ(probe.frameRate, 30);
    EXPECT_EQ(probe.decodedFrames, frames);
    EXPECT_FALSE(QFile::exists(path + ".part"));
    // The card numbers its frames: consecutive from first to last means none went missing.
    const auto [first, last] = cardNumbers(path);
    ASSERT_GE(first, 0);
    EXPECT_EQ(last - first, frames - 1);

    // 301 comes first, then the counters (510) before the end of the recording.
    ASSERT_GE(status.count(), 3);
    EXPECT_EQ(status.at(0).at(0).toInt(), StatusStreamSetUp);
    int firstCounters = -1;
    int ended = -1;
    for (int i = 0; i < status.count(); ++i) {
        const int code = status.at(i).at(0).toInt();
        if (code == StatusCountersCurrent && firstCounters < 0)
            firstCounters = i;
        if (code == StatusCaptureEnded)
            ended = i;
    }
    EXPECT_GT(firstCounters, 0);
    EXPECT_GT(ended, firstCounters);
    EXPECT_TRUE(status.at(ended - 1).at(1).toString().contains(QString::number(frames)));
}

TEST(CaptureControl, RateSizeAndCompressorGovernTheRecording)
{
    Rig rig;
    rig.control.setFrameRate(15); // restarts the connected device at the new rate
    rig.control.setResolutionIndex(indexOfName(rig.control, rig.control.resolutionCount(),
                                               &CaptureControl::resolutionName, "640x480"));
    const int raw = indexOfName(rig.control, rig.control.videoCompressorCount(),
                                &CaptureControl::videoCompressorName, "Uncompressed");
    ASSERT_GE(raw, 0);
    EXPECT_EQ(rig.control.videoCompressorName(0), "MJPEG");
    EXPECT_EQ(rig.control.videoCompressorIndex(), 0);
    rig.control.setVideoCompressorIndex(raw);
    const QString path = rig.dir.filePath("raw.avi");
    QSignalSpy finished(&rig.control, &CaptureControl::captureFinished);
    rig.control.setTimeLimit(1);
    rig.control.setCaptureFileName(path);
    rig.control.startCapture();
    // Settings are refused while recording.
    EXPECT_THROW(rig.control.setFrameRate(30), CaptureError);
    EXPECT_THROW(rig.control.startCapture(), CaptureError);
    ASSERT_TRUE(rig.waitFinished(finished, 5000));
    EXPECT_NEAR(rig.control.framesCaptured(), 15, 1);
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.codec, "rawvideo");
    EXPECT_EQ(probe.width, 640);
    EXPECT_DOUBLE_EQ(probe.frameRate, 15);
    EXPECT_EQ(probe.decodedFrames, rig.control.framesCaptured());
}

TEST(CaptureControl, StopLeavesCompleteFileAndIdleStopIsHarmless)
{
    Rig rig;
    EXPECT_NO_THROW(rig.control.stopCapture()); // idle
    EXPECT_EQ(rig.control.framesCaptured(), 0);
    const QString path = rig.dir.filePath("stopped.avi");
    rig.control.setCaptureFileName(path);
    rig.control.startCapture();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 700)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    rig.control.stopCapture();
    // Complete as soon as stop returns: no event loop needed.
    const int frames = rig.control.framesCaptured();
    EXPECT_GT(frames, 10);
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.decodedFrames, frames);
    EXPECT_NO_THROW(rig.control.stopCapture()); // again, idle
    EXPECT_EQ(rig.control.framesCaptured(), frames);
}

TEST(CaptureControl, BadRequestsRaiseNumberedErrorsAndLeaveNothing)
{
    QTemporaryDir dir;
    FfmpegCaptureControl control(false);
    control.devices().setPollInterval(0);
    control.setCaptureFileName(dir.filePath("x.avi"));
    try {
        control.startCapture();
        FAIL() << "recording without a device must fail";
    } catch (const CaptureError& e) {
        EXPECT_EQ(e.number, ErrNotConnected);
        EXPECT_FALSE(e.description.isEmpty());
    }
    EXPECT_THROW(control.grabStill(), CaptureError);
    EXPECT_THROW(control.connectDevice(5), CaptureError);
    EXPECT_THROW(control.connectDevice(-1), CaptureError);
    EXPECT_THROW(control.setFrameRate(0), CaptureError);
    EXPECT_THROW(control.setChannels(3), CaptureError);
    EXPECT_THROW(control.setBitsPerSample(12), CaptureError);
    EXPECT_THROW(control.setResolutionIndex(99), CaptureError);
    EXPECT_THROW(control.setChannel(4), CaptureError);
    EXPECT_FALSE(control.hasTuner());
    control.connectDevice(0);
    EXPECT_TRUE(control.connected());
    control.setCaptureFileName(dir.filePath("no/such/folder/x.avi"));
    try {
        control.startCapture();
        FAIL() << "missing folder must fail";
    } catch (const CaptureError& e) {
        EXPECT_EQ(e.number, ErrFile);
    }
    EXPECT_FALSE(control.capturing());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
    control.disconnectDevice();
    EXPECT_FALSE(control.connected());
}

TEST(CaptureControl, UnplugMidRecordingKeepsEveryFrameAndReportsRemoval)
{
    Rig rig;
    const QString path = rig.dir.filePath("unplugged.avi");
    QSignalSpy changes(&rig.control, &CaptureControl::deviceListChange);
    QSignalSpy warnings(&rig.control, &CaptureControl::warning);
    QSignalSpy finished(&rig.control, &CaptureControl::captureFinished);
    bool fileCompleteAtRemoval = false;
    bool disconnectedAtRemoval = false;
    QObject::connect(&rig.control, &CaptureControl::deviceListChange,
                     [&](const QString&, int action, int, const QString&) {
                         if (action == 1) {
                             fileCompleteAtRemoval = QFile::exists(path);
                             disconnectedAtRemoval = !rig.control.connected();
                         }
                     });
    rig.control.setCaptureFileName(path);
    rig.control.startCapture();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 600)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(rig.control.devices().unplug(kTestPattern));
    QCoreApplication::processEvents();

    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toString(), kVideoSources);
    EXPECT_EQ(changes.at(0).at(1).toInt(), 1);
    EXPECT_EQ(changes.at(0).at(2).toInt(), 0);
    EXPECT_EQ(changes.at(0).at(3).toString(), kTestPattern);
    EXPECT_TRUE(fileCompleteAtRemoval);
    EXPECT_TRUE(disconnectedAtRemoval);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_GE(warnings.count(), 1);
    EXPECT_EQ(rig.control.videoDeviceCount(), 1);
    EXPECT_EQ(rig.control.videoDeviceName(0), kSimulatedSite);

    const int frames = rig.control.framesCaptured();
    EXPECT_GT(frames, 5);
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok);
    // The recording ends when the removal is handled; on a busy machine that can be a slot or
    // more after the last picture, and such a slot is counted dropped and filled.
    EXPECT_EQ(probe.decodedFrames, frames + rig.control.framesDropped());
    EXPECT_LE(rig.control.framesDropped(), 3);
    const auto [first, last] = cardNumbers(path);
    EXPECT_EQ(last - first, frames - 1);

    // Plugged in again: it arrives in its old place, before the other built-in device.
    ASSERT_TRUE(rig.control.devices().plug(kTestPattern));
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changes.at(1).at(1).toInt(), 0);
    EXPECT_EQ(changes.at(1).at(2).toInt(), 0);
    EXPECT_EQ(rig.control.videoDeviceName(0), kTestPattern);
    EXPECT_FALSE(rig.control.devices().plug(kTestPattern)); // already there
    EXPECT_FALSE(rig.control.devices().unplug("No Such Camera"));
}

TEST(CaptureControl, StillGrabWritesBitmapOfTheLivePicture)
{
    Rig rig;
    const QString path = rig.dir.filePath("currentcapture.bmp");
    rig.control.setStillFileName(path);
    rig.control.grabStill();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("BM"));
    const QImage still(path);
    ASSERT_FALSE(still.isNull());
    EXPECT_EQ(still.size(), QSize(320, 240));
    EXPECT_GE(TestPatternGenerator::decodeFrameNumber(still), 0);
    rig.control.setStillFileName(rig.dir.filePath("missing/still.bmp"));
    EXPECT_THROW(rig.control.grabStill(), CaptureError);
}

TEST(CaptureControl, EffectsOfTheVideoEffectCategoryChangeThePicture)
{
    Rig rig;
    const int count = rig.control.effectCount(kEffectCategory);
    ASSERT_GE(count, 3);
    EXPECT_EQ(rig.control.effectCount("Video Effect 2"), 0);
    EXPECT_EQ(rig.control.currentEffect(kEffectCategory), -1);
    const int negative = rig.control.effectIndex(kEffectCategory, "Negative");
    ASSERT_GE(negative, 0);
    EXPECT_EQ(rig.control.effectName(kEffectCategory, negative), "Negative");
    EXPECT_LT(rig.control.effectIndex(kEffectCategory, "Sepia Dream"), 0);
    EXPECT_THROW(rig.control.useEffect(kEffectCategory, count), CaptureError);
    EXPECT_THROW(rig.control.useEffect("Video Effect 2", 0), CaptureError);

    const QString plainPath = rig.dir.filePath("plain.bmp");
    rig.control.setStillFileName(plainPath);
    rig.control.grabStill();
    rig.control.useEffect(kEffectCategory, negative);
    EXPECT_EQ(rig.control.currentEffect(kEffectCategory), negative);
    const QString negPath = rig.dir.filePath("negative.bmp");
    rig.control.setStillFileName(negPath);
    const QImage plain(plainPath);
    ASSERT_FALSE(plain.isNull());
    // The white bar at the left of the card turns black once a filtered picture has arrived.
    const QPoint p(20, 40);
    EXPECT_GT(qGray(plain.pixel(p)), 200);
    QImage neg;
    QElapsedTimer t;
    t.start();
    do {
        QThread::msleep(20);
        rig.control.grabStill();
        neg = QImage(negPath);
    } while (!neg.isNull() && qGray(neg.pixel(p)) > 55 && t.elapsed() < 3000);
    ASSERT_FALSE(neg.isNull());
    EXPECT_LT(qGray(neg.pixel(p)), 55);
    // Colours are inverted, not just darkened: the yellow bar turns blue.
    const QPoint yellow(320 * 3 / 14, 40);
    EXPECT_GT(qBlue(neg.pixel(yellow)), 200);
    EXPECT_LT(qRed(neg.pixel(yellow)), 55);
    rig.control.useEffect(kEffectCategory, -1);
    EXPECT_EQ(rig.control.currentEffect(kEffectCategory), -1);
}

TEST(CaptureControl, TestToneIsRecordedAsPcmInTheSameFile)
{
    Rig rig;
    const int tone = indexOfName(rig.control, rig.control.audioDeviceCount(),
                                 &CaptureControl::audioDeviceName, kTestTone);
    ASSERT_GE(tone, 0);
    EXPECT_EQ(rig.control.audioDeviceIndex(), -1);
    rig.control.setAudioDeviceIndex(tone);
    rig.control.setSampleRate(11025);
    rig.control.setChannels(2);
    rig.control.setBitsPerSample(8);
    const QString path = rig.dir.filePath("sound.avi");
    QSignalSpy finished(&rig.control, &CaptureControl::captureFinished);
    rig.control.setTimeLimit(1);
    rig.control.setCaptureFileName(path);
    rig.control.startCapture();
    ASSERT_TRUE(rig.waitFinished(finished, 5000));
    const qint64 samples = rig.control.audioSamplesCaptured();
    EXPECT_NEAR(double(samples), 11025, 11025 * 0.1);
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok);
    ASSERT_TRUE(probe.hasAudio);
    EXPECT_EQ(probe.audioSampleRate, 11025);
    EXPECT_EQ(probe.audioChannels, 2);
    EXPECT_EQ(probe.audioBits, 8);
    EXPECT_EQ(probe.audioSamples, samples);
    EXPECT_EQ(probe.decodedFrames, rig.control.framesCaptured());
}

TEST(CaptureControl, PreviewNeverQueuesUpBehindABusyInterface)
{
    Rig rig(kTestPattern, 60);
    QSignalSpy frames(&rig.control, &CaptureControl::previewFrame);
    rig.control.setPreview(true);
    EXPECT_TRUE(rig.control.preview());
    ASSERT_TRUE(frames.wait(2000));
    const QImage img = frames.last().at(0).value<QImage>();
    EXPECT_EQ(img.size(), QSize(320, 240));
    // The interface thread is busy for half a second (30 pictures at 60 fps): afterwards at
    // most one picture is waiting, not thirty.
    frames.clear();
    QThread::msleep(500);
    QCoreApplication::processEvents();
    EXPECT_LE(frames.count(), 1);
    rig.control.setPreview(false);
    QThread::msleep(100);
    QCoreApplication::processEvents();
    frames.clear();
    QThread::msleep(100);
    QCoreApplication::processEvents();
    EXPECT_EQ(frames.count(), 0);
}

TEST(CaptureControl, SimulatedJumpSiteDeliversTheSitePicture)
{
    Rig rig(kSimulatedSite, 15);
    EXPECT_TRUE(rig.control.connected());
    const QString path = rig.dir.filePath("site.bmp");
    rig.control.setStillFileName(path);
    rig.control.grabStill();
    const QImage still(path);
    ASSERT_EQ(still.size(), QSize(320, 240));
    // Not a test card, and not a blank picture either.
    EXPECT_LT(TestPatternGenerator::decodeFrameNumber(still), 0);
    QSet<QRgb> colours;
    for (int y = 0; y < still.height(); y += 8)
        for (int x = 0; x < still.width(); x += 8)
            colours.insert(still.pixel(x, y));
    EXPECT_GT(colours.size(), 20);
}

TEST(DeviceRegistry, BuiltInDevicesAreListedAndDialogsNeedAHost)
{
    FfmpegCaptureControl control(false);
    control.devices().setPollInterval(0);
    ASSERT_EQ(control.videoDeviceCount(), 2);
    EXPECT_EQ(control.videoDeviceName(0), kTestPattern);
    EXPECT_EQ(control.videoDeviceName(1), kSimulatedSite);
    ASSERT_EQ(control.audioDeviceCount(), 1);
    EXPECT_EQ(control.audioDeviceName(0), kTestTone);
    EXPECT_EQ(control.videoDeviceIndex(), 0);
    EXPECT_EQ(control.resolutionName(control.resolutionIndex()), "640x480");
    EXPECT_GE(control.colorFormatCount(), 1);
    EXPECT_GE(control.videoInputCount(), 1);
    EXPECT_FALSE(control.dialogAvailable(DialogVideoSource));
    EXPECT_THROW(control.showDialog(DialogAudioFormat), CaptureError);
    // With real devices scanned, the built-in ones still come last.
    DeviceRegistry withReal(true);
    const auto video = withReal.videoDevices();
    ASSERT_GE(video.size(), 2);
    EXPECT_EQ(video.at(video.size() - 2).name, kTestPattern);
    EXPECT_EQ(video.last().name, kSimulatedSite);
    EXPECT_EQ(withReal.audioDevices().last().name, kTestTone);
}

// The path every real camera takes (libavdevice input, decoding, end of stream), driven by
// FFmpeg's own filter source paced in real time.
TEST(CaptureControl, FfmpegInputDeviceThatStopsEndsTheRecordingWithACompleteFile)
{
    QTemporaryDir dir;
    FfmpegCaptureControl control(false);
    control.devices().setPollInterval(0);
    VideoDeviceInfo lavfi;
    lavfi.name = "Filter Camera";
    lavfi.inputFormat = "lavfi";
    lavfi.url = "testsrc=size=320x240:rate=25:duration=1.2,realtime";
    lavfi.sizes = {QSize(320, 240)};
    lavfi.rates = {25};
    QSignalSpy changes(&control, &CaptureControl::deviceListChange);
    ASSERT_TRUE(control.devices().addVideoDevice(lavfi));
    EXPECT_FALSE(control.devices().addVideoDevice(lavfi)); // name taken
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(1).toInt(), 0);
    EXPECT_EQ(changes.at(0).at(2).toInt(), 0); // listed before the built-in devices
    ASSERT_EQ(control.videoDeviceName(0), "Filter Camera");
    EXPECT_EQ(control.videoDeviceName(1), kTestPattern);

    QSignalSpy finished(&control, &CaptureControl::captureFinished);
    QSignalSpy warnings(&control, &CaptureControl::warning);
    control.setFrameRate(25);
    control.connectDevice(0);
    const QString path = dir.filePath("camera.avi");
    control.setCaptureFileName(path);
    control.startCapture();
    ASSERT_TRUE(finished.wait(8000));
    EXPECT_FALSE(control.connected());
    EXPECT_GE(warnings.count(), 1);
    const int frames = control.framesCaptured();
    EXPECT_GE(frames, 20);
    EXPECT_LE(frames, 31);
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.decodedFrames, frames);
    EXPECT_EQ(probe.width, 320);

    // A device that cannot be opened is an error on connect, not a crash later.
    VideoDeviceInfo broken = lavfi;
    broken.name = "Broken Camera";
    broken.url = "nosuchfilter=x";
    ASSERT_TRUE(control.devices().addVideoDevice(broken));
    const int b = control.devices().videoIndexOf("Broken Camera");
    try {
        control.connectDevice(b);
        FAIL() << "connecting a broken device must fail";
    } catch (const CaptureError& e) {
        EXPECT_EQ(e.number, ErrDeviceFailed);
    }
    EXPECT_FALSE(control.connected());
    EXPECT_TRUE(control.devices().removeVideoDevice("Broken Camera"));
    EXPECT_LT(control.devices().videoIndexOf("Broken Camera"), 0);
}

TEST(CaptureControl, SoundDeviceRemovedMidRecordingLeavesThePictureRecording)
{
    Rig rig;
    rig.control.setAudioDeviceIndex(0);
    ASSERT_EQ(rig.control.audioDeviceName(0), kTestTone);
    QSignalSpy changes(&rig.control, &CaptureControl::deviceListChange);
    const QString path = rig.dir.filePath("mute.avi");
    rig.control.setCaptureFileName(path);
    rig.control.startCapture();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 400)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(rig.control.devices().unplug(kTestTone));
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toString(), kAudioSources);
    EXPECT_EQ(changes.at(0).at(1).toInt(), 1);
    EXPECT_EQ(rig.control.audioDeviceIndex(), -1);
    EXPECT_TRUE(rig.control.capturing());
    const qint64 samplesAtRemoval = rig.control.audioSamplesCaptured();
    EXPECT_GT(samplesAtRemoval, 0);
    t.restart();
    while (t.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    rig.control.stopCapture();
    EXPECT_EQ(rig.control.audioSamplesCaptured(), samplesAtRemoval);
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok);
    EXPECT_TRUE(probe.hasAudio);
    EXPECT_EQ(probe.audioSamples, samplesAtRemoval);
    EXPECT_EQ(probe.decodedFrames, rig.control.framesCaptured());
    EXPECT_GE(rig.control.framesCaptured(), 15);
}

// The sound path of a real input (libavdevice, PCM packets, 8-bit conversion), driven by
// FFmpeg's sine source paced in real time.
TEST(CaptureControl, FfmpegSoundInputIsRecordedInTheRequestedFormat)
{
    Rig rig;
    AudioDeviceInfo sine;
    sine.name = "Filter Microphone";
    sine.inputFormat = "lavfi";
    sine.url = "sine=frequency=440:sample_rate=22050,aformat=sample_fmts=s16:channel_layouts=mono,"
               "arealtime";
    ASSERT_TRUE(rig.control.devices().addAudioDevice(sine));
    ASSERT_EQ(rig.control.audioDeviceName(0), "Filter Microphone"); // before the test tone
    rig.control.setAudioDeviceIndex(0);
    rig.control.setSampleRate(22050);
    rig.control.setChannels(1);
    rig.control.setBitsPerSample(8);
    const QString path = rig.dir.filePath("mic.avi");
    QSignalSpy finished(&rig.control, &CaptureControl::captureFinished);
    rig.control.setTimeLimit(1);
    rig.control.setCaptureFileName(path);
    rig.control.startCapture();
    ASSERT_TRUE(rig.waitFinished(finished, 5000));
    const qint64 samples = rig.control.audioSamplesCaptured();
    EXPECT_NEAR(double(samples), 22050, 22050 * 0.15);
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok);
    ASSERT_TRUE(probe.hasAudio);
    EXPECT_EQ(probe.audioSampleRate, 22050);
    EXPECT_EQ(probe.audioChannels, 1);
    EXPECT_EQ(probe.audioBits, 8);
    EXPECT_EQ(probe.audioSamples, samples);

    // A format the input cannot give is refused before anything is written.
    rig.control.setSampleRate(44100);
    rig.control.setCaptureFileName(rig.dir.filePath("wrong.avi"));
    EXPECT_THROW(rig.control.startCapture(), CaptureError);
    EXPECT_FALSE(rig.control.capturing());
    EXPECT_FALSE(QFile::exists(rig.dir.filePath("wrong.avi")));
    EXPECT_TRUE(rig.control.devices().removeAudioDevice("Filter Microphone"));
    EXPECT_EQ(rig.control.audioDeviceIndex(), -1);
}

TEST(CaptureControl, LateTimeLimitOfAnEarlierRecordingDoesNotStopTheNextOne)
{
    Rig rig;
    rig.control.setTimeLimit(0.3);
    rig.control.setCaptureFileName(rig.dir.filePath("first.avi"));
    rig.control.startCapture();
    QThread::msleep(600); // the limit is reached while the interface is busy
    rig.control.stopCapture();
    EXPECT_NEAR(rig.control.framesCaptured(), 9, 1);
    rig.control.setTimeLimit(0);
    rig.control.setCaptureFileName(rig.dir.filePath("second.avi"));
    rig.control.startCapture();
    QCoreApplication::processEvents(); // delivers the first recording's late notice
    QCoreApplication::processEvents();
    EXPECT_TRUE(rig.control.capturing());
    QThread::msleep(200); // a recording without a single picture is an error, not a file
    rig.control.stopCapture();
    EXPECT_TRUE(QFile::exists(rig.dir.filePath("second.avi")));
}

TEST(DeviceRegistry, BackgroundPollingKeepsAStableListQuiet)
{
    DeviceRegistry registry(true);
    const int videoCount = int(registry.videoDevices().size());
    QSignalSpy changes(&registry, &DeviceRegistry::changed);
    registry.setPollInterval(20);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    registry.setPollInterval(0);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(registry.videoDevices().size(), videoCount);
    // A change made meanwhile is reported once, with the index it had.
    ASSERT_TRUE(registry.unplug(kSimulatedSite));
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(2).toInt(), videoCount - 1);
}
