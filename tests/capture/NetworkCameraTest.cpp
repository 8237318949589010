// Network cameras through the real engine: GStreamer's RTSP server (H.264 1280x720 at 30 fps)
// and the ffmpeg program's HTTP multipart JPEG stream, both on the loopback address, started
// and stopped here.
#include "AviProbe.h"
#include "CoreTestApp.h"
#include "NetworkServers.h"
#include "ToolRun.h"
#include "capture/FfmpegCaptureControl.h"
#include "review/FrameReader.h"

#include <QCoreApplication>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::capture;
using zelvan::test::AviProbe;
using zelvan::test::CameraServer;
using zelvan::test::probeAvi;
using zelvan::test::videoPackets;
using zelvan::test::waitFor;

namespace
{

// The pictures a camera sends: `frames` JPEGs made by the ffmpeg program, each different.
QString makeMjpegFile(const QString& path, int frames)
{
    QProcess ffmpeg;
    ffmpeg.start(QStandardPaths::findExecutable("ffmpeg"),
                 {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-frames:v",
                  QString::number(frames), "-c:v", "mjpeg", "-q:v", "3", "-y", path});
    ffmpeg.waitForFinished(30000);
    return path;
}

// Where each of the camera's JPEGs stands in what it sends.
QHash<QByteArray, int> pictureIndex(const QList<QByteArray>& sent)
{
    QHash<QByteArray, int> index;
    for (int i = 0; i < sent.size(); ++i)
        index.insert(sent[i], i);
    return index;
}

// Every packet of a recording is one of the camera's JPEGs, byte for byte; a packet that is
// not a new picture repeats the one before it. The number of pictures of their own.
int ownPicturesIn(const QList<QByteArray>& recorded, const QHash<QByteArray, int>& sent)
{
    int own = 0;
    for (int i = 0; i < recorded.size(); ++i) {
        EXPECT_TRUE(sent.contains(recorded[i])) << "packet " << i << " is not the camera's";
        own += i == 0 || recorded[i] != recorded[i - 1] ? 1 : 0;
    }
    return own;
}

// True when an H.264 access unit holds an IDR slice (NAL type 5): a picture that decodes alone.
bool holdsIdrSlice(const QByteArray& unit)
{
    for (int i = 0; i + 3 < unit.size(); ++i)
        if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 1 && (unit[i + 3] & 0x1f) == 5)
            return true;
    return false;
}

// Where `run` stands, packet for packet, in `all`; -1 when it is not one unbroken stretch of it.
int stretchIn(const QList<QByteArray>& run, const QList<QByteArray>& all)
{
    if (run.isEmpty())
        return -1;
    for (int at = int(all.indexOf(run[0])); at >= 0; at = int(all.indexOf(run[0], at + 1))) {
        if (at + run.size() <= all.size() && all.mid(at, run.size()) == run)
            return at;
    }
    return -1;
}

// Another client of the same camera: the ffmpeg program storing what it receives as it came.
class StreamWitness
{
public:
    ~StreamWitness()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    bool start(const QString& url, const QString& out, int seconds)
    {
        process.start(QStandardPaths::findExecutable("ffmpeg"),
                      {"-v", "error", "-rtsp_transport", "tcp", "-i", url, "-map", "0:v", "-c",
                       "copy", "-t", QString::number(seconds), "-f", "avi", "-y", out});
        return process.waitForStarted(5000) &&
               waitFor([&] { return QFileInfo(out).size() > 0; }, 8000);
    }
    // Empty when it stored the stream; else what went wrong.
    QString finish()
    {
        if (process.state() != QProcess::NotRunning && !process.waitForFinished(20000))
            return "the ffmpeg program did not finish";
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return QString::fromUtf8(process.readAllStandardError());
        return {};
    }

private:
    QProcess process;
};

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

    void recordTransportStream(const QString& url, bool check);

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

TEST_F(NetworkCameraTest, CameraWhoseRateFallsLaterIsToldOnceAndRecordedAtTheNewRate)
{
    ASSERT_TRUE(server.startHttpMjpegFalling(port, 30, 3, 3));
    control.addNetworkCamera("Dock", httpUrl(), false);
    QSignalSpy warnings(&control, &CaptureControl::warning);
    control.setFrameRate(30);
    control.connectDevice(indexOf("Dock"));
    ASSERT_TRUE(waitFor([&] { return control.deliveryMeasured(); }, 5000));
    EXPECT_EQ(control.deliveredFrameRate(), 0) << "it keeps up at first";
    // After three seconds it sends a third of its pictures.
    ASSERT_TRUE(waitFor([&] { return control.deliveredFrameRate() > 0; }, 12000));
    EXPECT_EQ(control.deliveredFrameRate(), 10);
    waitFor([] { return false; }, 1500); // no second word about the same fall
    ASSERT_EQ(warnings.count(), 1);
    EXPECT_EQ(warnings[0][0].toString(),
              "Dock delivers 10 frames per second, not the 30 asked for: it is recorded at 10");
    record("evening.avi", 1);
    EXPECT_EQ(control.recordingFrameRate(), 10);
    EXPECT_NEAR(control.framesCaptured(), 10, 1);
    EXPECT_LE(control.framesDropped(), 1);
    const AviProbe avi = probeAvi(dir.filePath("evening.avi"));
    ASSERT_TRUE(avi.ok) << avi.error.toStdString();
    EXPECT_EQ(avi.frameRate, 10);
}

TEST_F(NetworkCameraTest, MjpegCameraRecordedAsMjpegKeepsTheCamerasOwnPictures)
{
    const QList<QByteArray> sent = videoPackets(makeMjpegFile(dir.filePath("sent.avi"), 150));
    const QHash<QByteArray, int> index = pictureIndex(sent);
    ASSERT_EQ(index.size(), 150) << "the camera's pictures differ from each other";
    ASSERT_TRUE(server.startHttpMjpegFile(port, dir.filePath("sent.avi")));
    control.addNetworkCamera("Dock", httpUrl(), false);
    control.setFrameRate(25);
    control.connectDevice(indexOf("Dock"));
    ASSERT_EQ(control.videoCompressorName(control.videoCompressorIndex()), "MJPEG");
    // The live picture is still decoded.
    QSignalSpy previews(&control, &CaptureControl::previewFrame);
    control.setPreview(true);
    ASSERT_TRUE(waitFor([&] { return previews.count() > 0; }, 5000));
    EXPECT_EQ(previews[0][0].value<QImage>().size(), QSize(320, 240));

    record("own.avi", 2);
    EXPECT_NEAR(control.framesCaptured(), 50, 2);
    EXPECT_LE(control.framesDropped(), 1);
    const QList<QByteArray> recorded = videoPackets(dir.filePath("own.avi"));
    ASSERT_EQ(recorded.size(), control.framesCaptured() + control.framesDropped());
    EXPECT_EQ(ownPicturesIn(recorded, index), control.framesCaptured());
    const AviProbe avi = probeAvi(dir.filePath("own.avi"));
    ASSERT_TRUE(avi.ok) << avi.error.toStdString();
    EXPECT_EQ(avi.codec, "mjpeg");
    EXPECT_EQ(avi.frameRate, 25);
    EXPECT_EQ(avi.decodedFrames, recorded.size());
    EXPECT_FALSE(QFile::exists(dir.filePath("own.avi.part")));

    // The seconds kept before Start are the camera's pictures too.
    control.setPreTriggerSeconds(1);
    waitFor([] { return false; }, 1500);
    record("kept.avi", 1);
    EXPECT_NEAR(control.preTriggerFrames(), 25, 1);
    const QList<QByteArray> kept = videoPackets(dir.filePath("kept.avi"));
    EXPECT_NEAR(kept.size(), 50, 2);
    ASSERT_EQ(kept.size(), control.framesCaptured() + control.framesDropped());
    EXPECT_EQ(ownPicturesIn(kept, index), control.framesCaptured());
    EXPECT_LE(control.framesDropped(), 1);

    // A picture changed by an effect is no longer the camera's: it is compressed.
    control.setPreTriggerSeconds(0);
    control.useEffect(kEffectCategory, control.effectIndex(kEffectCategory, "Mirror"));
    record("mirrored.avi", 1);
    const QList<QByteArray> mirrored = videoPackets(dir.filePath("mirrored.avi"));
    ASSERT_NEAR(mirrored.size(), 25, 2);
    for (const QByteArray& packet : mirrored)
        EXPECT_FALSE(index.contains(packet));
}

TEST_F(NetworkCameraTest, ToolRecordsFromACameraAddress)
{
    const QList<QByteArray> sent = videoPackets(makeMjpegFile(dir.filePath("sent.avi"), 150));
    ASSERT_TRUE(server.startHttpMjpegFile(port, dir.filePath("sent.avi")));
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
    // The camera's JPEGs as it sent them.
    const QList<QByteArray> recorded = videoPackets(out);
    ASSERT_EQ(recorded.size(), json["framesCaptured"].toInt() + json["framesDropped"].toInt());
    EXPECT_EQ(ownPicturesIn(recorded, pictureIndex(sent)), json["framesCaptured"].toInt());

    const test::ToolRun bad = test::runTool(
        {"record", "--device", "rtsp://", "--seconds", "1", "--out", dir.filePath("x.avi")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.errText().trimmed(),
              "error: \"rtsp://\" is no camera address: it names no host.");
    EXPECT_FALSE(QFile::exists(dir.filePath("x.avi")));
}

TEST_F(NetworkCameraTest, H264CameraRecordedAsH264KeepsTheCamerasOwnPackets)
{
    requireRtsp();
    // What the camera sends, the same bytes to every client: 12 s of H.264 with a key frame
    // each second.
    const QString file = dir.filePath("camera.mp4");
    QProcess ffmpeg;
    ffmpeg.start(
        QStandardPaths::findExecutable("ffmpeg"),
        {"-v",    "error",       "-f",   "lavfi",   "-i",       "testsrc=size=1280x720:rate=30",
         "-t",    "12",          "-c:v", "libx264", "-preset",  "ultrafast",
         "-tune", "zerolatency", "-g",   "30",      "-pix_fmt", "yuv420p",
         "-y",    file});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    ASSERT_TRUE(server.startRtsp(port, 1280, 720, 30, file));
    control.addNetworkCamera("Pole", rtspUrl(), true);
    control.setFrameRate(30);
    control.connectDevice(indexOf("Pole"));
    // The camera's compression is offered whether or not this computer could compress it live.
    QStringList names;
    for (int i = 0; i < control.videoCompressorCount(); ++i)
        names << control.videoCompressorName(i);
    ASSERT_TRUE(names.contains("libx264")) << names.join(", ").toStdString();
    control.setVideoCompressorIndex(int(names.indexOf("libx264")));

    StreamWitness witness;
    ASSERT_TRUE(witness.start(rtspUrl(), dir.filePath("witness.avi"), 11));
    record("pole.avi", 2);
    const int before = control.preTriggerFrames();
    const int captured = control.framesCaptured();
    const int dropped = control.framesDropped();
    // A picture changed by an effect is no longer the camera's: it is compressed.
    control.useEffect(kEffectCategory, control.effectIndex(kEffectCategory, "Mirror"));
    record("mirrored.avi", 1);
    const QString witnessed = witness.finish();
    ASSERT_TRUE(witnessed.isEmpty()) << witnessed.toStdString();
    const QList<QByteArray> sent = videoPackets(dir.filePath("witness.avi"));
    const QList<QByteArray> recorded = videoPackets(dir.filePath("pole.avi"));

    // The file begins at the camera's key frame before Start.
    EXPECT_NEAR(captured + dropped, before + 60, 2);
    EXPECT_LE(before, 31);
    EXPECT_LE(dropped, 2);
    ASSERT_EQ(recorded.size(), captured);
    // The file begins at a key frame and holds the camera's packets byte for byte, in order.
    EXPECT_TRUE(holdsIdrSlice(recorded[0]));
    if (dropped == 0) {
        EXPECT_GE(stretchIn(recorded, sent), 0) << "the packets are not the camera's";
    }
    for (int i = 0; i < recorded.size(); ++i)
        ASSERT_TRUE(sent.contains(recorded[i])) << "packet " << i << " is not the camera's";

    const AviProbe avi = probeAvi(dir.filePath("pole.avi"));
    ASSERT_TRUE(avi.ok) << avi.error.toStdString();
    EXPECT_EQ(avi.codec, "h264");
    EXPECT_EQ(avi.width, 1280);
    EXPECT_EQ(avi.height, 720);
    EXPECT_EQ(avi.frameRate, 30);
    EXPECT_EQ(avi.decodedFrames, captured);

    // The frame selection steps through it picture by picture, back and forth.
    review::FrameReader reader;
    ASSERT_TRUE(reader.open(dir.filePath("pole.avi"))) << "cannot open the recording";
    EXPECT_EQ(reader.codecName(), "h264");
    EXPECT_EQ(reader.frameCount(), captured);
    const auto first = reader.frame(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), QSize(1280, 720));
    QImage previous = *first;
    for (qint64 n = 1; n < reader.frameCount(); ++n) {
        const auto next = reader.next();
        ASSERT_TRUE(next) << "frame " << n;
        EXPECT_NE(*next, previous) << "frame " << n << " repeats the one before";
        previous = *next;
    }
    const auto back = reader.frame(reader.frameCount() / 2);
    ASSERT_TRUE(back);
    const auto again = reader.frame(reader.frameCount() / 2);
    ASSERT_TRUE(again);
    EXPECT_EQ(*back, *again);

    const QList<QByteArray> mirrored = videoPackets(dir.filePath("mirrored.avi"));
    ASSERT_FALSE(mirrored.isEmpty());
    int camerasOwn = 0;
    for (const QByteArray& packet : mirrored)
        camerasOwn += sent.contains(packet) ? 1 : 0;
    EXPECT_EQ(camerasOwn, 0);
}

TEST_F(NetworkCameraTest, ToolRecordsAnH264CameraInItsOwnCompression)
{
    requireRtsp();
    ASSERT_TRUE(server.startRtsp(port, 1280, 720, 30));
    const QString out = dir.filePath("tool.avi");
    const test::ToolRun r = test::runTool({"record", "--device", rtspUrl(), "--seconds", "2",
                                           "--fps", "30", "--codec", "libx264", "--out", out});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    const QJsonObject json = r.json();
    EXPECT_NEAR(json["framesCaptured"].toInt() + json["framesDropped"].toInt(),
                json["preFrames"].toInt() + 60, 2);
    EXPECT_LE(json["framesDropped"].toInt(), 2);
    EXPECT_EQ(json["frameRate"].toDouble(), 30);
    const QList<QByteArray> recorded = videoPackets(out);
    ASSERT_EQ(recorded.size(), json["framesCaptured"].toInt());
    EXPECT_TRUE(holdsIdrSlice(recorded.value(0)));
    const AviProbe avi = probeAvi(out);
    ASSERT_TRUE(avi.ok) << avi.error.toStdString();
    EXPECT_EQ(avi.codec, "h264");
    EXPECT_EQ(avi.decodedFrames, json["framesCaptured"].toInt());
}

// An MPEG-TS camera over udp:// or srt://: added, previewed and recorded with the right counts.
void NetworkCameraTest::recordTransportStream(const QString& url, bool check)
{
    control.addNetworkCamera("Boat", url, check);
    control.setFrameRate(25);
    control.connectDevice(indexOf("Boat"));
    EXPECT_EQ(control.frameSize(), QSize(320, 240));
    QSignalSpy previews(&control, &CaptureControl::previewFrame);
    control.setPreview(true);
    ASSERT_TRUE(waitFor([&] { return previews.count() > 0; }, 8000));
    EXPECT_EQ(previews[0][0].value<QImage>().size(), QSize(320, 240));
    ASSERT_TRUE(waitFor([&] { return control.deliveryMeasured(); }, 8000));
    EXPECT_EQ(control.deliveredFrameRate(), 0) << "the stream keeps up with 25 fps";
    record("boat.avi", 2);
    EXPECT_NEAR(control.framesCaptured(), 50, 2);
    EXPECT_LE(control.framesDropped(), 2);
    const AviProbe avi = probeAvi(dir.filePath("boat.avi"));
    ASSERT_TRUE(avi.ok) << avi.error.toStdString();
    EXPECT_EQ(avi.width, 320);
    EXPECT_EQ(avi.frameRate, 25);
    EXPECT_EQ(avi.decodedFrames, control.framesCaptured() + control.framesDropped());
}

TEST_F(NetworkCameraTest, UdpStreamIsCheckedPreviewedAndRecorded)
{
    ASSERT_TRUE(server.startUdpMpegTs(port));
    recordTransportStream(QString("udp://127.0.0.1:%1").arg(port), true);
}

TEST_F(NetworkCameraTest, SrtStreamIsPreviewedAndRecorded)
{
    // The listener takes one caller: the camera is added unchecked, as from the tool.
    ASSERT_TRUE(server.startSrtListener(port));
    recordTransportStream(QString("srt://127.0.0.1:%1").arg(port), false);
}

TEST_F(NetworkCameraTest, LatencyShownIsFromTheCamerasPictureTimeToTheLivePicture)
{
    requireRtsp();
    // The camera sends each picture 600 ms after it took it.
    ASSERT_TRUE(server.startRtsp(port, 640, 360, 30, {}, 600));
    control.addNetworkCamera("Pole", rtspUrl(), false);
    QSignalSpy texts(&control, &CaptureControl::statusText);
    control.connectDevice(indexOf("Pole"));
    control.setPreview(true);
    ASSERT_TRUE(waitFor([&] { return texts.count() > 0 && control.liveLatencyMs() >= 0; }, 8000));
    waitFor([] { return false; }, 2500);
    const int latency = control.liveLatencyMs();
    EXPECT_GE(latency, 600);
    EXPECT_LT(latency, 1600);
    QString shown;
    for (const auto& t : texts)
        if (t[0].toString().startsWith("Pole: latency "))
            shown = t[0].toString();
    EXPECT_TRUE(shown.startsWith("Pole: latency ")) << shown.toStdString();
    const int shownMs = shown.mid(14).section(' ', 0, 0).toInt();
    EXPECT_GE(shownMs, 600) << shown.toStdString();
    std::printf("RTSP latency with a camera 600 ms late: %d ms\n", latency);
}

// A camera with a key frame only every 3 s: Start takes the pictures since the last one, so the
// file begins before Start at a picture that decodes, and nothing after Start is missed.
TEST_F(NetworkCameraTest, H264CameraRecordingBeginsAtTheKeyFrameBeforeStart)
{
    requireRtsp();
    ASSERT_TRUE(server.startRtsp(port, 640, 360, 30, {}, 0, 90));
    control.addNetworkCamera("Pole", rtspUrl(), true);
    control.setFrameRate(30);
    control.connectDevice(indexOf("Pole"));
    control.setVideoCompressorIndex([&] {
        for (int i = 0; i < control.videoCompressorCount(); ++i)
            if (control.videoCompressorName(i) == "libx264")
                return i;
        return -1;
    }());
    // Past the first key frame, and then Start well inside a group on each pass.
    QThread::msleep(3500);
    QCoreApplication::processEvents();
    int keptBeforeStart = 0;
    for (const int pass : {1, 2}) {
        SCOPED_TRACE(pass);
        const QString name = QString("pass%1.avi").arg(pass);
        record(name, 1);
        const int captured = control.framesCaptured();
        const int dropped = control.framesDropped();
        const int before = control.preTriggerFrames();
        keptBeforeStart += before;
        EXPECT_EQ(control.startFrame(), before);
        EXPECT_GE(before, 0);
        EXPECT_LE(before, 92) << "the file begins more than one key-frame group before Start";
        EXPECT_LE(dropped, 2);
        // The memory's pictures and the second after Start, none missed.
        EXPECT_NEAR(captured + dropped, before + 30, 2);
        const QList<QByteArray> recorded = videoPackets(dir.filePath(name));
        ASSERT_EQ(recorded.size(), captured);
        EXPECT_TRUE(holdsIdrSlice(recorded.value(0)));
        for (int i = 1; i < recorded.size(); ++i)
            EXPECT_FALSE(holdsIdrSlice(recorded[i]) && i % 90 != 0) << "frame " << i;
        const AviProbe avi = probeAvi(dir.filePath(name));
        ASSERT_TRUE(avi.ok) << avi.error.toStdString();
        EXPECT_EQ(avi.codec, "h264");
        EXPECT_EQ(avi.decodedFrames, captured + dropped);
        review::FrameReader reader;
        ASSERT_TRUE(reader.open(dir.filePath(name)));
        EXPECT_EQ(reader.frameCount(), captured + dropped);
        ASSERT_TRUE(reader.frame(0));
        for (qint64 n = 1; n < reader.frameCount(); ++n)
            ASSERT_TRUE(reader.next()) << "frame " << n;
        ASSERT_TRUE(reader.frame(before)) << "the picture of Start";
        QThread::msleep(1300); // the next pass starts elsewhere in a group
    }
    // Start fell inside a group on at least one pass: its pictures before Start are in.
    EXPECT_GT(keptBeforeStart, 0);
}
