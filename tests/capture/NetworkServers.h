#pragma once
// Network cameras on the loopback address for the tests: GStreamer's RTSP server (H.264) and
// the ffmpeg program serving multipart JPEG over HTTP. Each is started by the test and killed
// when it goes out of scope.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zelvan::test
{

// Binds a TCP (or UDP) socket to the loopback `port` (0: any free one); the port it got, or 0
// when the port is taken.
inline quint16 bindLoopback(quint16 port, int type = SOCK_STREAM)
{
    const int fd = ::socket(AF_INET, type, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    socklen_t len = sizeof a;
    quint16 got = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        got = ntohs(a.sin_port);
    ::close(fd);
    return got;
}

inline quint16 freePort()
{
    return bindLoopback(0);
}

// Why the RTSP server cannot run here, or empty.
inline QString rtspServerMissing()
{
    if (!QFile::exists("/usr/bin/python3"))
        return "Debian's python3 is not installed";
    QProcess check;
    check.start("/usr/bin/python3",
                {"-c", "import gi; gi.require_version('GstRtspServer', '1.0'); "
                       "from gi.repository import GstRtspServer, Gst; Gst.init(None); "
                       "assert Gst.ElementFactory.find('x264enc')"});
    check.waitForFinished(20000);
    if (check.exitStatus() != QProcess::NormalExit || check.exitCode() != 0)
        return "the GStreamer RTSP server packages (python3-gi, gir1.2-gst-rtsp-server-1.0, "
               "gstreamer1.0-plugins-ugly) are not installed";
    return {};
}

class CameraServer
{
public:
    ~CameraServer() { stop(); }
    // H.264 at rtsp://127.0.0.1:PORT/cam; waits until it listens.
    // With `file` (MP4 of H.264): that file's pictures as they are, each client from its start;
    // with `delayMs`, each picture sent that long after it was taken.
    // With `keyInterval`, a key frame every that many pictures (else one a second).
    bool startRtsp(quint16 port, int width, int height, int fps, const QString& file = {},
                   int delayMs = 0, int keyInterval = 0)
    {
        const QString script =
            qEnvironmentVariable("ZELVAN_SOURCE_DIR") + "/tests/capture/servers/rtsp_camera.py";
        QStringList arguments{script, QString::number(port), QString::number(width),
                              QString::number(height), QString::number(fps)};
        if (!file.isEmpty())
            arguments << "file=" + file;
        if (delayMs > 0)
            arguments << QString("delay=%1").arg(delayMs);
        if (keyInterval > 0)
            arguments << QString("keyint=%1").arg(keyInterval);
        process.start("/usr/bin/python3", arguments);
        if (!process.waitForReadyRead(15000))
            return false;
        return process.readAll().contains("ready");
    }
    // Multipart JPEG at http://127.0.0.1:PORT, sent in real time; the server takes one client.
    bool startHttpMjpeg(quint16 port, int width, int height, int fps)
    {
        return startListening(
            port, {"-v", "error", "-re", "-f", "lavfi", "-i",
                   QString("testsrc=size=%1x%2:rate=%3").arg(width).arg(height).arg(fps), "-c:v",
                   "mjpeg", "-q:v", "5", "-f", "mpjpeg", "-listen", "1",
                   QString("http://127.0.0.1:%1").arg(port)});
    }

    // MPEG-TS (H.264 320x240 at 25 a second, a key frame each second) in real time: sent to
    // udp://127.0.0.1:PORT, or served by an SRT listener at srt://127.0.0.1:PORT.
    bool startUdpMpegTs(quint16 port)
    {
        return startTs(QString("udp://127.0.0.1:%1?pkt_size=1316").arg(port)) && waitStarted();
    }
    bool startSrtListener(quint16 port)
    {
        return startTs(QString("srt://127.0.0.1:%1?mode=listener").arg(port)) &&
               waitBound(port, SOCK_DGRAM);
    }

    // As startHttpMjpeg, sending only every `keep`-th picture after `seconds`: a camera whose
    // rate falls.
    bool startHttpMjpegFalling(quint16 port, int fps, double seconds, int keep)
    {
        return startListening(
            port, {"-v",
                   "error",
                   "-re",
                   "-f",
                   "lavfi",
                   "-i",
                   QString("testsrc=size=320x240:rate=%1").arg(fps),
                   "-vf",
                   QString("select='lt(t\\,%1)+not(mod(n\\,%2))'").arg(seconds).arg(keep),
                   "-fps_mode",
                   "passthrough",
                   "-c:v",
                   "mjpeg",
                   "-q:v",
                   "5",
                   "-f",
                   "mpjpeg",
                   "-listen",
                   "1",
                   QString("http://127.0.0.1:%1").arg(port)});
    }

    // The pictures of `file` (MJPEG), looped, sent as they are (no compressing again) as
    // multipart JPEG at http://127.0.0.1:PORT in real time.
    bool startHttpMjpegFile(quint16 port, const QString& file)
    {
        return startListening(port, {"-v", "error", "-re", "-stream_loop", "-1", "-i", file, "-c:v",
                                     "copy", "-f", "mpjpeg", "-listen", "1",
                                     QString("http://127.0.0.1:%1").arg(port)});
    }
    void stop()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

private:
    bool startTs(const QString& target)
    {
        process.start(QStandardPaths::findExecutable("ffmpeg"), {"-v",
                                                                 "error",
                                                                 "-re",
                                                                 "-f",
                                                                 "lavfi",
                                                                 "-i",
                                                                 "testsrc=size=320x240:rate=25",
                                                                 "-c:v",
                                                                 "libx264",
                                                                 "-preset",
                                                                 "ultrafast",
                                                                 "-tune",
                                                                 "zerolatency",
                                                                 "-g",
                                                                 "25",
                                                                 "-pix_fmt",
                                                                 "yuv420p",
                                                                 "-f",
                                                                 "mpegts",
                                                                 target});
        return true;
    }
    bool waitStarted() { return process.waitForStarted(5000); }
    // Starts the ffmpeg program with `arguments` and waits until it listens on `port`.
    bool startListening(quint16 port, const QStringList& arguments)
    {
        process.start(QStandardPaths::findExecutable("ffmpeg"), arguments);
        return waitBound(port, SOCK_STREAM);
    }
    // ffmpeg says nothing when it listens: wait until it holds the port.
    bool waitBound(quint16 port, int type)
    {
        if (!process.waitForStarted(5000))
            return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 8000) {
            if (bindLoopback(port, type) == 0)
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    QProcess process;
};

// Runs the event loop until `done` holds or `ms` have passed.
template <class Done> bool waitFor(Done done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace zelvan::test
