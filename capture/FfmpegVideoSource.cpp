// Cameras and other video inputs through libavdevice (video4linux2, dshow, lavfi, ...) and
// network cameras (rtsp, http, srt, udp). Pictures carry the device's own time stamps (the
// driver's buffer times, the stream's time stamps), not their arrival times.
#include "capture/DshowOptions.h"
#include "capture/NetworkCamera.h"
#include "capture/SourceKinds.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/time.h>
}

namespace zelvan::capture
{

namespace
{

class FfmpegVideoSource : public VideoSource
{
public:
    FfmpegVideoSource(VideoDeviceInfo device, VideoSettings settings)
        : device(std::move(device)), settings(std::move(settings))
    {
    }
    ~FfmpegVideoSource() override { stop(); }
    QSize sentSize() const override { return sent; }
    qint64 clockLagMicros() const override { return lag.load(); }
    StreamFormat storableFormat() const override { return storable; }

protected:
    static int interrupted(void* opaque)
    {
        return static_cast<FfmpegVideoSource*>(opaque)->stopping() ? 1 : 0;
    }

    Status open() override;
    void run() override;
    void close() override
    {
        avcodec_free_context(&dec);
        avformat_close_input(&fmt);
    }

private:
    AVDictionary* inputOptions() const; // size, rate, colour format and input for the device
    Status openDecoder();
    void decode(const AVPacket* packet);
    qint64 frameTime(const AVFrame* frame);
    qint64 arrivalTime(qint64 now);

    VideoDeviceInfo device;
    VideoSettings settings;
    AVFormatContext* fmt = nullptr;
    AVCodecContext* dec = nullptr;
    int stream = -1;
    QSize sent;
    qint64 offset = 0; // steady clock minus the stream's clock, in microseconds
    bool anchored = false;
    bool ownTimes = true;   // the stream's time stamps follow the camera's clock
    bool intraOnly = false; // every packet is one picture on its own (MJPEG)
    StreamFormat storable;  // a network stream whose packets are its pictures, in order
    // Smoothing of arrival times: pictures since it started, the last arrival, the last time
    // given and the mean interval.
    int arrivals = 0;
    qint64 lastArrival = 0, lastTime = 0, period = 0;
    std::atomic<qint64> lag{0};
};

AVDictionary* FfmpegVideoSource::inputOptions() const
{
    AVDictionary* options = nullptr;
    if (isNetworkUrl(device.url))
        return networkInputOptions(device.url);
    const QByteArray size =
        QStringLiteral("%1x%2").arg(settings.size.width()).arg(settings.size.height()).toLatin1();
    av_dict_set(&options, "video_size", size.constData(), 0);
    av_dict_set(&options, "framerate", QByteArray::number(settings.fps).constData(), 0);
    if (!settings.colorFormatCode.isEmpty()) {
        const QByteArray code = settings.colorFormatCode.toLatin1();
        if (device.inputFormat == QLatin1String("dshow"))
            av_dict_set(&options, dshowFormatOption(settings.colorFormatCode).constData(),
                        code.constData(), 0);
        else
            av_dict_set(&options, "input_format", code.constData(), 0);
    }
    if (device.inputFormat == QLatin1String("video4linux2"))
        av_dict_set(&options, "channel", QByteArray::number(settings.input).constData(), 0);
    return options;
}

Status FfmpegVideoSource::open()
{
    avdevice_register_all();
    avformat_network_init();
    const AVInputFormat* format = nullptr;
    if (!device.inputFormat.isEmpty()) {
        format = av_find_input_format(device.inputFormat.toLatin1().constData());
        if (!format)
            return fail(
                QStringLiteral("This FFmpeg build has no %1 input").arg(device.inputFormat));
    }
    AVDictionary* options = inputOptions();
    fmt = avformat_alloc_context();
    fmt->interrupt_callback.callback = &FfmpegVideoSource::interrupted;
    fmt->interrupt_callback.opaque = this;
    const int rc = avformat_open_input(&fmt, device.url.toUtf8().constData(), format, &options);
    av_dict_free(&options);
    if (rc < 0)
        return fail(QStringLiteral("Cannot open %1").arg(device.name));
    // A stream says what it carries only once its first packets are read.
    if (isNetworkUrl(device.url) && avformat_find_stream_info(fmt, nullptr) < 0)
        return fail(QStringLiteral("%1 delivers no video").arg(device.name));
    stream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0)
        return fail(QStringLiteral("%1 delivers no video").arg(device.name));
    // A multipart JPEG stream only numbers its pictures (as if at 25 a second): their arrival
    // is their time.
    const QByteArray demuxer = fmt->iformat->name;
    ownTimes = !(fmt->iformat->flags & AVFMT_NOTIMESTAMPS) && demuxer != "mpjpeg" &&
               demuxer != "mjpeg" && demuxer != "jpeg_pipe";
    if (isNetworkUrl(device.url))
        sent = QSize(fmt->streams[stream]->codecpar->width, fmt->streams[stream]->codecpar->height);
    return openDecoder();
}

Status FfmpegVideoSource::openDecoder()
{
    const AVCodec* codec = avcodec_find_decoder(fmt->streams[stream]->codecpar->codec_id);
    dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, fmt->streams[stream]->codecpar);
    // One thread: each picture comes out of the decoder as its packet goes in.
    dec->thread_count = 1;
    if (!codec || avcodec_open2(dec, codec, nullptr) < 0)
        return fail(QStringLiteral("Cannot decode the pictures of %1").arg(device.name));
    const AVCodecDescriptor* desc = avcodec_descriptor_get(dec->codec_id);
    intraOnly = desc && (desc->props & AV_CODEC_PROP_INTRA_ONLY);
    // A stream that sends its pictures in the order they are shown (no B frames, as network
    // cameras do) can be stored packet by packet; one that reorders them cannot.
    const AVCodecParameters* par = fmt->streams[stream]->codecpar;
    if (isNetworkUrl(device.url) &&
        (intraOnly || (par->video_delay == 0 && dec->has_b_frames == 0)))
        storable = copyStreamFormat(par);
    return {};
}

// The picture's time on the steady clock. The stream's time stamps keep their spacing; the
// first picture anchors them to its arrival. A jump of more than a second (the camera's clock
// restarted) anchors them again. A network camera that tells its wall clock (RTCP) also
// tells how long before its arrival the picture was taken.
qint64 FfmpegVideoSource::frameTime(const AVFrame* frame)
{
    const qint64 now = steadyMicros();
    const qint64 ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE || !ownTimes)
        return arrivalTime(now);
    const qint64 streamMicros = av_rescale_q(ts, fmt->streams[stream]->time_base, AV_TIME_BASE_Q);
    if (!anchored || std::llabs(streamMicros + offset - now) > 1'000'000) {
        offset = now - streamMicros;
        anchored = true;
    }
    const qint64 time = streamMicros + offset;
    if (fmt->start_time_realtime != AV_NOPTS_VALUE && fmt->start_time_realtime > 0) {
        // Stream time 0 is the camera's wall-clock time start_time_realtime.
        const qint64 taken = fmt->start_time_realtime + streamMicros + (now - av_gettime());
        lag = time - taken;
    }
    return time;
}

// A stream without time stamps of its own: its arrival times, smoothed, since a network
// hands over pictures in uneven steps that are no missing frames.
qint64 FfmpegVideoSource::arrivalTime(qint64 now)
{
    if (arrivals == 0 || now - lastTime > 1'000'000)
        arrivals = 0;
    const qint64 interval = now - lastArrival;
    lastArrival = now;
    ++arrivals;
    // The first intervals after opening are no measure of the rate (the stream starts).
    if (arrivals <= 3) {
        period = interval;
        lastTime = now;
        return now;
    }
    period = (period * 7 + interval) / 8;
    // A picture is never given a time after its arrival.
    const qint64 predicted = lastTime + period;
    lastTime = std::min(now, predicted + (now - predicted) / 8);
    return lastTime;
}

void FfmpegVideoSource::decode(const AVPacket* packet)
{
    if (packet->stream_index != stream || avcodec_send_packet(dec, packet) < 0)
        return;
    for (bool first = true;; first = false) {
        FramePtr frame(av_frame_alloc());
        if (avcodec_receive_frame(dec, frame.get()) < 0)
            break;
        // The picture out of the decoder right after its packet went in is this packet's
        // (one that stands alone, or a stream that does not reorder): a recording in the same
        // compression stores the packet as the camera sent it.
        if (first && packetsWanted.load(std::memory_order_relaxed) &&
            (intraOnly || (storable && frame->pts == packet->pts)))
            attachSourcePacket(frame.get(), packet, dec->codec_id, frame->key_frame);
        const qint64 time = frameTime(frame.get());
        if (onFrame)
            onFrame(std::move(frame), time);
    }
}

void FfmpegVideoSource::run()
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
        decode(packet);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
}

} // namespace

std::unique_ptr<VideoSource> makeFfmpegVideoSource(const VideoDeviceInfo& device,
                                                   const VideoSettings& settings)
{
    return std::make_unique<FfmpegVideoSource>(device, settings);
}

} // namespace zelvan::capture
