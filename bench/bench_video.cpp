// bench_video: how fast the frame selection screen can step and jump through a 1080p pass,
// and how long taking the contact frame takes, beside the ffmpeg program doing the same.
//
//   bench_video [--video FILE.avi] [--seconds S]
//
// Without --video it records 1280x720 at 30 fps and 1920x1080 at 60 fps from the
// "Test Pattern" device (when the capture engine is built) and measures the 1080p file;
// otherwise it makes the 1080p file with the ffmpeg program. Prints one table.
#include "ScriptedDialogs.h"
#include "review/FrameGrab.h"
#include "review/FrameReader.h"

#include "capture/CaptureControl.h"
#include "capture/FfmpegCaptureControl.h"
#include <QEventLoop>
#include <QTimer>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace zelvan;
using namespace zelvan::review;

namespace
{

struct Row {
    QString what;
    QString zelvan;
    QString ffmpeg;
};

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

QString ms(double v)
{
    return QString::number(v, 'f', v < 10 ? 2 : 1) + QStringLiteral(" ms");
}

// Wall and processor time of one piece of work, so that a busy machine shows as such.
struct Stopwatch {
    QElapsedTimer wall;
    double cpuStart = 0;
    static double cpuMs()
    {
#ifdef Q_OS_UNIX
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
#else
        return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
#endif
    }
    void start()
    {
        cpuStart = cpuMs();
        wall.restart();
    }
    void stop(std::vector<double>& walls, std::vector<double>& cpus) const
    {
        walls.push_back(double(wall.nsecsElapsed()) / 1e6);
        cpus.push_back(cpuMs() - cpuStart);
    }
};

QString wallAndCpu(const std::vector<double>& walls, const std::vector<double>& cpus)
{
    return ms(median(walls)) + QStringLiteral(" (cpu ") + ms(median(cpus)) + QStringLiteral(")");
}

// Wall time of one run of the ffmpeg program, in ms; negative when it failed.
double timeFfmpeg(const QStringList& args)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("ffmpeg"),
            QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                        QStringLiteral("error"), QStringLiteral("-nostdin"), QStringLiteral("-y")} +
                args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return -1;
    return double(t.nsecsElapsed()) / 1e6;
}

// The ffmpeg program encoding the same number of test-card frames to MJPEG AVI, as fast as it
// can (not paced by a clock): tells how much headroom real-time recording has.
QString encodeLikeFfmpeg(const QString& size, double fps, double seconds, const QTemporaryDir& dir)
{
    const int frames = qRound(fps * seconds);
    const double took = timeFfmpeg(
        {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
         QStringLiteral("testsrc2=size=%1:rate=%2").arg(size).arg(fps), QStringLiteral("-frames:v"),
         QString::number(frames), QStringLiteral("-c:v"), QStringLiteral("mjpeg"),
         QStringLiteral("-q:v"), QStringLiteral("3"), QStringLiteral("-pix_fmt"),
         QStringLiteral("yuvj420p"), dir.filePath(QStringLiteral("ffmpeg-encode.avi"))});
    if (took < 0)
        return QStringLiteral("failed");
    return QStringLiteral("%1 frames encoded in %2 s (%3x real time)")
        .arg(frames)
        .arg(took / 1000, 0, 'f', 1)
        .arg(seconds * 1000 / took, 0, 'f', 2);
}

// Records from "Test Pattern" like `zelvan-tool record`; fills a table row.
bool record(const QString& path, const QString& size, double fps, double seconds, Row& row)
{
    using namespace zelvan::capture;
    row.what = QStringLiteral("record %1 @ %2 fps, %3 s").arg(size).arg(fps).arg(seconds);
    try {
        FfmpegCaptureControl control;
        int device = -1;
        for (int i = 0; i < control.videoDeviceCount(); ++i)
            if (control.videoDeviceName(i) == QLatin1String("Test Pattern"))
                device = i;
        if (device < 0) {
            row.zelvan = QStringLiteral("no Test Pattern device");
            return false;
        }
        control.setVideoDeviceIndex(device);
        for (int i = 0; i < control.resolutionCount(); ++i)
            if (control.resolutionName(i) == size)
                control.setResolutionIndex(i);
        control.setFrameRate(fps);
        control.setTimeLimit(seconds);
        control.setCaptureFileName(path);
        QEventLoop loop;
        QObject::connect(&control, &CaptureControl::captureFinished, &loop, &QEventLoop::quit);
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &control, &CaptureControl::stopCapture);
        control.connectDevice(device);
        control.startCapture();
        guard.start(int(seconds * 1000) + 15000);
        loop.exec();
        control.disconnectDevice();
        row.zelvan = QStringLiteral("%1 captured, %2 dropped (%3 expected)")
                         .arg(control.framesCaptured())
                         .arg(control.framesDropped())
                         .arg(qRound(fps * seconds));
        return QFileInfo::exists(path);
    } catch (const CaptureError& e) {
        row.zelvan = QStringLiteral("failed: ") + e.description;
        return false;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString video;
    double seconds = 5;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--video"))
            video = args[i + 1];
        else if (args[i] == QLatin1String("--seconds"))
            seconds = args[i + 1].toDouble();
    }
    QTemporaryDir dir;
    std::vector<Row> rows;

    if (video.isEmpty()) {
        video = dir.filePath(QStringLiteral("pass1080.avi"));
        bool recorded = false;
        Row r720;
        record(dir.filePath(QStringLiteral("pass720.avi")), QStringLiteral("1280x720"), 30, seconds,
               r720);
        r720.ffmpeg = encodeLikeFfmpeg(QStringLiteral("1280x720"), 30, seconds, dir);
        rows.push_back(r720);
        Row r1080;
        recorded = record(video, QStringLiteral("1920x1080"), 60, seconds, r1080);
        r1080.ffmpeg = encodeLikeFfmpeg(QStringLiteral("1920x1080"), 60, seconds, dir);
        rows.push_back(r1080);
        if (!recorded) {
            const double made = timeFfmpeg(
                {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                 QStringLiteral("testsrc2=size=1920x1080:rate=60"), QStringLiteral("-frames:v"),
                 QString::number(qRound(60 * seconds)), QStringLiteral("-c:v"),
                 QStringLiteral("mjpeg"), QStringLiteral("-q:v"), QStringLiteral("3"),
                 QStringLiteral("-pix_fmt"), QStringLiteral("yuvj420p"), video});
            if (made < 0) {
                std::fprintf(stderr, "cannot make the 1080p test file with ffmpeg\n");
                return 1;
            }
        }
    }

    FrameReader reader;
    QElapsedTimer t;
    t.start();
    const QString failure = reader.open(video);
    const double openMs = double(t.nsecsElapsed()) / 1e6;
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(video), qPrintable(failure));
        return 1;
    }
    const qint64 count = reader.frameCount();
    const double rate = reader.frameRate() > 0 ? reader.frameRate() : 30;
    QRandomGenerator rng(2024);

    Stopwatch sw;
    // Next frame: stepping forward from the start.
    reader.frame(0);
    std::vector<double> nextTimes, nextCpu;
    for (qint64 i = 1; i < qMin<qint64>(count, 150); ++i) {
        sw.start();
        if (reader.next().isNull())
            break;
        sw.stop(nextTimes, nextCpu);
    }
    // Previous frame: stepping back.
    std::vector<double> previousTimes, previousCpu;
    for (int i = 0; i < 40 && reader.current() > 0; ++i) {
        sw.start();
        reader.previous();
        sw.stop(previousTimes, previousCpu);
    }
    // Random seek.
    std::vector<double> seekTimes, seekCpu;
    std::vector<qint64> targets;
    for (int i = 0; i < 60; ++i)
        targets.push_back(qint64(rng.bounded(quint32(count))));
    for (qint64 n : targets) {
        sw.start();
        reader.frame(n);
        sw.stop(seekTimes, seekCpu);
    }
    // Frame grab: open the file, decode frame n, write currentcapture.bmp.
    ScriptedDialogs dialogs;
    std::vector<double> grabTimes, grabCpu;
    for (int i = 0; i < 7; ++i) {
        sw.start();
        grabVideoFrame(video, targets[size_t(i)], dir.path(), dialogs);
        sw.stop(grabTimes, grabCpu);
    }

    // The ffmpeg program on the same file: one frame out by input seeking, to a BMP and to
    // raw pixels, and the per-frame cost of decoding the whole file to 24-bit pixels.
    std::vector<double> ffGrab;
    std::vector<double> ffSeek;
    for (int i = 0; i < 5; ++i) {
        const QString at = QString::number(double(targets[size_t(i)]) / rate, 'f', 4);
        ffGrab.push_back(timeFfmpeg({QStringLiteral("-ss"), at, QStringLiteral("-i"), video,
                                     QStringLiteral("-frames:v"), QStringLiteral("1"),
                                     dir.filePath(QStringLiteral("ff.bmp"))}));
        ffSeek.push_back(timeFfmpeg(
            {QStringLiteral("-ss"), at, QStringLiteral("-i"), video, QStringLiteral("-frames:v"),
             QStringLiteral("1"), QStringLiteral("-pix_fmt"), QStringLiteral("bgr24"),
             QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")}));
    }
    const double ffAll = timeFfmpeg({QStringLiteral("-i"), video, QStringLiteral("-pix_fmt"),
                                     QStringLiteral("bgr24"), QStringLiteral("-f"),
                                     QStringLiteral("null"), QStringLiteral("-")});

    const QSize size = reader.size();
    rows.push_back({QStringLiteral("open and index (%1x%2, %3 frames)")
                        .arg(size.width())
                        .arg(size.height())
                        .arg(count),
                    ms(openMs), QStringLiteral("-")});
    rows.push_back({QStringLiteral("frame grab to BMP (median)"), wallAndCpu(grabTimes, grabCpu),
                    ms(median(ffGrab)) + QStringLiteral(" (-ss, 1 frame to .bmp)")});
    rows.push_back({QStringLiteral("next frame (median)"), wallAndCpu(nextTimes, nextCpu),
                    ms(ffAll / double(count)) + QStringLiteral(" (whole-file decode / frames)")});
    rows.push_back({QStringLiteral("previous frame (median)"),
                    wallAndCpu(previousTimes, previousCpu), QStringLiteral("-")});
    rows.push_back({QStringLiteral("random seek (median)"), wallAndCpu(seekTimes, seekCpu),
                    ms(median(ffSeek)) + QStringLiteral(" (-ss, 1 frame, new process)")});

    std::printf("file: %s (%s)\n\n", qPrintable(QFileInfo(video).fileName()),
                qPrintable(reader.codecName()));
    std::printf("| %-44s | %-40s | %-52s |\n", "work", "zelvan (in-process)", "ffmpeg program");
    std::printf("|%s|%s|%s|\n", QByteArray(46, '-').constData(), QByteArray(42, '-').constData(),
                QByteArray(54, '-').constData());
    for (const Row& r : rows)
        std::printf("| %-44s | %-40s | %-52s |\n", qPrintable(r.what), qPrintable(r.zelvan),
                    qPrintable(r.ffmpeg.isEmpty() ? QStringLiteral("-") : r.ffmpeg));
#ifdef Q_OS_UNIX
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) > 0)
        std::printf("\nload average during the run: %.2f (on %d processors)\n", load[0],
                    QThread::idealThreadCount());
#endif
    return 0;
}
