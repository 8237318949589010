#include "capture/Sources.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QtMath>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "sim/SimulatedSite.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace zelvan::capture
{

void FrameDeleter::operator()(AVFrame* f) const
{
    av_frame_free(&f);
}

FramePtr cloneFrame(const AVFrame* frame)
{
    return FramePtr(frame ? av_frame_clone(frame) : nullptr);
}

qint64 steadyMicros()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace
{

// Converts an RGB32 picture into a new frame of pixel format `format` (full-range YUV for the
// "J" formats).
FramePtr frameFromImage(const QImage& image, AVPixelFormat format)
{
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    FramePtr frame(av_frame_alloc());
    frame->format = format;
    frame->width = img.width();
    frame->height = img.height();
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    bool full = false;
    AVPixelFormat dst = format;
    if (format == AV_PIX_FMT_YUVJ420P) {
        dst = AV_PIX_FMT_YUV420P;
        full = true;
    }
    SwsContext* sws =
        sws_getContext(img.width(), img.height(),
                       Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AV_PIX_FMT_BGRA : AV_PIX_FMT_ARGB,
                       img.width(), img.height(), dst, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws)
        return nullptr;
    if (full) {
        const int* coeffs = sws_getCoefficients(SWS_CS_ITU601);
        sws_setColorspaceDetails(sws, coeffs, 1, coeffs, 1, 0, 1 << 16, 1 << 16);
    }
    const uint8_t* src[4] = {img.constBits(), nullptr, nullptr, nullptr};
    const int lines[4] = {int(img.bytesPerLine()), 0, 0, 0};
    sws_scale(sws, src, lines, 0, img.height(), frame->data, frame->linesize);
    sws_freeContext(sws);
    return frame;
}

// Converts a frame to another pixel format (used for the RGB24 colour format).
FramePtr convertFrame(const AVFrame* in, AVPixelFormat format)
{
    FramePtr out(av_frame_alloc());
    out->format = format;
    out->width = in->width;
    out->height = in->height;
    if (av_frame_get_buffer(out.get(), 0) < 0)
        return nullptr;
    AVPixelFormat src = AVPixelFormat(in->format);
    const bool full = src == AV_PIX_FMT_YUVJ420P;
    if (full)
        src = AV_PIX_FMT_YUV420P;
    SwsContext* sws = sws_getContext(in->width, in->height, src, in->width, in->height, format,
                                     SWS_POINT, nullptr, nullptr, nullptr);
    if (!sws)
        return nullptr;
    if (full) {
        const int* coeffs = sws_getCoefficients(SWS_CS_ITU601);
        sws_setColorspaceDetails(sws, coeffs, 1, coeffs, 1, 0, 1 << 16, 1 << 16);
    }
    sws_scale(sws, in->data, in->linesize, 0, in->height, out->data, out->linesize);
    sws_freeContext(sws);
    return out;
}

int blockSize(int width)
{
    return std::max(8, (width / 40) & ~7);
}

constexpr int kBits = 16;
constexpr double kTwoPi = 6.283185307179586;

} // namespace

// ---------------------------------------------------------------------------- Source

Source::~Source()
{
    // Subclasses stop in their own destructors; this is the last line of defence.
    if (thread.joinable()) {
        stopFlag = true;
        wake.notify_all();
        thread.join();
    }
}

bool Source::start(QString* error)
{
    stopFlag = false;
    if (!open(error))
        return false;
    thread = std::thread([this] { run(); });
    return true;
}

void Source::stop()
{
    {
        std::lock_guard<std::mutex> lock(waitMutex);
        stopFlag = true;
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
    close();
}

bool Source::waitUntil(qint64 dueMicros)
{
    using namespace std::chrono;
    const auto due = steady_clock::time_point(microseconds(dueMicros));
    std::unique_lock<std::mutex> lock(waitMutex);
    wake.wait_until(lock, due, [this] { return stopFlag.load(); });
    return !stopFlag.load();
}

void Source::ended(const QString& reason)
{
    if (onEnd && !stopping())
        onEnd(reason);
}

// ---------------------------------------------------------------------------- test card

struct TestPatternGenerator::Impl {
    QSize size;
    int block = 8;
    FramePtr card;
    AVBufferPool* pool = nullptr;
    int bufferSize = 0;
    ~Impl() { av_buffer_pool_uninit(&pool); }
};

TestPatternGenerator::TestPatternGenerator(QSize size, int input) : d(std::make_unique<Impl>())
{
    d->size = size;
    d->block = blockSize(size.width());
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(90, 90, 90));
    {
        QPainter p(&img);
        const QColor bars[] = {Qt::white,   Qt::yellow, Qt::cyan, Qt::green,
                               Qt::magenta, Qt::red,    Qt::blue};
        const int barHeight = input == 1 ? size.height() : size.height() / 2;
        for (int i = 0; i < 7; ++i) {
            const int x0 = size.width() * i / 7;
            const int x1 = size.width() * (i + 1) / 7;
            p.fillRect(x0, 0, x1 - x0, barHeight, bars[i]);
        }
        if (input != 1) {
            // Grey ramp, grid and circle: show scaling, geometry and compression artefacts.
            for (int x = 0; x < size.width(); ++x) {
                const int g = 255 * x / std::max(1, size.width() - 1);
                p.setPen(QColor(g, g, g));
                p.drawLine(x, barHeight, x, barHeight + size.height() / 6);
            }
            p.setPen(QPen(Qt::white, std::max(1, size.width() / 400)));
            for (int i = 1; i < 8; ++i) {
                p.drawLine(size.width() * i / 8, 0, size.width() * i / 8, size.height());
                p.drawLine(0, size.height() * i / 8, size.width(), size.height() * i / 8);
            }
            const int r = size.height() / 3;
            p.drawEllipse(QPoint(size.width() / 2, size.height() / 2), r, r);
            // No text: fonts need a GUI application, and the tool runs without one.
        }
    }
    d->card = frameFromImage(img, AV_PIX_FMT_YUVJ420P);
    d->bufferSize = av_image_get_buffer_size(AV_PIX_FMT_YUVJ420P, size.width(), size.height(), 32);
    d->pool = av_buffer_pool_init(size_t(d->bufferSize), nullptr);
}

TestPatternGenerator::~TestPatternGenerator() = default;

FramePtr TestPatternGenerator::render(qint64 n)
{
    const int w = d->size.width();
    const int h = d->size.height();
    const int b = d->block;
    FramePtr f(av_frame_alloc());
    if (!f || !d->card)
        return nullptr;
    f->format = AV_PIX_FMT_YUVJ420P;
    f->width = w;
    f->height = h;
    f->color_range = AVCOL_RANGE_JPEG;
    f->buf[0] = av_buffer_pool_get(d->pool);
    if (!f->buf[0])
        return nullptr;
    av_image_fill_arrays(f->data, f->linesize, f->buf[0]->data, AV_PIX_FMT_YUVJ420P, w, h, 32);
    // Copying the precomputed card is a few memcpy calls; only the bar and the frame number
    // are drawn per frame, which keeps 1080p at 60 frames a second cheap.
    av_image_copy(f->data, f->linesize, const_cast<const uint8_t**>(d->card->data),
                  d->card->linesize, AV_PIX_FMT_YUVJ420P, w, h);
    auto fill = [&](int x0, int y0, int bw, int bh, uint8_t y, uint8_t u, uint8_t v) {
        for (int yy = y0; yy < y0 + bh; ++yy)
            std::memset(f->data[0] + yy * f->linesize[0] + x0, y, size_t(bw));
        for (int yy = y0 / 2; yy < (y0 + bh) / 2; ++yy) {
            std::memset(f->data[1] + yy * f->linesize[1] + x0 / 2, u, size_t(bw / 2));
            std::memset(f->data[2] + yy * f->linesize[2] + x0 / 2, v, size_t(bw / 2));
        }
    };
    // The frame number needs room for its blocks; a tiny picture only gets the bar.
    const bool numbered = (kBits + 3) * b <= w && 4 * b <= h;
    const int barBottom = numbered ? h - 3 * b : h;
    const int barWidth = std::min(b, w);
    const int step = std::max(2, (w / 120) & ~1);
    const int barX = int((n * step) % std::max(2, w - barWidth)) & ~1;
    fill(barX, 0, barWidth, barBottom, 255, 128, 128);
    if (numbered) {
        // Frame number, least significant bit first, then a white and a black marker block.
        const int y0 = h - 2 * b;
        fill(0, h - 3 * b, w, 3 * b, 0, 128, 128);
        for (int i = 0; i < kBits + 2; ++i) {
            const bool on = i < kBits ? ((n >> i) & 1) : i == kBits;
            fill(b + i * b, y0, b, b, on ? 255 : 0, 128, 128);
        }
    }
    return f;
}

int TestPatternGenerator::decodeFrameNumber(const QImage& picture)
{
    const int w = picture.width();
    const int h = picture.height();
    const int b = blockSize(w);
    if ((kBits + 3) * b > w || 4 * b > h)
        return -1;
    auto bit = [&](int i) {
        const QPoint c(b + i * b + b / 2, h - 2 * b + b / 2);
        return qGray(picture.pixel(c)) > 128;
    };
    if (!bit(kBits) || bit(kBits + 1))
        return -1;
    int n = 0;
    for (int i = 0; i < kBits; ++i)
        if (bit(i))
            n |= 1 << i;
    return n;
}

namespace
{

// ---------------------------------------------------------------------------- virtual video

// Frames at absolute deadlines start + n / fps. A source that falls behind by more than half
// a second (a stalled machine) starts counting again from now instead of bursting.
class PacedVideoSource : public VideoSource
{
public:
    PacedVideoSource(QString name, VideoSettings settings, const DeviceRegistry* registry)
        : name(std::move(name)), settings(std::move(settings)), registry(registry)
    {
    }
    ~PacedVideoSource() override { stop(); }

protected:
    virtual FramePtr renderFrame(qint64 n) = 0;

    void run() override
    {
        const double period = 1e6 / settings.fps;
        qint64 start = steadyMicros();
        qint64 n = 0;      // frames since `start`
        qint64 serial = 0; // frames produced in all
        const bool rgb = settings.colorFormatCode == QLatin1String("bgr24");
        while (!stopping()) {
            const qint64 due = start + qint64(std::llround(double(n) * period));
            if (!waitUntil(due))
                return;
            if (registry && !registry->isPresent(name)) {
                ended(name + QStringLiteral(" was removed"));
                return;
            }
            FramePtr frame = renderFrame(serial);
            if (frame && rgb)
                frame = convertFrame(frame.get(), AV_PIX_FMT_BGR24);
            if (!frame) {
                ended(QStringLiteral("Out of memory"));
                return;
            }
            if (onFrame)
                onFrame(std::move(frame), due);
            ++n;
            ++serial;
            if (steadyMicros() - (start + qint64(double(n) * period)) > 500000) {
                start = steadyMicros();
                n = 0;
            }
        }
    }

    QString name;
    VideoSettings settings;
    const DeviceRegistry* registry;
};

class TestPatternSource : public PacedVideoSource
{
public:
    using PacedVideoSource::PacedVideoSource;
    ~TestPatternSource() override { stop(); }

protected:
    bool open(QString*) override
    {
        generator = std::make_unique<TestPatternGenerator>(settings.size, settings.input);
        return true;
    }
    FramePtr renderFrame(qint64 n) override { return generator->render(n); }

private:
    std::unique_ptr<TestPatternGenerator> generator;
};

// Loops the synthetic jump pass. Rendered pictures are kept (as long as they fit in a
// memory budget) so that the second and later passes cost nothing.
class SimulatedSiteSource : public PacedVideoSource
{
public:
    using PacedVideoSource::PacedVideoSource;
    ~SimulatedSiteSource() override { stop(); }

protected:
    bool open(QString* error) override
    {
        sim::SiteOptions options;
        options.seed = 1;
        options.pictureSize = settings.size;
        options.frameRate = settings.fps;
        site = std::make_unique<sim::SimulatedSite>(options);
        if (site->frameCount() <= 0) {
            if (error)
                *error = QStringLiteral("The simulated site has no frames");
            return false;
        }
        const qint64 frameBytes = qint64(settings.size.width()) * settings.size.height() * 3 / 2;
        maxCached = int(std::min<qint64>(site->frameCount(), (256LL << 20) / frameBytes));
        cache.resize(size_t(maxCached));
        return true;
    }
    FramePtr renderFrame(qint64 serial) override
    {
        const int n = int(serial % site->frameCount());
        if (n < maxCached && cache[size_t(n)])
            return cloneFrame(cache[size_t(n)].get());
        FramePtr frame = frameFromImage(site->renderFrame(n), AV_PIX_FMT_YUVJ420P);
        if (frame && n < maxCached)
            cache[size_t(n)] = cloneFrame(frame.get());
        return frame;
    }

private:
    std::unique_ptr<sim::SimulatedSite> site;
    std::vector<FramePtr> cache;
    int maxCached = 0;
};

// ---------------------------------------------------------------------------- FFmpeg devices

class FfmpegVideoSource : public VideoSource
{
public:
    FfmpegVideoSource(VideoDeviceInfo device, VideoSettings settings)
        : device(std::move(device)), settings(std::move(settings))
    {
    }
    ~FfmpegVideoSource() override { stop(); }

protected:
    static int interrupted(void* opaque)
    {
        return static_cast<FfmpegVideoSource*>(opaque)->stopping() ? 1 : 0;
    }

    bool open(QString* error) override
    {
        avdevice_register_all();
        const AVInputFormat* format =
            av_find_input_format(device.inputFormat.toLatin1().constData());
        if (!format) {
            if (error)
                *error =
                    QStringLiteral("This FFmpeg build has no %1 input").arg(device.inputFormat);
            return false;
        }
        AVDictionary* options = nullptr;
        const QByteArray size = QStringLiteral("%1x%2")
                                    .arg(settings.size.width())
                                    .arg(settings.size.height())
                                    .toLatin1();
        av_dict_set(&options, "video_size", size.constData(), 0);
        av_dict_set(&options, "framerate", QByteArray::number(settings.fps).constData(), 0);
        if (!settings.colorFormatCode.isEmpty()) {
            const QByteArray code = settings.colorFormatCode.toLatin1();
            if (device.inputFormat == QLatin1String("dshow"))
                av_dict_set(&options, code == "mjpeg" ? "vcodec" : "pixel_format", code.constData(),
                            0);
            else
                av_dict_set(&options, "input_format", code.constData(), 0);
        }
        if (device.inputFormat == QLatin1String("video4linux2"))
            av_dict_set(&options, "channel", QByteArray::number(settings.input).constData(), 0);
        fmt = avformat_alloc_context();
        fmt->interrupt_callback.callback = &FfmpegVideoSource::interrupted;
        fmt->interrupt_callback.opaque = this;
        int rc = avformat_open_input(&fmt, device.url.toUtf8().constData(), format, &options);
        av_dict_free(&options);
        if (rc < 0) {
            if (error)
                *error = QStringLiteral("Cannot open %1").arg(device.name);
            return false;
        }
        stream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream < 0) {
            if (error)
                *error = QStringLiteral("%1 delivers no video").arg(device.name);
            return false;
        }
        const AVCodec* codec = avcodec_find_decoder(fmt->streams[stream]->codecpar->codec_id);
        dec = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(dec, fmt->streams[stream]->codecpar);
        if (!codec || avcodec_open2(dec, codec, nullptr) < 0) {
            if (error)
                *error = QStringLiteral("Cannot decode the pictures of %1").arg(device.name);
            return false;
        }
        return true;
    }

    void run() override
    {
        AVPacket* packet = av_packet_alloc();
        while (!stopping()) {
            const int rc = av_read_frame(fmt, packet);
            if (rc == AVERROR(EAGAIN)) { // nothing yet from a non-blocking device: don't spin
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            if (rc < 0) {
                av_packet_free(&packet);
                ended(device.name + QStringLiteral(" stopped delivering pictures"));
                return;
            }
            const qint64 now = steadyMicros();
            if (packet->stream_index == stream && avcodec_send_packet(dec, packet) >= 0) {
                for (;;) {
                    FramePtr frame(av_frame_alloc());
                    if (avcodec_receive_frame(dec, frame.get()) < 0)
                        break;
                    if (onFrame)
                        onFrame(std::move(frame), now);
                }
            }
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }

    void close() override
    {
        avcodec_free_context(&dec);
        avformat_close_input(&fmt);
    }

private:
    VideoDeviceInfo device;
    VideoSettings settings;
    AVFormatContext* fmt = nullptr;
    AVCodecContext* dec = nullptr;
    int stream = -1;
};

// ---------------------------------------------------------------------------- audio

QByteArray toFormat(const int16_t* samples, int count, int bits)
{
    if (bits == 16)
        return QByteArray(reinterpret_cast<const char*>(samples), count * 2);
    QByteArray out(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        out[i] = char(uint8_t((samples[i] >> 8) + 128));
    return out;
}

// A 1 kHz tone in blocks of 20 ms at absolute deadlines.
class TestToneSource : public AudioSource
{
public:
    TestToneSource(QString name, AudioSettings settings, const DeviceRegistry* registry)
        : name(std::move(name)), settings(settings), registry(registry)
    {
    }
    ~TestToneSource() override { stop(); }

protected:
    bool open(QString*) override { return true; }
    void run() override
    {
        const int block = std::max(1, settings.sampleRate / 50);
        std::vector<int16_t> samples(size_t(block * settings.channels));
        const qint64 start = steadyMicros();
        qint64 produced = 0;
        double phase = 0;
        const double step = kTwoPi * 1000.0 / settings.sampleRate;
        while (!stopping()) {
            const qint64 due = start + produced * 1000000 / settings.sampleRate;
            if (!waitUntil(due))
                return;
            if (registry && !registry->isPresent(name)) {
                ended(name + QStringLiteral(" was removed"));
                return;
            }
            for (int i = 0; i < block; ++i) {
                const auto v = int16_t(std::lround(9000 * std::sin(phase)));
                phase = std::fmod(phase + step, kTwoPi);
                for (int c = 0; c < settings.channels; ++c)
                    samples[size_t(i * settings.channels + c)] = v;
            }
            if (onSamples)
                onSamples(toFormat(samples.data(), int(samples.size()), settings.bitsPerSample),
                          block, due);
            produced += block;
        }
    }

private:
    QString name;
    AudioSettings settings;
    const DeviceRegistry* registry;
};

class FfmpegAudioSource : public AudioSource
{
public:
    FfmpegAudioSource(AudioDeviceInfo device, AudioSettings settings)
        : device(std::move(device)), settings(settings)
    {
    }
    ~FfmpegAudioSource() override { stop(); }

protected:
    static int interrupted(void* opaque)
    {
        return static_cast<FfmpegAudioSource*>(opaque)->stopping() ? 1 : 0;
    }
    bool open(QString* error) override
    {
        avdevice_register_all();
        const AVInputFormat* format =
            av_find_input_format(device.inputFormat.toLatin1().constData());
        AVDictionary* options = nullptr;
        av_dict_set(&options, "sample_rate", QByteArray::number(settings.sampleRate), 0);
        av_dict_set(&options, "channels", QByteArray::number(settings.channels), 0);
        fmt = avformat_alloc_context();
        fmt->interrupt_callback.callback = &FfmpegAudioSource::interrupted;
        fmt->interrupt_callback.opaque = this;
        const int rc =
            format ? avformat_open_input(&fmt, device.url.toUtf8().constData(), format, &options)
                   : -1;
        av_dict_free(&options);
        if (rc < 0) {
            if (!format)
                avformat_free_context(fmt);
            fmt = nullptr;
            if (error)
                *error = QStringLiteral("Cannot open %1").arg(device.name);
            return false;
        }
        const AVCodecParameters* par = fmt->nb_streams > 0 ? fmt->streams[0]->codecpar : nullptr;
        if (!par || par->codec_id != AV_CODEC_ID_PCM_S16LE ||
            par->sample_rate != settings.sampleRate ||
            par->ch_layout.nb_channels != settings.channels) {
            if (error)
                *error = QStringLiteral("%1 does not offer %2 Hz, %3 channel(s)")
                             .arg(device.name)
                             .arg(settings.sampleRate)
                             .arg(settings.channels);
            return false;
        }
        return true;
    }
    void run() override
    {
        AVPacket* packet = av_packet_alloc();
        while (!stopping()) {
            const int rc = av_read_frame(fmt, packet);
            if (rc == AVERROR(EAGAIN)) { // nothing yet from a non-blocking device: don't spin
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            if (rc < 0) {
                av_packet_free(&packet);
                ended(device.name + QStringLiteral(" stopped delivering sound"));
                return;
            }
            const int count = packet->size / 2;
            if (onSamples && count > 0)
                onSamples(toFormat(reinterpret_cast<const int16_t*>(packet->data), count,
                                   settings.bitsPerSample),
                          count / settings.channels, steadyMicros());
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    void close() override { avformat_close_input(&fmt); }

private:
    AudioDeviceInfo device;
    AudioSettings settings;
    AVFormatContext* fmt = nullptr;
};

} // namespace

std::unique_ptr<VideoSource> makeVideoSource(const VideoDeviceInfo& device,
                                             const VideoSettings& settings,
                                             const DeviceRegistry* registry)
{
    switch (device.kind) {
    case DeviceKind::TestPattern:
        return std::make_unique<TestPatternSource>(device.name, settings, registry);
    case DeviceKind::SimulatedSite:
        return std::make_unique<SimulatedSiteSource>(device.name, settings, registry);
    case DeviceKind::Ffmpeg:
        return std::make_unique<FfmpegVideoSource>(device, settings);
    case DeviceKind::TestTone:
        break;
    }
    return nullptr;
}

std::unique_ptr<AudioSource> makeAudioSource(const AudioDeviceInfo& device,
                                             const AudioSettings& settings,
                                             const DeviceRegistry* registry)
{
    if (device.kind == DeviceKind::TestTone)
        return std::make_unique<TestToneSource>(device.name, settings, registry);
    if (device.kind == DeviceKind::Ffmpeg)
        return std::make_unique<FfmpegAudioSource>(device, settings);
    return nullptr;
}

} // namespace zelvan::capture
