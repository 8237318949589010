// Cameras and other video inputs through libavdevice (video4linux2, dshow, lavfi, ...).
#include "capture/SourceKinds.h"

#include <chrono>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
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
    void decode(const AVPacket* packet, qint64 timeMicros);

    VideoDeviceInfo device;
    VideoSettings settings;
    AVFormatContext* fmt = nullptr;
    AVCodecContext* dec = nullptr;
    int stream = -1;
};

AVDictionary* FfmpegVideoSource::inputOptions() const
{
    AVDictionary* options = nullptr;
    const QByteArray size =
        QStringLiteral("%1x%2").arg(settings.size.width()).arg(settings.size.height()).toLatin1();
    av_dict_set(&options, "video_size", size.constData(), 0);
    av_dict_set(&options, "framerate", QByteArray::number(settings.fps).constData(), 0);
    if (!settings.colorFormatCode.isEmpty()) {
        const QByteArray code = settings.colorFormatCode.toLatin1();
        if (device.inputFormat == QLatin1String("dshow"))
            av_dict_set(&options, code == "mjpeg" ? "vcodec" : "pixel_format", code.constData(), 0);
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
    const AVInputFormat* format = av_find_input_format(device.inputFormat.toLatin1().constData());
    if (!format)
        return fail(QStringLiteral("This FFmpeg build has no %1 input").arg(device.inputFormat));
    AVDictionary* options = inputOptions();
    fmt = avformat_alloc_context();
    fmt->interrupt_callback.callback = &FfmpegVideoSource::interrupted;
    fmt->interrupt_callback.opaque = this;
    const int rc = avformat_open_input(&fmt, device.url.toUtf8().constData(), format, &options);
    av_dict_free(&options);
    if (rc < 0)
        return fail(QStringLiteral("Cannot open %1").arg(device.name));
    stream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0)
        return fail(QStringLiteral("%1 delivers no video").arg(device.name));
    return openDecoder();
}

Status FfmpegVideoSource::openDecoder()
{
    const AVCodec* codec = avcodec_find_decoder(fmt->streams[stream]->codecpar->codec_id);
    dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, fmt->streams[stream]->codecpar);
    if (!codec || avcodec_open2(dec, codec, nullptr) < 0)
        return fail(QStringLiteral("Cannot decode the pictures of %1").arg(device.name));
    return {};
}

void FfmpegVideoSource::decode(const AVPacket* packet, qint64 timeMicros)
{
    if (packet->stream_index != stream || avcodec_send_packet(dec, packet) < 0)
        return;
    for (;;) {
        FramePtr frame(av_frame_alloc());
        if (avcodec_receive_frame(dec, frame.get()) < 0)
            break;
        if (onFrame)
            onFrame(std::move(frame), timeMicros);
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
        decode(packet, steadyMicros());
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
