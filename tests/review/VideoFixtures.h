#pragma once
// Small test videos made by the ffmpeg program, and FFmpeg's own decode of a frame to compare
// against.
#include <QByteArray>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace zelvan::test
{

// Runs the ffmpeg program quietly; true when it succeeded.
inline bool runFfmpeg(const QStringList& args, QByteArray* out = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                        QStringLiteral("error"), QStringLiteral("-nostdin"), QStringLiteral("-y")} +
                args);
    if (!p.waitForFinished(120000))
        return false;
    if (out)
        *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A moving test card of `frames` frames at the given size and rate, encoded with `codec`
// ("mjpeg" or "libx264") into `path` (the extension picks the container).
inline bool makeVideo(const QString& path, int width, int height, const QString& rate, int frames,
                      const QString& codec, const QStringList& extra = {})
{
    QStringList args{QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     QStringLiteral("testsrc2=size=%1x%2:rate=%3").arg(width).arg(height).arg(rate),
                     QStringLiteral("-frames:v"),
                     QString::number(frames),
                     QStringLiteral("-c:v"),
                     codec};
    if (codec == QLatin1String("mjpeg"))
        args << QStringLiteral("-q:v") << QStringLiteral("3") << QStringLiteral("-pix_fmt")
             << QStringLiteral("yuvj420p");
    else
        args << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
    args << extra << path;
    return runFfmpeg(args);
}

// How many frames FFmpeg's decoder gives for the file's first video stream; -1 on failure.
inline qint64 ffprobeDecodedFrames(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
             QStringLiteral("-select_streams"), QStringLiteral("v:0"),
             QStringLiteral("-show_entries"), QStringLiteral("stream=nb_read_frames"),
             QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return -1;
    // A transport stream lists its streams again under its programs, and a stream's side
    // data (a rotation) follows on lines of its own: the first line is the stream's.
    bool ok = false;
    const qint64 n =
        p.readAllStandardOutput().trimmed().split('\n').first().split(',').first().toLongLong(&ok);
    return ok ? n : -1;
}

// Frame n as FFmpeg decodes it, as rows of packed BGR (no padding); empty on failure.
inline QByteArray ffmpegFrameBgr(const QString& path, qint64 n)
{
    QByteArray raw;
    if (!runFfmpeg({QStringLiteral("-i"), path, QStringLiteral("-vf"),
                    QStringLiteral("select=eq(n\\,%1)").arg(n), QStringLiteral("-vframes"),
                    QStringLiteral("1"), QStringLiteral("-pix_fmt"), QStringLiteral("bgr24"),
                    QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-")},
                   &raw))
        return QByteArray();
    return raw;
}

// Several frames in one run of the ffmpeg program: frame number -> packed BGR rows of a
// width x height picture. Frames it did not give are missing from the map.
inline QMap<qint64, QByteArray> ffmpegFramesBgr(const QString& path, QList<qint64> frames,
                                                int width, int height)
{
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    QStringList terms;
    for (qint64 n : frames)
        terms << QStringLiteral("eq(n\\,%1)").arg(n);
    QByteArray raw;
    QMap<qint64, QByteArray> out;
    if (!runFfmpeg({QStringLiteral("-i"), path, QStringLiteral("-vf"),
                    QStringLiteral("select=%1").arg(terms.join(QLatin1Char('+'))),
                    QStringLiteral("-fps_mode"), QStringLiteral("passthrough"),
                    QStringLiteral("-pix_fmt"), QStringLiteral("bgr24"), QStringLiteral("-f"),
                    QStringLiteral("rawvideo"), QStringLiteral("-")},
                   &raw))
        return out;
    const qsizetype frameBytes = qsizetype(width) * height * 3;
    for (int i = 0; i < frames.size() && (i + 1) * frameBytes <= raw.size(); ++i)
        out.insert(frames[i], raw.mid(i * frameBytes, frameBytes));
    return out;
}

// Largest difference of any channel between `image` (any format) and packed BGR rows;
// -1 when the sizes do not match.
inline int maxChannelDifference(const QImage& image, const QByteArray& bgr)
{
    const QImage own = image.convertToFormat(QImage::Format_BGR888);
    const int w = own.width();
    const int h = own.height();
    if (own.isNull() || bgr.size() != qsizetype(w) * h * 3)
        return -1;
    int worst = 0;
    for (int y = 0; y < h; ++y) {
        const uchar* a = own.constScanLine(y);
        const uchar* b = reinterpret_cast<const uchar*>(bgr.constData()) + qsizetype(y) * w * 3;
        for (int i = 0; i < w * 3; ++i)
            worst = qMax(worst, qAbs(int(a[i]) - int(b[i])));
    }
    return worst;
}

} // namespace zelvan::test
