#include "capture/VideoFileWriter.h"
#include "base/Platform.h"
#include "review/PixelFormats.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace zelvan::capture
{

namespace
{

QString avErrorText(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

// QImage formats FFmpeg can read directly; anything else is converted to RGB32 first.
AVPixelFormat pixelFormatOf(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AV_PIX_FMT_BGRA : AV_PIX_FMT_ARGB;
    case QImage::Format_RGB888:
        return AV_PIX_FMT_RGB24;
    case QImage::Format_BGR888:
        return AV_PIX_FMT_BGR24;
    case QImage::Format_Grayscale8:
        return AV_PIX_FMT_GRAY8;
    default:
        return AV_PIX_FMT_NONE;
    }
}

// Encoders that make no sense as a capture compressor or cannot be driven frame by frame.
bool usableVideoEncoder(const AVCodec* codec, const AVOutputFormat* avi)
{
    if (!av_codec_is_encoder(codec) || codec->type != AVMEDIA_TYPE_VIDEO)
        return false;
    if (codec->capabilities & (AV_CODEC_CAP_EXPERIMENTAL | AV_CODEC_CAP_HARDWARE))
        return false;
    if (codec->id == AV_CODEC_ID_MJPEG || codec->id == AV_CODEC_ID_RAWVIDEO)
        return false;
    if (!codec->pix_fmts)
        return false;
    const QString name = QString::fromLatin1(codec->name);
    // Hardware wrappers that do not set the capability flag.
    for (const char* hw :
         {"_vaapi", "_nvenc", "_qsv", "_v4l2m2m", "_amf", "_mf", "_vulkan", "_omx"})
        if (name.endsWith(QLatin1String(hw)))
            return false;
    return avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) == 1;
}

SwsContext* scaler(SwsContext* old, int sw, int sh, AVPixelFormat sf, int dw, int dh,
                   AVPixelFormat df, int flags)
{
    bool srcFull = false;
    bool dstFull = false;
    sf = review::plainFormat(sf, &srcFull);
    df = review::plainFormat(df, &dstFull);
    SwsContext* sws =
        sws_getCachedContext(old, sw, sh, sf, dw, dh, df, flags, nullptr, nullptr, nullptr);
    if (sws && (srcFull || dstFull)) {
        const int* coeffs = sws_getCoefficients(SWS_CS_ITU601);
        sws_setColorspaceDetails(sws, coeffs, srcFull ? 1 : 0, coeffs, dstFull ? 1 : 0, 0, 1 << 16,
                                 1 << 16);
    }
    return sws;
}

} // namespace

struct VideoFileWriter::Impl {
    AudioFormat audio;
    int quality = 4;
    AVFormatContext* fmt = nullptr;
    AVCodecContext* venc = nullptr;
    AVStream* vstream = nullptr;
    AVStream* astream = nullptr;
    AVFrame* work = nullptr; // converted frame handed to the encoder
    AVPacket* packet = nullptr;
    SwsContext* sws = nullptr;
    QString path;
    QString tempPath;
    QString keptPartial;
    QString error;
    int frames = 0;
    qint64 audioFrames = 0;
    bool failed = false;
    bool bottomUp = false;

    ~Impl() { release(); }

    void release()
    {
        if (venc)
            avcodec_free_context(&venc);
        if (fmt) {
            if (fmt->pb)
                avio_closep(&fmt->pb);
            avformat_free_context(fmt);
            fmt = nullptr;
        }
        av_frame_free(&work);
        av_packet_free(&packet);
        sws_freeContext(sws);
        sws = nullptr;
        vstream = astream = nullptr;
    }

    bool fail(const QString& text)
    {
        error = text;
        failed = true;
        return false;
    }

    bool drain()
    {
        for (;;) {
            int rc = avcodec_receive_packet(venc, packet);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc < 0)
                return fail(QStringLiteral("Video encoding failed: ") + avErrorText(rc));
            av_packet_rescale_ts(packet, venc->time_base, vstream->time_base);
            packet->stream_index = vstream->index;
            rc = av_interleaved_write_frame(fmt, packet);
            av_packet_unref(packet);
            if (rc < 0)
                return fail(QStringLiteral("Cannot write the video file: ") + avErrorText(rc));
        }
    }

    bool encode(AVFrame* frame)
    {
        frame->pts = frames;
        frame->quality = venc->global_quality;
        frame->pict_type = AV_PICTURE_TYPE_NONE;
        if (bottomUp) {
            // Uncompressed pictures are stored bottom-up, as every AVI reader expects; a
            // negative line step hands the rows to the encoder in that order.
            frame->data[0] += ptrdiff_t(frame->height - 1) * frame->linesize[0];
            frame->linesize[0] = -frame->linesize[0];
        }
        int rc = avcodec_send_frame(venc, frame);
        if (rc < 0)
            return fail(QStringLiteral("Video encoding failed: ") + avErrorText(rc));
        ++frames;
        return drain();
    }

    // Converts src (given as planes) into `work`, a fresh buffer each time because the
    // encoder may still hold the previous one (frame threads).
    bool convert(const uint8_t* const* data, const int* linesize, int w, int h, AVPixelFormat f)
    {
        sws = scaler(sws, w, h, f, venc->width, venc->height, venc->pix_fmt, SWS_BILINEAR);
        if (!sws)
            return fail(QStringLiteral("Cannot convert the picture for the video file"));
        av_frame_unref(work);
        work->format = venc->pix_fmt;
        work->width = venc->width;
        work->height = venc->height;
        if (av_frame_get_buffer(work, 0) < 0)
            return fail(QStringLiteral("Out of memory"));
        sws_scale(sws, data, linesize, 0, h, work->data, work->linesize);
        return true;
    }
};

VideoFileWriter::VideoFileWriter() : d(std::make_unique<Impl>()) {}

VideoFileWriter::~VideoFileWriter()
{
    discard();
}

void VideoFileWriter::setAudioFormat(const AudioFormat& format)
{
    d->audio = format;
}

void VideoFileWriter::setQuality(int qscale)
{
    d->quality = std::clamp(qscale, 2, 31);
}

bool VideoFileWriter::isOpen() const
{
    return d->fmt != nullptr;
}

QStringList VideoFileWriter::compressorNames()
{
    QStringList names{QStringLiteral("MJPEG"), QStringLiteral("Uncompressed")};
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    if (!avi)
        return names;
    QStringList others;
    void* it = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&it)) {
        if (usableVideoEncoder(codec, avi))
            others << QString::fromLatin1(codec->name);
    }
    others.removeDuplicates();
    others.sort();
    return names + others;
}

bool VideoFileWriter::isKnownCompressor(const QString& codec)
{
    return codec.isEmpty() || compressorNames().contains(codec, Qt::CaseInsensitive);
}

bool VideoFileWriter::open(const QString& path, QSize size, double fps, const QString& codec,
                           QString* error)
{
    discard();
    d->error.clear();
    d->keptPartial.clear();
    d->failed = false;
    d->frames = 0;
    d->audioFrames = 0;
    auto bad = [&](const QString& text) {
        d->error = text;
        d->release();
        if (!d->tempPath.isEmpty())
            QFile::remove(d->tempPath);
        d->tempPath.clear();
        if (error)
            *error = text;
        return false;
    };
    if (path.isEmpty())
        return bad(QStringLiteral("No file name given"));
    if (size.width() < 16 || size.height() < 16 || size.width() > 8192 || size.height() > 8192 ||
        size.width() % 2 || size.height() % 2)
        return bad(
            QStringLiteral("Unsupported picture size %1x%2").arg(size.width()).arg(size.height()));
    if (!(fps > 0.5 && fps <= 240))
        return bad(QStringLiteral("Unsupported frame rate %1").arg(fps));
    if (d->audio.sampleRate != 0 && !d->audio.valid())
        return bad(QStringLiteral("Unsupported audio format"));

    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return bad(QStringLiteral("Folder does not exist: ") +
                   QDir::toNativeSeparators(info.absolutePath()));

    // Choose the encoder.
    const AVCodec* enc = nullptr;
    AVPixelFormat pix = AV_PIX_FMT_NONE;
    const bool mjpeg = codec.isEmpty() || codec.compare("MJPEG", Qt::CaseInsensitive) == 0;
    const bool raw = codec.compare("Uncompressed", Qt::CaseInsensitive) == 0;
    if (mjpeg) {
        enc = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
        pix = AV_PIX_FMT_YUVJ420P;
    } else if (raw) {
        enc = avcodec_find_encoder(AV_CODEC_ID_RAWVIDEO);
        pix = AV_PIX_FMT_BGR24;
    } else {
        enc = avcodec_find_encoder_by_name(codec.toLatin1().constData());
        const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
        if (!enc || !avi || !usableVideoEncoder(enc, avi))
            return bad(QStringLiteral("Unknown video compressor: ") + codec);
        pix = enc->pix_fmts[0];
        for (const AVPixelFormat* p = enc->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
            if (*p == AV_PIX_FMT_YUV420P)
                pix = *p;
    }
    if (!enc)
        return bad(QStringLiteral("Video compressor not available: ") + codec);

    d->path = info.absoluteFilePath();
    d->tempPath = d->path + QStringLiteral(".part");
    QFile::remove(d->tempPath);
    const QByteArray temp = platform::ffmpegFileName(d->tempPath);

    int rc = avformat_alloc_output_context2(&d->fmt, nullptr, "avi", temp.constData());
    if (rc < 0 || !d->fmt)
        return bad(QStringLiteral("Cannot create the video file: ") + avErrorText(rc));

    d->venc = avcodec_alloc_context3(enc);
    const AVRational rate = av_d2q(fps, 100000);
    d->venc->width = size.width();
    d->venc->height = size.height();
    d->venc->pix_fmt = pix;
    d->venc->time_base = av_inv_q(rate);
    d->venc->framerate = rate;
    d->venc->gop_size = 12;
    d->venc->sample_aspect_ratio = AVRational{1, 1};
    if (mjpeg) {
        // Fixed quality instead of a bit rate: capture must not lose detail on fast motion.
        d->venc->flags |= AV_CODEC_FLAG_QSCALE;
        d->venc->global_quality = FF_QP2LAMBDA * d->quality;
        d->venc->color_range = AVCOL_RANGE_JPEG;
    }
    // Two cores: the device thread renders while the encoder works on slices/frames.
    d->venc->thread_count = std::clamp(QThread::idealThreadCount(), 1, 4);
    d->venc->thread_type = FF_THREAD_SLICE | FF_THREAD_FRAME;
    if (d->fmt->oformat->flags & AVFMT_GLOBALHEADER)
        d->venc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    rc = avcodec_open2(d->venc, enc, nullptr);
    if (rc < 0)
        return bad(QStringLiteral("Cannot start the video compressor: ") + avErrorText(rc));

    d->vstream = avformat_new_stream(d->fmt, nullptr);
    avcodec_parameters_from_context(d->vstream->codecpar, d->venc);
    d->bottomUp = raw;
    if (raw) {
        // Tells the AVI muxer the rows come bottom-up, so it writes a positive height (the
        // classic DIB layout) instead of a top-down picture some players cannot show.
        static const char flag[] = "BottomUp";
        AVCodecParameters* par = d->vstream->codecpar;
        par->extradata =
            static_cast<uint8_t*>(av_mallocz(sizeof flag + AV_INPUT_BUFFER_PADDING_SIZE));
        std::memcpy(par->extradata, flag, sizeof flag);
        par->extradata_size = int(sizeof flag);
    }
    d->vstream->time_base = d->venc->time_base;
    d->vstream->avg_frame_rate = rate;
    d->vstream->r_frame_rate = rate;

    if (d->audio.valid()) {
        d->astream = avformat_new_stream(d->fmt, nullptr);
        AVCodecParameters* par = d->astream->codecpar;
        par->codec_type = AVMEDIA_TYPE_AUDIO;
        par->codec_id = d->audio.bitsPerSample == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE;
        par->sample_rate = d->audio.sampleRate;
        av_channel_layout_default(&par->ch_layout, d->audio.channels);
        par->bits_per_coded_sample = d->audio.bitsPerSample;
        par->block_align = d->audio.bytesPerSample();
        par->bit_rate = int64_t(d->audio.sampleRate) * d->audio.bytesPerSample() * 8;
        d->astream->time_base = AVRational{1, d->audio.sampleRate};
    }

    rc = avio_open(&d->fmt->pb, temp.constData(), AVIO_FLAG_WRITE);
    if (rc < 0)
        return bad(QStringLiteral("Cannot write to ") + QDir::toNativeSeparators(d->path) +
                   QStringLiteral(": ") + avErrorText(rc));
    rc = avformat_write_header(d->fmt, nullptr);
    if (rc < 0)
        return bad(QStringLiteral("Cannot write the video file: ") + avErrorText(rc));
    d->work = av_frame_alloc();
    d->packet = av_packet_alloc();
    return true;
}

bool VideoFileWriter::writeFrame(const QImage& frame)
{
    if (!d->fmt || d->failed)
        return false;
    if (frame.isNull())
        return d->fail(QStringLiteral("Empty picture"));
    QImage img = frame;
    AVPixelFormat f = pixelFormatOf(img);
    if (f == AV_PIX_FMT_NONE) {
        img = img.convertToFormat(QImage::Format_RGB32);
        f = pixelFormatOf(img);
    }
    const uint8_t* planes[4] = {img.constBits(), nullptr, nullptr, nullptr};
    const int lines[4] = {int(img.bytesPerLine()), 0, 0, 0};
    if (!d->convert(planes, lines, img.width(), img.height(), f))
        return false;
    return d->encode(d->work);
}

bool VideoFileWriter::writeFrame(const AVFrame* frame)
{
    if (!d->fmt || d->failed)
        return false;
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return d->fail(QStringLiteral("Empty picture"));
    if (frame->format == d->venc->pix_fmt && frame->width == d->venc->width &&
        frame->height == d->venc->height) {
        // Shares the buffers (reference counted) instead of copying.
        av_frame_unref(d->work);
        if (av_frame_ref(d->work, frame) < 0)
            return d->fail(QStringLiteral("Out of memory"));
        return d->encode(d->work);
    }
    if (!d->convert(frame->data, frame->linesize, frame->width, frame->height,
                    AVPixelFormat(frame->format)))
        return false;
    return d->encode(d->work);
}

bool VideoFileWriter::writeAudio(const void* data, int frames)
{
    if (!d->fmt || d->failed)
        return false;
    if (!d->astream)
        return d->fail(QStringLiteral("The video file has no audio stream"));
    if (frames <= 0)
        return true;
    const int bytes = frames * d->audio.bytesPerSample();
    AVPacket* pkt = av_packet_alloc();
    if (!pkt || av_new_packet(pkt, bytes) < 0) {
        av_packet_free(&pkt);
        return d->fail(QStringLiteral("Out of memory"));
    }
    std::memcpy(pkt->data, data, size_t(bytes));
    pkt->pts = pkt->dts = d->audioFrames;
    pkt->duration = frames;
    pkt->stream_index = d->astream->index;
    av_packet_rescale_ts(pkt, AVRational{1, d->audio.sampleRate}, d->astream->time_base);
    d->audioFrames += frames;
    const int rc = av_interleaved_write_frame(d->fmt, pkt);
    av_packet_free(&pkt);
    if (rc < 0)
        return d->fail(QStringLiteral("Cannot write the video file: ") + avErrorText(rc));
    return true;
}

bool VideoFileWriter::close(QString* error)
{
    if (!d->fmt) {
        if (error)
            *error = QStringLiteral("No video file is open");
        return false;
    }
    bool ok = !d->failed;
    if (ok) {
        int rc = avcodec_send_frame(d->venc, nullptr);
        if (rc < 0)
            ok = d->fail(QStringLiteral("Video encoding failed: ") + avErrorText(rc));
        else
            ok = d->drain();
    }
    if (ok) {
        int rc = av_write_trailer(d->fmt);
        if (rc < 0)
            ok = d->fail(QStringLiteral("Cannot finish the video file: ") + avErrorText(rc));
    }
    if (ok && d->fmt->pb) {
        avio_flush(d->fmt->pb);
        if (d->fmt->pb->error < 0)
            ok = d->fail(QStringLiteral("Cannot write the video file: ") +
                         avErrorText(d->fmt->pb->error));
        int rc = avio_closep(&d->fmt->pb);
        if (ok && rc < 0)
            ok = d->fail(QStringLiteral("Cannot write the video file: ") + avErrorText(rc));
    }
    d->release();
    if (ok) {
        QFile::remove(d->path);
        if (!QFile::rename(d->tempPath, d->path)) {
            // The recording itself is complete: keep it under its temporary name rather than
            // throw it away because the final name is taken or locked.
            d->fail(
                QStringLiteral("Cannot write %1; the recording was kept as %2")
                    .arg(QDir::toNativeSeparators(d->path), QDir::toNativeSeparators(d->tempPath)));
            d->tempPath.clear();
            ok = false;
        }
    }
    if (!ok && !d->tempPath.isEmpty()) {
        // A recording that broke off (a full disk, a failing drive) may still hold the jump:
        // keep what reached the disk, unindexed but readable, and say where it is.
        if (d->frames > 0 && QFileInfo(d->tempPath).size() > 0) {
            d->keptPartial = d->tempPath;
            d->error += keptPartialNote(d->tempPath);
        } else
            QFile::remove(d->tempPath);
    }
    d->tempPath.clear();
    if (!ok && error)
        *error = d->error;
    return ok;
}

QString VideoFileWriter::keptPartialFile() const
{
    return d->keptPartial;
}

QString VideoFileWriter::keptPartialNote(const QString& partPath)
{
    return QStringLiteral("; the frames recorded so far are kept in %1")
        .arg(QDir::toNativeSeparators(partPath));
}

void VideoFileWriter::discard()
{
    d->release();
    if (!d->tempPath.isEmpty())
        QFile::remove(d->tempPath);
    d->tempPath.clear();
}

int VideoFileWriter::framesWritten() const
{
    return d->frames;
}

qint64 VideoFileWriter::audioFramesWritten() const
{
    return d->audioFrames;
}

QSize VideoFileWriter::frameSize() const
{
    return d->venc ? QSize(d->venc->width, d->venc->height) : QSize();
}

int VideoFileWriter::nativePixelFormat() const
{
    return d->venc ? int(d->venc->pix_fmt) : int(AV_PIX_FMT_NONE);
}

QString VideoFileWriter::lastError() const
{
    return d->error;
}

QImage imageFromFrame(const AVFrame* frame)
{
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return {};
    QImage img(frame->width, frame->height, QImage::Format_RGB32);
    SwsContext* sws =
        scaler(nullptr, frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
               frame->height, Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AV_PIX_FMT_BGRA : AV_PIX_FMT_ARGB,
               SWS_POINT);
    if (!sws)
        return {};
    uint8_t* dst[4] = {img.bits(), nullptr, nullptr, nullptr};
    const int lines[4] = {int(img.bytesPerLine()), 0, 0, 0};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, lines);
    sws_freeContext(sws);
    // The alpha byte of BGRA is whatever the source had; make it opaque.
    return img.convertToFormat(QImage::Format_RGB32);
}

} // namespace zelvan::capture
