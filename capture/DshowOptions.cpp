#include "capture/DshowOptions.h"

#include "capture/DeviceScan.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

namespace zelvan::capture
{

namespace
{

// Rates a camera's frame interval may stand for; an end of a range near one of these is it.
const QList<double> kKnownRates{5,  7.5, 10, 12.5,  15, 20,  23.976, 24,  25,  29.97, 30,
                                48, 50,  60, 59.94, 90, 100, 119.88, 120, 144, 240};
// The rates offered between the ends of a range.
const QList<double> kUsualRates{5, 10, 15, 20, 24, 25, 30, 50, 60, 90, 100, 120, 240};
// The sizes offered between the ends of a range.
const QList<QSize> kUsualSizes{{160, 120},   {320, 240},  {352, 288},   {640, 360},   {640, 480},
                               {720, 480},   {720, 576},  {800, 600},   {960, 540},   {1024, 768},
                               {1280, 720},  {1280, 960}, {1280, 1024}, {1600, 1200}, {1920, 1080},
                               {2560, 1440}, {3840, 2160}};

// Rates printed from 100 ns frame intervals differ from the rate they stand for by far less
// than 59.94 differs from 60.
bool closeRates(double a, double b)
{
    return std::abs(a - b) <= 0.0002 * std::max(a, b);
}

double knownRate(double fps)
{
    for (double r : kKnownRates)
        if (closeRates(r, fps))
            return r;
    return std::round(fps * 1000) / 1000;
}

bool within(QSize s, QSize smallest, QSize largest)
{
    return s.width() >= smallest.width() && s.width() <= largest.width() &&
           s.height() >= smallest.height() && s.height() <= largest.height();
}

// One listed line: the format and the ranges, or nothing for a line that is not a mode.
struct DshowRange {
    QString format;
    QSize smallest, largest;
    double slowest = 0, fastest = 0;
};

bool parseRange(const QString& line, DshowRange& range)
{
    // "%g" prints the rates: "30", "29.97", "60.0002", or in exponent form.
    static const QRegularExpression re(
        QStringLiteral(R"((?:pixel_format=(\S+)|vcodec=(\S+)|unknown compression type \S+))"
                       R"(\s+min s=(\d+)x(\d+) fps=([0-9.]+(?:e[-+]?\d+)?))"
                       R"(\s+max s=(\d+)x(\d+) fps=([0-9.]+(?:e[-+]?\d+)?))"));
    const QRegularExpressionMatch m = re.match(line);
    if (!m.hasMatch())
        return false;
    range.format = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
    range.smallest = QSize(m.captured(3).toInt(), m.captured(4).toInt());
    range.largest = QSize(m.captured(6).toInt(), m.captured(7).toInt());
    range.slowest = m.captured(5).toDouble();
    range.fastest = m.captured(8).toDouble();
    const bool sizesSound =
        !range.smallest.isEmpty() && within(range.smallest, range.smallest, range.largest);
    const bool ratesSound =
        std::isfinite(range.fastest) && range.slowest > 0 && range.slowest <= range.fastest;
    return !range.format.isEmpty() && sizesSound && ratesSound;
}

} // namespace

QList<double> dshowRatesBetween(double slowest, double fastest)
{
    const double low = knownRate(slowest), high = knownRate(fastest);
    QList<double> rates{low};
    for (double r : kUsualRates)
        if (r > low && r < high)
            rates << r;
    if (high != low)
        rates << high;
    return rates;
}

QList<QSize> dshowSizesBetween(QSize smallest, QSize largest)
{
    QList<QSize> sizes{smallest};
    for (const QSize& s : kUsualSizes)
        if (within(s, smallest, largest) && s != smallest && s != largest)
            sizes << s;
    if (largest != smallest)
        sizes << largest;
    return sizes;
}

QList<VideoMode> parseDshowOptions(const QString& listing)
{
    QList<VideoMode> modes;
    QSet<QString> seen;
    const QStringList lines = listing.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        DshowRange range;
        if (!parseRange(line, range))
            continue;
        const QList<double> rates = dshowRatesBetween(range.slowest, range.fastest);
        for (const QSize& size : dshowSizesBetween(range.smallest, range.largest)) {
            for (double fps : rates) {
                const QString key = QStringLiteral("%1 %2x%3 %4")
                                        .arg(range.format)
                                        .arg(size.width())
                                        .arg(size.height())
                                        .arg(fps);
                if (!seen.contains(key)) {
                    seen.insert(key);
                    modes << VideoMode{range.format, size, fps};
                }
            }
        }
    }
    return modes;
}

void describeDshowCamera(VideoDeviceInfo& info, const QString& listing)
{
    const QList<VideoMode> modes = parseDshowOptions(listing);
    if (modes.isEmpty())
        return;
    info.modes = modes;
    info.colorFormats.clear();
    info.colorFormatCodes.clear();
    for (const VideoMode& m : modes) {
        if (!info.colorFormatCodes.contains(m.format)) {
            info.colorFormatCodes << m.format;
            info.colorFormats << dshowFormatName(m.format);
        }
    }
    describeModes(info);
}

QString dshowFormatName(const QString& code)
{
    // The names a V4L2 driver gives the same formats, so a camera reads alike everywhere.
    static const QHash<QString, QString> names{{"yuyv422", "YUYV 4:2:2"},
                                               {"uyvy422", "UYVY 4:2:2"},
                                               {"nv12", "Y/CbCr 4:2:0"},
                                               {"yuv420p", "Planar YUV 4:2:0"},
                                               {"mjpeg", "Motion-JPEG"},
                                               {"h264", "H.264"},
                                               {"hevc", "HEVC"},
                                               {"bgr24", "24-bit BGR 8-8-8"},
                                               {"bgr0", "32-bit BGRX 8-8-8-8"},
                                               {"gray", "8-bit Greyscale"}};
    return names.value(code, code);
}

QByteArray dshowFormatOption(const QString& code)
{
    return av_get_pix_fmt(code.toLatin1().constData()) != AV_PIX_FMT_NONE
               ? QByteArrayLiteral("pixel_format")
               : QByteArrayLiteral("vcodec");
}

// ---- FfmpegLogCollector

namespace
{

std::mutex collectorTurn;  // one collector at a time
std::mutex collectorState; // guards `collecting`, which FFmpeg's threads read
struct Collecting {
    const void* source = nullptr;
    QByteArray text;
};
Collecting* collecting = nullptr;

QByteArray formatted(const char* fmt, va_list vl)
{
    va_list measure;
    va_copy(measure, vl);
    const int length = std::vsnprintf(nullptr, 0, fmt, measure);
    va_end(measure);
    if (length <= 0)
        return QByteArray();
    QByteArray text(length + 1, '\0');
    std::vsnprintf(text.data(), size_t(text.size()), fmt, vl);
    text.chop(1);
    return text;
}

void collect(void* source, int level, const char* fmt, va_list vl)
{
    {
        std::lock_guard<std::mutex> lock(collectorState);
        if (collecting && source == collecting->source && level <= AV_LOG_INFO) {
            collecting->text += formatted(fmt, vl);
            return;
        }
    }
    av_log_default_callback(source, level, fmt, vl);
}

} // namespace

struct FfmpegLogCollector::Active {
    std::unique_lock<std::mutex> turn{collectorTurn};
    Collecting state;
};

FfmpegLogCollector::FfmpegLogCollector(const void* source) : active(new Active)
{
    active->state.source = source;
    {
        std::lock_guard<std::mutex> lock(collectorState);
        collecting = &active->state;
    }
    av_log_set_callback(&collect);
}

FfmpegLogCollector::~FfmpegLogCollector()
{
    // FFmpeg offers no way to read the callback it had; the station installs none of its own,
    // so the default is the one to put back.
    av_log_set_callback(&av_log_default_callback);
    {
        std::lock_guard<std::mutex> lock(collectorState);
        collecting = nullptr;
    }
    delete active;
}

QString FfmpegLogCollector::text() const
{
    std::lock_guard<std::mutex> lock(collectorState);
    return QString::fromUtf8(active->state.text);
}

} // namespace zelvan::capture
