#pragma once
// What the video benchmarks share: the nearest-rank quantile of their timings and the 1080p
// test pass the ffmpeg program makes for them.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
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

} // namespace zelvan::bench
