// bench_reader: how fast the frame reader opens a 1080p pass and steps and jumps through it,
// on MJPEG (the station's own recordings) and long-GOP H.264 with B frames (a phone's MP4,
// another station's AVI), made with the ffmpeg program.
//
//   bench_reader [--frames N]
//   bench_reader --file PATH...   the same figures for files already made (no ffmpeg runs)
//
// For each file: open to the first picture; then, from 2 s after opening (the decoding
// thread has filled its window by then), next, previous, random seek and back-and-forth
// around a landing; and the slowest seek made straight after opening, before the window is
// filled. Prints median and 95th percentile of each, in milliseconds.
#include "BenchSupport.h"

#include "review/FrameReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace zelvan;
using namespace zelvan::review;

using zelvan::bench::makeTestPass;
using zelvan::bench::quantile;

namespace
{

struct Figures {
    std::vector<double> open, next, previous, seek, backAndForth, coldSeek, secondGroup,
        seekWhenFull;
    double ffmpegGroupMs = 0; // the ffmpeg program decoding the first 250 frames
    qint64 keptMiB = 0;
    qint64 keptAtTwoSeconds = 0; // pictures in the window when the warm figures start
    int slowSeeks = 0;           // random seeks from 2 s on that took 50 ms or more
    double windowFullMs = -1;    // when the window first held the whole video
    bool exactOrder = true;
};

// What one group of pictures of the long-GOP files (250 frames) takes the ffmpeg program
// to decode: the yardstick for a seek made before the window is filled.
double ffmpegDecodesAGroup(const QString& path)
{
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
             QStringLiteral("-frames:v"), QStringLiteral("250"), QStringLiteral("-f"),
             QStringLiteral("null"), QStringLiteral("-")});
    p.waitForFinished(600000);
    return double(clock.nsecsElapsed()) / 1e6;
}

// Times one call of `step` on `reader`, in milliseconds; a failed step counts as a fault.
template <class Step> double timed(Figures& f, Step step)
{
    QElapsedTimer clock;
    clock.start();
    const Result<QImage> got = step();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (!got)
        f.exactOrder = false;
    return ms;
}

void timeOpening(const QString& path, Figures& f)
{
    for (int i = 0; i < 5; ++i) {
        FrameReader reader;
        QElapsedTimer clock;
        clock.start();
        if (!reader.open(path) || !reader.frame(0)) {
            f.exactOrder = false;
            return;
        }
        f.open.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
}

// Straight after opening, a frame 40 from the end: in the second group of pictures of a
// 300-frame file with a key frame every 250, it must be decoded from that group's key frame.
void timeSecondGroup(const QString& path, Figures& f)
{
    for (int i = 0; i < 3; ++i) {
        FrameReader reader;
        if (!reader.open(path)) {
            f.exactOrder = false;
            return;
        }
        const qint64 n = reader.frameCount() - 40;
        f.secondGroup.push_back(timed(f, [&] { return reader.frame(n); }));
    }
}

void timeColdSeeks(FrameReader& reader, Figures& f)
{
    QRandomGenerator rng(1);
    for (int i = 0; i < 4; ++i) {
        const qint64 n = qint64(rng.bounded(quint32(reader.frameCount())));
        f.coldSeek.push_back(timed(f, [&] { return reader.frame(n); }));
    }
}

void timeWarm(FrameReader& reader, Figures& f)
{
    const qint64 count = reader.frameCount();
    (void)reader.frame(count / 3);
    for (int i = 0; i < 60 && reader.current() + 1 < count; ++i)
        f.next.push_back(timed(f, [&] { return reader.next(); }));
    for (int i = 0; i < 60 && reader.current() > 0; ++i)
        f.previous.push_back(timed(f, [&] { return reader.previous(); }));
    QRandomGenerator rng(2);
    for (int i = 0; i < 60; ++i) {
        const qint64 n = qint64(rng.bounded(quint32(count)));
        f.seek.push_back(timed(f, [&] { return reader.frame(n); }));
        f.slowSeeks += f.seek.back() >= 50 ? 1 : 0;
    }
    const int steps[] = {+1, +1, -1, -1, -1, +1, -1, -1, +1, +1, +1, +1};
    for (const qint64 centre : {count / 2, count / 5, count - 20, qint64(20)}) {
        f.backAndForth.push_back(timed(f, [&] { return reader.frame(centre); }));
        for (const int step : steps)
            f.backAndForth.push_back(
                timed(f, [&] { return step > 0 ? reader.next() : reader.previous(); }));
    }
    f.keptMiB = reader.keptBytes() >> 20;
}

Figures measure(const QString& path, bool withFfmpeg)
{
    Figures f;
    timeOpening(path, f);
    FrameReader reader;
    QElapsedTimer sinceOpen;
    sinceOpen.start();
    if (!reader.open(path)) {
        f.exactOrder = false;
        return f;
    }
    timeColdSeeks(reader, f);
    const qint64 wait = 2000 - sinceOpen.elapsed();
    if (wait > 0)
        QThread::msleep(quint64(wait));
    f.keptAtTwoSeconds = reader.keptPictures();
    timeWarm(reader, f);
    // A reader left alone fills its window with the whole video when it fits.
    FrameReader alone;
    QElapsedTimer filling;
    filling.start();
    if (alone.open(path) && alone.frame(0)) {
        while (alone.keptPictures() < alone.frameCount() && filling.elapsed() < 20000)
            QThread::msleep(5);
        if (alone.keptPictures() == alone.frameCount()) {
            f.windowFullMs = double(filling.elapsed());
            QRandomGenerator rng(4);
            for (int i = 0; i < 60; ++i) {
                const qint64 n = qint64(rng.bounded(quint32(alone.frameCount())));
                f.seekWhenFull.push_back(timed(f, [&] { return alone.frame(n); }));
            }
        }
    }
    timeSecondGroup(path, f);
    if (withFfmpeg)
        f.ffmpegGroupMs = ffmpegDecodesAGroup(path);
    return f;
}

void printRow(const char* what, const std::vector<double>& v)
{
    std::printf("  %-28s median %8.2f ms   p95 %8.2f ms   (%zu)\n", what, quantile(v, 0.5),
                quantile(v, 0.95), v.size());
}

void print(const char* name, const Figures& f)
{
    std::printf("%s\n", name);
    printRow("open to the first picture", f.open);
    printRow("seek straight after opening", f.coldSeek);
    printRow("next", f.next);
    printRow("previous", f.previous);
    printRow("random seek", f.seek);
    printRow("back-and-forth", f.backAndForth);
    printRow("frame count-40 after opening", f.secondGroup);
    printRow("random seek, window full", f.seekWhenFull);
    std::printf("  ffmpeg program decoding 250 frames: %.0f ms\n", f.ffmpegGroupMs);
    std::printf("  in the window at 2 s: %lld pictures; random seeks of 50 ms or more: %d\n",
                static_cast<long long>(f.keptAtTwoSeconds), f.slowSeeks);
    std::printf("  kept in the window: %lld MiB; whole video in the window after %s%s\n\n",
                static_cast<long long>(f.keptMiB),
                f.windowFullMs < 0 ? "(never: kept short, or too big)"
                                   : qPrintable(QString::number(f.windowFullMs) + " ms"),
                f.exactOrder ? "" : "   SOME STEPS FAILED");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int frames =
        zelvan::bench::optionValue(args, QStringLiteral("--frames"), QStringLiteral("300")).toInt();
    const int given = int(args.indexOf(QStringLiteral("--file")));
    if (given > 0) {
        for (const QString& path : args.mid(given + 1)) {
            std::printf("load average %s\n", qPrintable(zelvan::bench::loadAverageText()));
            print(qPrintable(path), measure(path, false));
        }
        return 0;
    }
    QTemporaryDir dir;
    const QStringList mjpeg{QStringLiteral("-c:v"),     QStringLiteral("mjpeg"),
                            QStringLiteral("-q:v"),     QStringLiteral("3"),
                            QStringLiteral("-pix_fmt"), QStringLiteral("yuvj420p")};
    const QStringList h264{QStringLiteral("-c:v"),     QStringLiteral("libx264"),
                           QStringLiteral("-g"),       QStringLiteral("250"),
                           QStringLiteral("-bf"),      QStringLiteral("3"),
                           QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")};
    const struct {
        const char* name;
        QStringList codec;
    } files[] = {{"mjpeg.avi", mjpeg}, {"h264.avi", h264}, {"h264.mp4", h264}};
    std::printf("1920x1080, %d frames\n\n", frames);
    for (const auto& file : files) {
        const QString path = dir.filePath(QString::fromLatin1(file.name));
        if (!makeTestPass(path, file.codec, frames)) {
            std::fprintf(stderr, "cannot make %s with ffmpeg\n", file.name);
            return 1;
        }
        std::printf("load average %s\n", qPrintable(zelvan::bench::loadAverageText()));
        print(file.name, measure(path, true));
    }
    return 0;
}
