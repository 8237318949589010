#include "capture/RecorderCompressors.h"

#include "capture/TestPatternGenerator.h"
#include "capture/VideoFileWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <map>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace zelvan::capture
{

namespace
{

// Lossless and intra-frame codecs that a frame-exact reader steps through picture by
// picture, and the common inter-frame ones.
const QStringList kCandidates{"MJPEG", "huffyuv", "ffvhuff", "utvideo",    "magicyuv",    "ffv1",
                              "mpeg4", "libxvid", "libx264", "mpeg2video", "Uncompressed"};

// The encoders' own chatter (profiles, capabilities) is no news to the operator or to a
// script reading the tool's error line.
struct QuietEncoders {
    QuietEncoders() : level(av_log_get_level()) { av_log_set_level(AV_LOG_QUIET); }
    ~QuietEncoders() { av_log_set_level(level); }
    QuietEncoders(const QuietEncoders&) = delete;
    QuietEncoders& operator=(const QuietEncoders&) = delete;
    int level;
};

double measure(const QString& codec, QSize size)
{
    const QuietEncoders quiet;
    const QTemporaryDir scratch;
    VideoFileWriter writer;
    if (!scratch.isValid() || !writer.open(scratch.filePath("rate.avi"), size, 30, codec))
        return 0;
    TestPatternGenerator card(size, 0);
    // The first picture pays for the encoder's start; the rate counts the ones after it.
    FramePtr first = card.render(0);
    if (!first || !writer.writeFrame(first.get()))
        return 0;
    QElapsedTimer clock;
    clock.start();
    int frames = 0;
    while (frames < 8 && clock.elapsed() < 400) {
        FramePtr frame = card.render(frames + 1);
        if (!frame || !writer.writeFrame(frame.get()))
            return 0;
        ++frames;
    }
    // Closing flushes the pictures an encoder holds back (look-ahead), so they count too; an
    // encoder whose file cannot be finished is no choice at all.
    if (!writer.close())
        return 0;
    const double seconds = std::max<qint64>(1, clock.nsecsElapsed() / 1000) / 1e6;
    return frames / seconds;
}

} // namespace

QStringList compressorCandidates()
{
    QStringList available;
    const QStringList known = VideoFileWriter::compressorNames();
    for (const QString& c : kCandidates)
        if (known.contains(c, Qt::CaseInsensitive))
            available << c;
    return available;
}

double encodeRate(const QString& codec, QSize size)
{
    static std::mutex mutex;
    static std::map<std::tuple<QString, int, int>, double> known;
    const auto key = std::make_tuple(codec, size.width(), size.height());
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (const auto it = known.find(key); it != known.end())
            return it->second;
    }
    const double rate = measure(codec, size);
    const std::lock_guard<std::mutex> lock(mutex);
    known[key] = rate;
    return rate;
}

QStringList liveCompressors(QSize size, double fps)
{
    QStringList live;
    for (const QString& codec : compressorCandidates())
        if (encodeRate(codec, size) >= fps * 4 / 3)
            live << codec;
    return live;
}

} // namespace zelvan::capture
