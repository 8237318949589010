#include "AviProbe.h"
#include "base/Platform.h"

#include "capture/VideoFileWriter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace zelvan::test
{

QList<QByteArray> videoPackets(const QString& path)
{
    QList<QByteArray> packets;
    AVFormatContext* fmt = nullptr;
    const QByteArray name = zelvan::platform::ffmpegFileName(path);
    if (avformat_open_input(&fmt, name.constData(), nullptr, nullptr) < 0)
        return packets;
    const int video = avformat_find_stream_info(fmt, nullptr) >= 0
                          ? av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)
                          : -1;
    AVPacket* pkt = av_packet_alloc();
    while (video >= 0 && av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == video)
            packets << QByteArray(reinterpret_cast<const char*>(pkt->data), pkt->size);
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&fmt);
    return packets;
}

AviProbe probeAvi(const QString& path)
{
    AviProbe r;
    AVFormatContext* fmt = nullptr;
    const QByteArray name = zelvan::platform::ffmpegFileName(path);
    if (avformat_open_input(&fmt, name.constData(), nullptr, nullptr) < 0) {
        r.error = "cannot open";
        return r;
    }
    AVCodecContext* dec = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    AVFrame* last = av_frame_alloc(); // converted once at the end, not for every frame
    int vindex = -1;
    int aindex = -1;
    bool decodeOk = true;
    auto take = [&]() {
        while (avcodec_receive_frame(dec, frame) == 0) {
            if (r.decodedFrames == 0)
                r.firstFrame = capture::imageFromFrame(frame);
            ++r.decodedFrames;
            av_frame_unref(last);
            av_frame_move_ref(last, frame);
        }
    };
    if (avformat_find_stream_info(fmt, nullptr) < 0 ||
        QString::fromLatin1(fmt->iformat->name) != "avi") {
        r.error = "not an AVI";
        goto done;
    }
    vindex = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    aindex = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (vindex < 0) {
        r.error = "no video stream";
        goto done;
    }
    {
        AVStream* vs = fmt->streams[vindex];
        const AVCodec* codec = avcodec_find_decoder(vs->codecpar->codec_id);
        r.codec = codec ? QString::fromLatin1(codec->name) : QString();
        r.width = vs->codecpar->width;
        r.height = vs->codecpar->height;
        r.frameRate = av_q2d(vs->avg_frame_rate.num ? vs->avg_frame_rate : vs->r_frame_rate);
        r.headerFrames = int(vs->nb_frames);
        dec = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(dec, vs->codecpar);
        if (!codec || avcodec_open2(dec, codec, nullptr) < 0) {
            r.error = "no decoder";
            goto done;
        }
    }
    if (aindex >= 0) {
        AVStream* as = fmt->streams[aindex];
        r.hasAudio = true;
        r.audioSampleRate = as->codecpar->sample_rate;
        r.audioChannels = as->codecpar->ch_layout.nb_channels;
        r.audioBits = as->codecpar->bits_per_coded_sample;
    }
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == vindex) {
            if (avcodec_send_packet(dec, pkt) < 0)
                decodeOk = false;
            take();
        } else if (pkt->stream_index == aindex) {
            const int align = fmt->streams[aindex]->codecpar->block_align;
            if (align > 0)
                r.audioSamples += pkt->size / align;
        }
        av_packet_unref(pkt);
    }
    avcodec_send_packet(dec, nullptr);
    take();
    r.lastFrame = capture::imageFromFrame(last);
    r.ok = decodeOk;
    if (!decodeOk)
        r.error = "decoding failed";
done:
    av_frame_free(&frame);
    av_frame_free(&last);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    return r;
}

std::optional<FfprobeCount> ffprobeCount(const QString& path)
{
    const QString ffprobe = QStandardPaths::findExecutable("ffprobe");
    if (ffprobe.isEmpty())
        return std::nullopt;
    QProcess f;
    f.start(ffprobe,
            {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
             "format=format_name:stream=nb_read_frames,r_frame_rate", "-of", "json", path});
    FfprobeCount count;
    if (!f.waitForFinished(60000) || f.exitCode() != 0)
        return count;
    const QJsonObject info = QJsonDocument::fromJson(f.readAllStandardOutput()).object();
    const QJsonObject stream = info["streams"].toArray().at(0).toObject();
    count.ok = true;
    count.format = info["format"].toObject()["format_name"].toString();
    count.frames = stream["nb_read_frames"].toString().toInt();
    count.frameRate = stream["r_frame_rate"].toString();
    return count;
}

} // namespace zelvan::test
