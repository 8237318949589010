#include "capture/PassSpace.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace zelvan::capture
{

namespace
{

// RIFF headers, stream headers and the room the index may take beyond its entries.
constexpr qint64 kAviOverheadBytes = 64 * 1024;
// 8-byte chunk header plus a 16-byte idx1 entry per frame.
constexpr qint64 kFrameChunkBytes = 24;
// The countdown stops a pass on its tick after the chosen time.
constexpr double kStopLatencySeconds = 1.0;

qint64 wholeMegabytesDown(qint64 bytes)
{
    return bytes > 0 ? bytes / 1000000 : 0;
}

qint64 wholeMegabytesUp(qint64 bytes)
{
    return bytes > 0 ? (bytes + 999999) / 1000000 : 0;
}

QString formatText(const PassFormat& format)
{
    QString text = QStringLiteral("%1x%2, %3 fps, %4")
                       .arg(format.size.width())
                       .arg(format.size.height())
                       .arg(format.fps)
                       .arg(format.compressor);
    if (format.audioBytesPerSecond > 0)
        text += QStringLiteral(" with sound");
    return text;
}

} // namespace

QSize resolutionSize(const QString& name)
{
    const QStringList wh = name.split(QLatin1Char('x'));
    bool wOk = false, hOk = false;
    const QSize size = wh.size() == 2 ? QSize(wh[0].toInt(&wOk), wh[1].toInt(&hOk)) : QSize();
    return wOk && hOk && !size.isEmpty() ? size : QSize();
}

std::optional<double> passBytesPerSecond(qint64 fileBytes, int frames, double fps)
{
    if (fileBytes <= 0 || frames <= 0 || !(fps > 0) || !std::isfinite(fps))
        return std::nullopt;
    return double(fileBytes) * fps / double(frames);
}

qint64 frameBytesEstimate(QSize size, const QString& compressor)
{
    if (!size.isValid() || size.isEmpty())
        return 0;
    const qint64 pixels = qint64(size.width()) * size.height();
    qint64 picture = 0;
    if (compressor.compare(QLatin1String("Uncompressed"), Qt::CaseInsensitive) == 0)
        picture = ((qint64(size.width()) * 3 + 3) / 4 * 4) * size.height();
    else if (compressor.isEmpty() ||
             compressor.compare(QLatin1String("MJPEG"), Qt::CaseInsensitive) == 0)
        picture = pixels / 2;
    else
        picture = pixels / 4;
    return picture + kFrameChunkBytes;
}

std::optional<PassNeed> passNeed(const PassFormat& format, double seconds,
                                 const std::optional<RecordedPass>& last)
{
    const double length = std::max(0.0, seconds) + kStopLatencySeconds;
    if (last && last->format == format && last->bytesPerSecond > 0)
        return PassNeed{qint64(std::ceil(last->bytesPerSecond * length)) + kAviOverheadBytes, true};
    const qint64 frame = frameBytesEstimate(format.size, format.compressor);
    if (frame <= 0 || !(format.fps > 0))
        return std::nullopt;
    const double perSecond = double(frame) * format.fps + double(format.audioBytesPerSecond);
    return PassNeed{qint64(std::ceil(perSecond * length)) + kAviOverheadBytes, false};
}

std::optional<OperatorMessage> passSpaceRefusal(const QString& videoDirectory, qint64 freeBytes,
                                                const PassFormat& format, double seconds,
                                                const PassNeed& need)
{
    if (freeBytes < 0 || freeBytes >= need.bytes)
        return std::nullopt;
    const QString basis =
        need.fromLastPass ? QStringLiteral("as the last pass did") : QStringLiteral("estimated");
    const QString text =
        QStringLiteral("There is not enough disk space to record a pass in %1: %2 MB free, one "
                       "pass of %3 seconds at %4 needs about %5 MB (%6).  Free some space or "
                       "choose another save-video folder, then start again.")
            .arg(QDir::toNativeSeparators(videoDirectory))
            .arg(wholeMegabytesDown(freeBytes))
            .arg(seconds)
            .arg(formatText(format))
            .arg(wholeMegabytesUp(need.bytes))
            .arg(basis);
    return OperatorMessage{text, Icon::Warning, QString::fromLatin1(kDiskSpaceTitle)};
}

bool passLeftFile(const QString& videoPath)
{
    const QFileInfo video(videoPath);
    if (video.isFile())
        return true;
    const QString name = video.fileName();
    return !name.isEmpty() &&
           !video.dir()
                .entryList({name + QStringLiteral(".part"), name + QStringLiteral(".*.part")},
                           QDir::Files)
                .isEmpty();
}

} // namespace zelvan::capture
