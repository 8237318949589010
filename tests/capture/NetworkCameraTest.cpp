// Network cameras through the real engine: GStreamer's RTSP server (H.264 1280x720 at 30 fps)
// and the ffmpeg program's HTTP multipart JPEG stream, both on the loopback address, started
// and stopped here.
#include "AviProbe.h"
#include "NetworkServers.h"
#include "ToolRun.h"
#include "capture/FfmpegCaptureControl.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::capture;
using zelvan::test::AviProbe;
using zelvan::test::CameraServer;
using zelvan::test::probeAvi;
using zelvan::test::waitFor;

namespace
{

class AppEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "capture_network_test";
        static char* argv[] = {name, nullptr};
        app = new QCoreApplication(argc, argv);
    }
    void TearDown() override { delete app; }
    QCoreApplication* app = nullptr;
};
[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

class NetworkCameraTest : public ::testing::Test
{
protected:
    NetworkCameraTest() { control.devices().setPollInterval(0); }

    void requireRtsp()
    {
        if (const QString missing = test::rtspServerMissing(); !missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
    }
    QString rtspUrl() const { return QString("rtsp://127.0.0.1:%1/cam").arg(port); }
    QString httpUrl() const { return QString("http://127.0.0.1:%1").arg(port); }
    int indexOf(const QString& name) { return control.devices().videoIndexOf(name); }
    // Records `seconds` with the time limit and waits for the file.
    void record(const QString& file, double seconds)
    {
        control.setTimeLimit(seconds);
        control.setCaptureFileName(dir.filePath(file));
        QSignalSpy finished(&control, &CaptureControl::captureFinished);
        control.startCapture();
        ASSERT_TRUE(waitFor([&] { return finished.count() > 0; }, int(seconds * 1000) + 8000));
    }

    QTemporaryDir dir;
    quint16 port = test::freePort();
    CameraServer server;
    FfmpegCaptureControl control{false};
};

} // namespace

TEST_F(NetworkCameraTest, RtspCameraIsCheckedListedPreviewedAndRecordedAtItsOwnSizeAndRate)
{
    requireRtsp();
    // Nothing answers yet: the camera is refused and not listed.
    try {
        control.addNetworkCamera("Pole", rtspUrl(), true);
        FAIL() << "a camera that does not answer was added";
    } catch (const CaptureError& e) {
        EXPECT_EQ(e.number, ErrDeviceFailed);
        EXPECT_EQ(e.description, "The camera at " + rtspUrl() + " does not answer.");
    }
    EXPECT_EQ(indexOf("Pole"), -1);

    ASSERT_TRUE(server.startRtsp(port, 1280, 720, 30));
    QSignalSpy listed(&control, &CaptureControl::deviceListChange);
    control.addNetworkCamera("Pole", rtspUrl(), true);
    ASSERT_EQ(listed.count(), 1);
    EXPECT_EQ(listed[0][0].toString(), kVideoSources);
    EXPECT_EQ(listed[0][1].toInt(), 0);
    EXPECT_EQ(listed[0][3].toString(), "Pole");

    QSignalSpy texts(&control, &CaptureControl::statusText);
    QSignalSpy warnings(&control, &CaptureControl::warning);
    control.setFrameRate(30);
    control.connectDevice(indexOf("Pole"));
    control.setPreview(true);
    EXPECT_EQ(control.frameSize(), QSize(1280, 720));
    EXPECT_EQ(control.resolutionName(control.resolutionIndex()), "1280x720");
    // The latency of the live picture reaches the status label.
    ASSERT_TRUE(waitFor(
        [&] {
            for (const auto& t : texts)
                if (t[0].toString().startsWith("Pole: latency "))
                    return true;
            return false;
        },
        6000));
    const int latency = control.liveLatencyMs();
    EXPECT_GE(latency, 0);
    EXPECT_LT(latency, 1500);
    ASSERT_TRUE(waitFor([&] { return control.deliveryMeasured(); }, 4000));
    EXPECT_EQ(control.deliveredFrameRate(), 0) << "the camera keeps up with 30 fps";
    EXPECT_TRUE(warnings.isEmpty()) << warnings.value(0).value(0).toString().toStdString();

    record("pole.avi", 2);
    EXPECT_NEAR(control.framesCaptured(), 60, 2);
    EXPECT_LE(control.framesDropped(), 2);
    const AviProbe avi = probeAvi(dir.filePath("pole.avi"));
    ASSERT_TRUE(avi.ok) << avi.error.toStdString();
    EXPECT_EQ(avi.width, 1280);
    EXPECT_EQ(avi.height, 720);
    EXPECT_EQ(avi.frameRate, 30);
    EXPECT_EQ(avi.decodedFrames, control.framesCaptured() + control.framesDropped());
    std::printf("RTSP 1280x720@30: latency %d ms, %d captured, %d dropped in 2 s\n", latency,
                control.framesCaptured(), control.framesDropped());
}

TEST_F(NetworkCameraTest, DroppedConnectionKeepsThePicturesAndTheCameraComesBack)
{
    requireRtsp();
    ASSERT_TRUE(server.startRtsp(port, 640, 360, 30));
    control.addNetworkCamera("Pole", rtspUrl(), true);
    control.connectDevice(indexOf("Pole"));
    control.setCaptureFileName(dir.filePath("cut.avi"));
    QSignalSpy finished(&control, &CaptureControl::captureFinished);
    QSignalSpy warnings(&control, &CaptureControl::warning);
    QSignalSpy listed(&control, &CaptureControl::deviceListChange);
    control.startCapture();
    ASSERT_TRUE(waitFor([&] { return control.framesCaptured() >= 20; }, 5000));
    server.stop();
    // Noticed within the network time-out; the recording so far is kept.
    ASSERT_TRUE(waitFor([&] { return finished.count() > 0; }, 8000));
    EXPECT_FALSE(control.connected());
    ASSERT_GE(warnings.count(), 1);
    EXPECT_EQ(warnings[0][0].toString(), "Pole stopped delivering pictures");
    const AviProbe avi = probeAvi(dir.filePath("cut.avi"));
    ASSERT_TRUE(avi.ok) << avi.error.toStdString();
    EXPECT_GE(avi.decodedFrames, 20);
    // Gone from the list like an unplugged camera...
    ASSERT_GE(listed.count(), 1);
    EXPECT_EQ(listed.last()[1].toInt(), 1);
    EXPECT_EQ(listed.last()[3].toString(), "Pole");
    EXPECT_EQ(indexOf("Pole"), -1);
    control.devices().refresh(); // still away: stays away
    EXPECT_EQ(indexOf("Pole"), -1);
    // ...and back when it answers again, ready to connect.
    ASSERT_TRUE(server.startRtsp(port, 640, 360, 30));
    control.devices().refresh();
    ASSERT_GE(indexOf("Pole"), 0);
    EXPECT_EQ(listed.last()[1].toInt(), 0);
    control.connectDevice(indexOf("Pole"));
    control.setCaptureFileName(dir.filePath("again.avi"));
    control.setTimeLimit(1);
    control.startCapture();
    ASSERT_TRUE(waitFor([&] { return finished.count() > 1; }, 8000));
    EXPECT_NEAR(control.framesCaptured(), 30, 2);
}

TEST_F(NetworkCameraTest, CameraSlowerThanAskedIsToldOnceAndRecordedAtItsRate)
{
    ASSERT_TRUE(server.startHttpMjpeg(port, 640, 360, 10));
    control.addNetworkCamera("Dock", httpUrl(), false);
    QSignalSpy warnings(&control, &CaptureControl::warning);
    control.setFrameRate(30);
    control.connectDevice(indexOf("Dock"));
    ASSERT_TRUE(waitFor([&] { return control.deliveryMeasured(); }, 5000));
    ASSERT_EQ(warnings.count(), 1);
    EXPECT_EQ(warnings[0][0].toString(),
              "Dock delivers 10 frames per second, not the 30 asked for: it is recorded at 10");
    EXPECT_EQ(control.deliveredFrameRate(), 10);
    record("dock.avi", 2);
    EXPECT_NEAR(control.framesCaptured(), 20, 1);
    // No repeated picture is invented: at most the last slot, when the last picture comes
    // after the end on a loaded machine (at 30 fps it would be two of every three).
    EXPECT_LE(control.framesDropped(), 1);
    EXPECT_EQ(control.recordingFrameRate(), 10);
    int slowWarnings = 0;
    for (const auto& w : warnings)
        slowWarnings += w[0].toString().startsWith("Dock delivers ") ? 1 : 0;
    EXPECT_EQ(slowWarnings, 1);
    const AviProbe avi = probeAvi(dir.filePath("dock.avi"));
    ASSERT_TRUE(avi.ok) << avi.error.toStdString();
    EXPECT_EQ(avi.frameRate, 10);
    EXPECT_EQ(avi.width, 640);
    EXPECT_EQ(avi.decodedFrames, control.framesCaptured() + control.framesDropped());
}

TEST_F(NetworkCameraTest, ToolRecordsFromACameraAddress)
{
    ASSERT_TRUE(server.startHttpMjpeg(port, 320, 240, 25));
    const QString out = dir.filePath("tool.avi");
    const test::ToolRun r = test::runTool(
        {"record", "--device", httpUrl(), "--seconds", "2", "--fps", "25", "--out", out});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    const QJsonObject json = r.json();
    EXPECT_NEAR(json["framesCaptured"].toInt(), 50, 2);
    EXPECT_LE(json["framesDropped"].toInt(), 1);
    EXPECT_EQ(json["frameRate"].toDouble(), 25);
    const AviProbe avi = probeAvi(out);
    ASSERT_TRUE(avi.ok) << avi.error.toStdString();
    EXPECT_EQ(avi.width, 320);
    EXPECT_EQ(avi.height, 240);

    const test::ToolRun bad = test::runTool(
        {"record", "--device", "rtsp://", "--seconds", "1", "--out", dir.filePath("x.avi")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.errText().trimmed(),
              "error: \"rtsp://\" is no camera address: it names no host.");
    EXPECT_FALSE(QFile::exists(dir.filePath("x.avi")));
}
