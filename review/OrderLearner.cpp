#include "review/OrderLearner.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace zelvan::review
{

struct OrderLearner::Impl {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int streamIndex = -1;
    qint64 packetCount = 0;
    qint64 nextPacket = 0;
    bool drained = false;
    bool ended = false;
    Identify identify;

    ~Impl()
    {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    Status openCodec(const AVCodecParameters* parameters)
    {
        const AVCodec* type = avcodec_find_decoder(parameters->codec_id);
        codec = type ? avcodec_alloc_context3(type) : nullptr;
        if (!codec || avcodec_parameters_to_context(codec, parameters) < 0)
            return fail(QStringLiteral("cannot set up the decoder"));
        codec->thread_count = 0;
        codec->pkt_timebase = format->streams[streamIndex]->time_base;
        codec->skip_loop_filter = AVDISCARD_ALL;
        codec->skip_idct = AVDISCARD_ALL;
        if (avcodec_open2(codec, type, nullptr) < 0)
            return fail(QStringLiteral("cannot open the decoder"));
        return {};
    }

    // Sends the next video packet, tagged with its index, or the end of the stream.
    Status feed()
    {
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index != streamIndex || packet->size <= 0) {
                av_packet_unref(packet);
                continue;
            }
            qint64 index = identify(packet);
            if (index < 0)
                index = nextPacket;
            nextPacket = index + 1;
            packet->pts = index;
            packet->dts = index;
            const int rc = avcodec_send_packet(codec, packet);
            av_packet_unref(packet);
            // A damaged packet is skipped, as the exact decode skips it.
            if (rc < 0 && rc != AVERROR_INVALIDDATA)
                return fail(QStringLiteral("decoding failed"));
            return {};
        }
        avcodec_send_packet(codec, nullptr);
        drained = true;
        return {};
    }
};

OrderLearner::OrderLearner() : d(std::make_unique<Impl>()) {}
OrderLearner::~OrderLearner() = default;

Status OrderLearner::open(const QByteArray& localPath, int streamIndex,
                          const AVCodecParameters* parameters, qint64 packetCount,
                          Identify identify)
{
    if (avformat_open_input(&d->format, localPath.constData(), nullptr, nullptr) < 0)
        return fail(QStringLiteral("cannot open the file again"));
    if (streamIndex < 0 || streamIndex >= int(d->format->nb_streams))
        return fail(QStringLiteral("the video stream is not there"));
    d->streamIndex = streamIndex;
    d->packetCount = packetCount;
    d->identify = std::move(identify);
    d->packet = av_packet_alloc();
    d->frame = av_frame_alloc();
    if (!d->packet || !d->frame)
        return fail(QStringLiteral("out of memory"));
    return d->openCodec(parameters);
}

Result<qint64> OrderLearner::nextTag()
{
    while (true) {
        const int rc = avcodec_receive_frame(d->codec, d->frame);
        if (rc == 0) {
            const qint64 tag = d->frame->pts;
            av_frame_unref(d->frame);
            return tag >= 0 && tag < d->packetCount ? tag : -1;
        }
        if (rc == AVERROR_EOF || (rc == AVERROR(EAGAIN) && d->drained)) {
            d->ended = true;
            return fail(QStringLiteral("the end of the video"));
        }
        if (rc != AVERROR(EAGAIN))
            return fail(QStringLiteral("decoding failed"));
        if (Status fed = d->feed(); !fed)
            return fail(fed.error());
    }
}

bool OrderLearner::ended() const
{
    return d->ended;
}

} // namespace zelvan::review
