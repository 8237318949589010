// bench_video: how fast the frame selection screen can step and jump through a 1080p pass,
// and how long taking the contact frame takes, beside the ffmpeg program doing the same.
//
//   bench_video [--video FILE.avi] [--seconds S]
//
// Without --video it records 1280x720 at 30 fps and 1920x1080 at 60 fps from the
// "Test Pattern" device (when the capture engine is built) and measures the 1080p file;
// otherwise it makes the 1080p file with the ffmpeg program. Prints one table.
#include "BenchSupport.h"
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

struct Options {
    QString video; // empty: record the test files first
    double seconds = 5;
};

Options parseOptions(const QStringList& args)
{
    Options o;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--video"))
            o.video = args[i + 1];
        else if (args[i] == QLatin1String("--seconds"))
            o.seconds = args[i + 1].toDouble();
    }
    return o;
}

// Records the 720p and 1080p passes into `dir` (one table row each) and returns the 1080p
// file; made with the ffmpeg program when recording fails. Empty when neither worked.
QString makeTestFile(double seconds, const QTemporaryDir& dir, std::vector<Row>& rows)
{
    QString video = dir.filePath(QStringLiteral("pass1080.avi"));
    Row r720;
    record(dir.filePath(QStringLiteral("pass720.avi")), QStringLiteral("1280x720"), 30, seconds,
           r720);
    r720.ffmpeg = encodeLikeFfmpeg(QStringLiteral("1280x720"), 30, seconds, dir);
    rows.push_back(r720);
    Row r1080;
    const bool recorded = record(video, QStringLiteral("1920x1080"), 60, seconds, r1080);
    r1080.ffmpeg = encodeLikeFfmpeg(QStringLiteral("1920x1080"), 60, seconds, dir);
    rows.push_back(r1080);
    if (recorded)
        return video;
    const double made =
        timeFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                    QStringLiteral("testsrc2=size=1920x1080:rate=60"), QStringLiteral("-frames:v"),
                    QString::number(qRound(60 * seconds)), QStringLiteral("-c:v"),
                    QStringLiteral("mjpeg"), QStringLiteral("-q:v"), QStringLiteral("3"),
                    QStringLiteral("-pix_fmt"), QStringLiteral("yuvj420p"), video});
    return made < 0 ? QString() : video;
}

// Wall and processor times of each kind of reader work.
struct Timings {
    std::vector<double> walls;
    std::vector<double> cpus;
    QString text() const { return wallAndCpu(walls, cpus); }
};

struct ReaderTimings {
    Timings next, previous, seek, grab;
    std::vector<qint64> targets; // the random frames sought
};

ReaderTimings timeReader(FrameReader& reader, const QString& video, const QTemporaryDir& dir)
{
    ReaderTimings t;
    const qint64 count = reader.frameCount();
    QRandomGenerator rng(2024);
    Stopwatch sw;
    // Next frame: stepping forward from the start.
    (void)reader.frame(0);
    for (qint64 i = 1; i < qMin<qint64>(count, 150); ++i) {
        sw.start();
        if (!reader.next())
            break;
        sw.stop(t.next.walls, t.next.cpus);
    }
    // Previous frame: stepping back.
    for (int i = 0; i < 40 && reader.current() > 0; ++i) {
        sw.start();
        (void)reader.previous();
        sw.stop(t.previous.walls, t.previous.cpus);
    }
    // Random seek.
    t.targets.reserve(60);
    for (int i = 0; i < 60; ++i)
        t.targets.push_back(qint64(rng.bounded(quint32(count))));
    for (qint64 n : t.targets) {
        sw.start();
        (void)reader.frame(n);
        sw.stop(t.seek.walls, t.seek.cpus);
    }
    // Frame grab: open the file, decode frame n, write currentcapture.bmp.
    for (int i = 0; i < 7; ++i) {
        sw.start();
        (void)grabVideoFrame(video, t.targets[size_t(i)], dir.path());
        sw.stop(t.grab.walls, t.grab.cpus);
    }
    return t;
}

// The ffmpeg program on the same file: one frame out by input seeking, to a BMP and to raw
// pixels, and the whole file decoded to 24-bit pixels.
struct FfmpegTimings {
    std::vector<double> grab;
    std::vector<double> seek;
    double all = 0;
};

FfmpegTimings timeFfmpegOn(const QString& video, const std::vector<qint64>& targets, double rate,
                           const QTemporaryDir& dir)
{
    FfmpegTimings t;
    for (int i = 0; i < 5; ++i) {
        const QString at = QString::number(double(targets[size_t(i)]) / rate, 'f', 4);
        t.grab.push_back(timeFfmpeg({QStringLiteral("-ss"), at, QStringLiteral("-i"), video,
                                     QStringLiteral("-frames:v"), QStringLiteral("1"),
                                     dir.filePath(QStringLiteral("ff.bmp"))}));
        t.seek.push_back(timeFfmpeg(
            {QStringLiteral("-ss"), at, QStringLiteral("-i"), video, QStringLiteral("-frames:v"),
             QStringLiteral("1"), QStringLiteral("-pix_fmt"), QStringLiteral("bgr24"),
             QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")}));
    }
    t.all = timeFfmpeg({QStringLiteral("-i"), video, QStringLiteral("-pix_fmt"),
                        QStringLiteral("bgr24"), QStringLiteral("-f"), QStringLiteral("null"),
                        QStringLiteral("-")});
    return t;
}

void addReaderRows(std::vector<Row>& rows, const FrameReader& reader, double openMs,
                   const ReaderTimings& z, const FfmpegTimings& ff)
{
    const QSize size = reader.size();
    const qint64 count = reader.frameCount();
    rows.push_back({QStringLiteral("open and index (%1x%2, %3 frames)")
                        .arg(size.width())
                        .arg(size.height())
                        .arg(count),
                    ms(openMs), QStringLiteral("-")});
    rows.push_back({QStringLiteral("frame grab to BMP (median)"), z.grab.text(),
                    ms(median(ff.grab)) + QStringLiteral(" (-ss, 1 frame to .bmp)")});
    rows.push_back({QStringLiteral("next frame (median)"), z.next.text(),
                    ms(ff.all / double(count)) + QStringLiteral(" (whole-file decode / frames)")});
    rows.push_back(
        {QStringLiteral("previous frame (median)"), z.previous.text(), QStringLiteral("-")});
    rows.push_back({QStringLiteral("random seek (median)"), z.seek.text(),
                    ms(median(ff.seek)) + QStringLiteral(" (-ss, 1 frame, new process)")});
}

void printTable(const QString& video, const QString& codec, const std::vector<Row>& rows)
{
    std::printf("file: %s (%s)\n\n", qPrintable(QFileInfo(video).fileName()), qPrintable(codec));
    std::printf("| %-44s | %-40s | %-52s |\n", "work", "zelvan (in-process)", "ffmpeg program");
    std::printf("|%s|%s|%s|\n", QByteArray(46, '-').constData(), QByteArray(42, '-').constData(),
                QByteArray(54, '-').constData());
    for (const Row& r : rows)
        std::printf("| %-44s | %-40s | %-52s |\n", qPrintable(r.what), qPrintable(r.zelvan),
                    qPrintable(r.ffmpeg.isEmpty() ? QStringLiteral("-") : r.ffmpeg));
    std::printf("\nload average during the run: %s\n", qPrintable(bench::loadAverageText()));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Options options = parseOptions(app.arguments());
    QTemporaryDir dir;
    std::vector<Row> rows;
    QString video = options.video;
    if (video.isEmpty()) {
        video = makeTestFile(options.seconds, dir, rows);
        if (video.isEmpty()) {
            std::fprintf(stderr, "cannot make the 1080p test file with ffmpeg\n");
            return 1;
        }
    }

    FrameReader reader;
    QElapsedTimer t;
    t.start();
    const Status opened = reader.open(video);
    const double openMs = double(t.nsecsElapsed()) / 1e6;
    if (!opened) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(video), qPrintable(opened.error()));
        return 1;
    }
    const double rate = reader.frameRate() > 0 ? reader.frameRate() : 30;
    const ReaderTimings zelvanTimes = timeReader(reader, video, dir);
    const FfmpegTimings ffmpegTimes = timeFfmpegOn(video, zelvanTimes.targets, rate, dir);
    addReaderRows(rows, reader, openMs, zelvanTimes, ffmpegTimes);
    printTable(video, reader.codecName(), rows);
    return 0;
}
