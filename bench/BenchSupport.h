#pragma once
// What the video benchmarks share: the nearest-rank quantile of their timings, the 1080p
// test pass the ffmpeg program makes for them and the machine's load beside their figures.
#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace zelvan::bench
{

// Nearest rank: the smallest value with at least q of the values at or below it.
inline double quantile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto rank = size_t(std::max(1L, std::lround(std::ceil(q * double(v.size())))));
    return v[std::min(v.size(), rank) - 1];
}

// `frames` frames of FFmpeg's moving test picture, 1920x1080 at 60 fps, in the codec given.
inline bool makeTestPass(const QString& path, const QStringList& codec, int frames = 300)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("testsrc2=size=1920x1080:rate=60"),
                        QStringLiteral("-frames:v"), QString::number(frames)} +
                codec + QStringList{path});
    return p.waitForFinished(600000) && p.exitCode() == 0;
}

// The value after `--name` on the command line; `fallback` when it is not given.
inline QString optionValue(const QStringList& args, const QString& name, const QString& fallback)
{
    const qsizetype at = args.indexOf(name);
    return at > 0 && at + 1 < args.size() ? args[at + 1] : fallback;
}

// A program started and watched until it prints `probe`.
struct ProbeRun {
    double ms = -1;    // from start to the probe; negative when it never came
    QByteArray before; // everything printed before the probe
};

// Starts `p` and reads what it prints (its read channel) until `probe` appears, even split over
// two reads, or nothing comes for `quietMs`; then ends the program.
inline ProbeRun runUntilPrinted(QProcess& p, const QString& program, const QStringList& args,
                                const QByteArray& probe, int quietMs)
{
    ProbeRun out;
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    while (p.waitForReadyRead(quietMs)) {
        out.before += p.readAll();
        if (const auto at = out.before.indexOf(probe); at >= 0) {
            out.ms = double(clock.nsecsElapsed()) / 1e6;
            out.before.truncate(at);
            break;
        }
    }
    p.kill();
    p.waitForFinished(5000);
    return out;
}

// The machine is shared: figures are read beside its load average (1, 5 and 15 minutes) and
// the processors it is spread over. "unknown" where the system does not tell.
inline QString loadAverageText()
{
#ifdef Q_OS_UNIX
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        return QString::asprintf("%.2f %.2f %.2f (on %d processors)", load[0], load[1], load[2],
                                 QThread::idealThreadCount());
#endif
    return QStringLiteral("unknown");
}

} // namespace zelvan::bench
