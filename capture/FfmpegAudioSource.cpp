// Sound inputs through libavdevice (alsa, dshow, ...), taken as 16 bit PCM.
#include "capture/PcmConversion.h"
#include "capture/SourceKinds.h"

#include <chrono>
#include <thread>

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

namespace zelvan::capture
{

namespace
{

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
    Status open() override;
    void run() override;
    void close() override { avformat_close_input(&fmt); }

private:
    Status checkFormat() const; // the device delivers what the recording asked for

    AudioDeviceInfo device;
    AudioSettings settings;
    AVFormatContext* fmt = nullptr;
};

Status FfmpegAudioSource::open()
{
    avdevice_register_all();
    const AVInputFormat* format = av_find_input_format(device.inputFormat.toLatin1().constData());
    AVDictionary* options = nullptr;
    av_dict_set(&options, "sample_rate", QByteArray::number(settings.sampleRate), 0);
    av_dict_set(&options, "channels", QByteArray::number(settings.channels), 0);
    fmt = avformat_alloc_context();
    fmt->interrupt_callback.callback = &FfmpegAudioSource::interrupted;
    fmt->interrupt_callback.opaque = this;
    const int rc =
        format ? avformat_open_input(&fmt, device.url.toUtf8().constData(), format, &options) : -1;
    av_dict_free(&options);
    if (rc < 0) {
        if (!format)
            avformat_free_context(fmt);
        fmt = nullptr;
        return fail(QStringLiteral("Cannot open %1").arg(device.name));
    }
    return checkFormat();
}

Status FfmpegAudioSource::checkFormat() const
{
    const AVCodecParameters* par = fmt->nb_streams > 0 ? fmt->streams[0]->codecpar : nullptr;
    if (!par || par->codec_id != AV_CODEC_ID_PCM_S16LE || par->sample_rate != settings.sampleRate ||
        par->ch_layout.nb_channels != settings.channels)
        return fail(QStringLiteral("%1 does not offer %2 Hz, %3 channel(s)")
                        .arg(device.name)
                        .arg(settings.sampleRate)
                        .arg(settings.channels));
    return {};
}

void FfmpegAudioSource::run()
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
            onSamples(pcmInFormat(reinterpret_cast<const int16_t*>(packet->data), count,
                                  settings.bitsPerSample),
                      count / settings.channels, steadyMicros());
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
}

} // namespace

std::unique_ptr<AudioSource> makeFfmpegAudioSource(const AudioDeviceInfo& device,
                                                   const AudioSettings& settings)
{
    return std::make_unique<FfmpegAudioSource>(device, settings);
}

} // namespace zelvan::capture
