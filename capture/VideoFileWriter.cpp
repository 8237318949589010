#include "capture/VideoFileWriter.h"
#include "base/Platform.h"
#include "base/Result.h"
#include "base/WholeFile.h"
#include "capture/PartialAvi.h"
#include "capture/Source.h"
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

// The encoder behind a compressor name and the pixel format it is fed.
struct EncoderChoice {
    const AVCodec* codec = nullptr;
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    bool mjpeg = false;
    bool raw = false;
};

Result<EncoderChoice> chooseEncoder(const QString& codec)
{
    EncoderChoice choice;
    choice.mjpeg = codec.isEmpty() || codec.compare("MJPEG", Qt::CaseInsensitive) == 0;
    choice.raw = codec.compare("Uncompressed", Qt::CaseInsensitive) == 0;
    if (choice.mjpeg) {
        choice.codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
        choice.pixelFormat = AV_PIX_FMT_YUVJ420P;
    } else if (choice.raw) {
        choice.codec = avcodec_find_encoder(AV_CODEC_ID_RAWVIDEO);
        choice.pixelFormat = AV_PIX_FMT_BGR24;
    } else {
        const AVCodec* enc = avcodec_find_encoder_by_name(codec.toLatin1().constData());
        const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
        if (!enc || !avi || !usableVideoEncoder(enc, avi))
            return fail(QStringLiteral("Unknown video compressor: ") + codec);
        choice.codec = enc;
        choice.pixelFormat = enc->pix_fmts[0];
        for (const AVPixelFormat* p = enc->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
            if (*p == AV_PIX_FMT_YUV420P)
                choice.pixelFormat = *p;
    }
    if (!choice.codec)
        return fail(QStringLiteral("Video compressor not available: ") + codec);
    return choice;
}

Status checkPictureArguments(QSize size, double fps, const AudioFormat& audio)
{
    if (size.width() < 16 || size.height() < 16 || size.width() > 8192 || size.height() > 8192 ||
        size.width() % 2 || size.height() % 2)
        return fail(
            QStringLiteral("Unsupported picture size %1x%2").arg(size.width()).arg(size.height()));
    if (!(fps > 0.5 && fps <= 240))
        return fail(QStringLiteral("Unsupported frame rate %1").arg(fps));
    if (audio.sampleRate != 0 && !audio.valid())
        return fail(QStringLiteral("Unsupported audio format"));
    return {};
}

Status checkOpenArguments(const QString& path, QSize size, double fps, const AudioFormat& audio)
{
    if (path.isEmpty())
        return fail(QStringLiteral("No file name given"));
    if (Status valid = checkPictureArguments(size, fps, audio); !valid)
        return valid;
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return fail(QStringLiteral("Folder does not exist: ") +
                    QDir::toNativeSeparators(info.absolutePath()));
    return {};
}

// The temporary name of a new recording. An existing "<name>.part" may be the only copy of a
// jump that was cut short: it is never removed nor written over, the new one takes
// "<name>.1.part", "<name>.2.part", ...
Result<QString> freshPartName(const QString& path)
{
    QString part = path + QStringLiteral(".part");
    for (int n = 1; QFileInfo::exists(part) || QFileInfo(part).isSymLink(); ++n) {
        if (n > 999)
            return fail(QStringLiteral("Cannot write %1: too many kept .part files beside it")
                            .arg(QDir::toNativeSeparators(path)));
        part = path + QStringLiteral(".%1.part").arg(n);
    }
    return part;
}

} // namespace

struct VideoFileWriter::Impl {
    AudioFormat audio;
    int quality = 4;
    AVFormatContext* fmt = nullptr;
    AVCodecContext* venc = nullptr; // null while a camera's packets are stored (copied)
    StreamFormat copied;            // the camera's format whose packets are stored as they came
    AVRational timeBase{1, 30};     // one frame slot
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
    bool intraOnly = false;       // every packet stands alone (MJPEG, uncompressed)
    AVPacket* previous = nullptr; // the last picture's packet, for repeating it
    int64_t nextSlot = 0;         // the next frame slot to be written
    int pictures = 0;             // packets of pictures of their own in the file
    int inFlight = 0;             // pictures sent to the compressor and not yet out of it
    // Pictures numbered by the device's frame slot (kept before Start): see openEncoder().
    bool slotted = false;
    int64_t slotBase = 0;      // the slot of the file's first frame
    int64_t lastSentSlot = -1; // the last slot handed to the encoder
    std::function<bool(const AVPacket*)> sink;

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
        av_packet_free(&previous);
        sws_freeContext(sws);
        sws = nullptr;
        vstream = astream = nullptr;
        copied.reset();
    }

    // A write or close failed: later writes are refused with the same reason.
    bool markFailed(const QString& text)
    {
        error = text;
        failed = true;
        return false;
    }
    Status failure(const QString& text)
    {
        markFailed(text);
        return fail(text);
    }
    Status outcome(bool ok) const { return ok ? Status() : fail(error); }
    // Writes go only to an open file that has not failed; a failed one keeps its reason.
    Status writable() const
    {
        if (!fmt)
            return fail(QStringLiteral("No video file is open"));
        return outcome(!failed);
    }

    // Writes pkt (pts in frames) and takes its contents.
    bool writeVideoPacket(AVPacket* pkt)
    {
        av_packet_rescale_ts(pkt, timeBase, vstream->time_base);
        pkt->stream_index = vstream->index;
        const int rc = av_interleaved_write_frame(fmt, pkt);
        av_packet_unref(pkt);
        if (rc < 0)
            return markFailed(QStringLiteral("Cannot write the video file: ") + avErrorText(rc));
        return true;
    }

    // Frame slots before `slot` that got no picture repeat the previous picture's packet, so
    // every later picture keeps its time and every reader counts the file's frames alike.
    bool fillSlotsBefore(int64_t slot)
    {
        while (previous && nextSlot < slot) {
            const PacketPtr copy = clonePacket(previous);
            if (!copy)
                return markFailed(QStringLiteral("Out of memory"));
            copy->pts = copy->dts = nextSlot++;
            if (!writeVideoPacket(copy.get()))
                return false;
        }
        return true;
    }

    bool drain()
    {
        for (;;) {
            int rc = avcodec_receive_packet(venc, packet);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc < 0)
                return markFailed(QStringLiteral("Video encoding failed: ") + avErrorText(rc));
            --inFlight;
            if (slotted) {
                if (!route(packet))
                    return false;
                continue;
            }
            if (!(intraOnly ? writeIntraPacket(packet) : writeVideoPacket(packet)))
                return false;
        }
    }

    // A picture that stands alone, at frame packet->pts: the slots before it that got none
    // repeat the previous one, and it is kept for the slots after it.
    bool writeIntraPacket(AVPacket* pkt)
    {
        ++pictures;
        if (!fillSlotsBefore(pkt->pts))
            return false;
        av_packet_unref(previous);
        if (av_packet_ref(previous, pkt) < 0)
            return markFailed(QStringLiteral("Out of memory"));
        nextSlot = pkt->pts + 1;
        return writeVideoPacket(pkt);
    }

    // The camera's own packet of `frame` where the file takes it as it is: MJPEG into MJPEG at
    // the file's size, and no picture of the compressor still on its way (the file's pictures
    // stay in order).
    const AVPacket* fittingPacket(const AVFrame* frame) const
    {
        const SourcePacket own = sourcePacketOf(frame);
        if (!own.packet || own.codecId != AV_CODEC_ID_MJPEG ||
            venc->codec_id != AV_CODEC_ID_MJPEG || inFlight > 0)
            return nullptr;
        return frame->width == venc->width && frame->height == venc->height ? own.packet : nullptr;
    }

    // Writes `own` unchanged as the picture of frame slot `pts`, as if it came from the
    // compressor.
    bool passOn(const AVPacket* own, int64_t pts)
    {
        const PacketPtr copy = numberedCopy(own, pts);
        if (!copy)
            return markFailed(QStringLiteral("Out of memory"));
        copy->flags |= AV_PKT_FLAG_KEY;
        if (slotted) {
            noteSentSlot(pts);
            return route(copy.get());
        }
        ++frames;
        return writeIntraPacket(copy.get());
    }

    // A packet numbered by slot: to the sink while it keeps packets (always before the file
    // exists), else into the file.
    bool route(AVPacket* pkt)
    {
        // Every picture of an intra-only compressor is a key frame, whether or not the encoder
        // marked it (MJPEG with frame threads does not).
        if (intraOnly)
            pkt->flags |= AV_PKT_FLAG_KEY;
        if ((sink && sink(pkt)) || !fmt) {
            av_packet_unref(pkt);
            return true;
        }
        return writeAtSlot(pkt, pkt->pts);
    }

    // Slots before the file's first picture (it was still being compressed when the file
    // began) show that picture; `pkt` is kept to fill the slots before the next one.
    bool repeatable(AVPacket* pkt, int64_t frame)
    {
        if (!previous->data && av_packet_ref(previous, pkt) < 0)
            return markFailed(QStringLiteral("Out of memory"));
        if (!fillSlotsBefore(frame))
            return false;
        av_packet_unref(previous);
        if (av_packet_ref(previous, pkt) < 0)
            return markFailed(QStringLiteral("Out of memory"));
        return true;
    }

    // The camera's own packet of `frame` numbered by `slot`, to the sink or the file; a
    // picture without one (changed by an effect) leaves its slot empty.
    bool routeCopied(const AVFrame* frame, int64_t slot)
    {
        const AVPacket* own = copiedPacket(frame);
        if (!own)
            return true;
        const PacketPtr copy = numberedCopy(own, slot);
        if (!copy)
            return markFailed(QStringLiteral("Out of memory"));
        noteSentSlot(slot);
        return route(copy.get());
    }

    // The camera's own packet of `frame` when it is of the stored format and size; null for a
    // picture without one (changed by an effect).
    const AVPacket* copiedPacket(const AVFrame* frame) const
    {
        const SourcePacket own = sourcePacketOf(frame);
        if (!own.packet || own.codecId != copied->codec_id || frame->width != copied->width ||
            frame->height != copied->height)
            return nullptr;
        return own.packet;
    }

    // A new reference to `own` as the one picture of frame slot `slot`; null when out of memory.
    static PacketPtr numberedCopy(const AVPacket* own, int64_t slot)
    {
        PacketPtr copy = clonePacket(own);
        if (copy) {
            copy->pts = copy->dts = slot;
            copy->duration = 1;
        }
        return copy;
    }

    bool writeAtSlot(AVPacket* pkt, int64_t slot)
    {
        const int64_t frame = slot - slotBase;
        if (frame < nextSlot) { // before the file's first frame, or already written
            av_packet_unref(pkt);
            return true;
        }
        // A camera's packet leans on the ones before it: a slot without one stays empty.
        if (!copied && !repeatable(pkt, frame))
            return false;
        nextSlot = frame + 1;
        frames = int(std::max<int64_t>(frames, nextSlot));
        ++pictures;
        pkt->pts = pkt->dts = frame;
        return writeVideoPacket(pkt);
    }

    // `count` slots without a picture of their own: an intra-only compressor repeats the
    // previous packet (see fillSlotsBefore); any other compresses the previous picture again.
    bool repeat(int count)
    {
        // A stored camera packet that leans on the one before cannot be repeated: the slots
        // stay empty in the file (a dropped frame that players show as the one before).
        if (intraOnly || copied) {
            frames += count;
            return true;
        }
        for (int i = 0; i < count; ++i) {
            if (!encode(work))
                return false;
        }
        return true;
    }

    bool encode(AVFrame* frame) { return send(frame, frames) && (++frames, drain()); }

    bool encodeSlot(AVFrame* frame, int64_t slot)
    {
        if (!send(frame, slot))
            return false;
        noteSentSlot(slot);
        return drain();
    }

    void noteSentSlot(int64_t slot)
    {
        lastSentSlot = slot;
        if (fmt)
            frames = int(std::max<int64_t>(frames, slot + 1 - slotBase));
    }

    bool send(AVFrame* frame, int64_t pts)
    {
        frame->pts = pts;
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
            return markFailed(QStringLiteral("Video encoding failed: ") + avErrorText(rc));
        ++inFlight;
        return true;
    }

    // The picture `frame` in `work`, in the encoder's format and size.
    bool prepare(const AVFrame* frame)
    {
        if (frame->format == venc->pix_fmt && frame->width == venc->width &&
            frame->height == venc->height) {
            // Shares the buffers (reference counted) instead of copying.
            av_frame_unref(work);
            if (av_frame_ref(work, frame) < 0)
                return markFailed(QStringLiteral("Out of memory"));
            return true;
        }
        return convert(frame->data, frame->linesize, frame->width, frame->height,
                       AVPixelFormat(frame->format));
    }

    // Converts src (given as planes) into `work`, a fresh buffer each time because the
    // encoder may still hold the previous one (frame threads).
    bool convert(const uint8_t* const* data, const int* linesize, int w, int h, AVPixelFormat f)
    {
        sws = scaler(sws, w, h, f, venc->width, venc->height, venc->pix_fmt, SWS_BILINEAR);
        if (!sws)
            return markFailed(QStringLiteral("Cannot convert the picture for the video file"));
        av_frame_unref(work);
        work->format = venc->pix_fmt;
        work->width = venc->width;
        work->height = venc->height;
        if (av_frame_get_buffer(work, 0) < 0)
            return markFailed(QStringLiteral("Out of memory"));
        sws_scale(sws, data, linesize, 0, h, work->data, work->linesize);
        return true;
    }
    // The steps of VideoFileWriter::open(); a failure leaves the cleaning up to it.
    Status open(const QString& target, QSize size, double fps, const QString& codec)
    {
        if (Status valid = checkOpenArguments(target, size, fps, audio); !valid)
            return valid;
        const Result<EncoderChoice> choice = chooseEncoder(codec);
        if (!choice)
            return fail(choice.error());
        if (Status writable = checkWriteTarget(target); !writable)
            return writable;
        path = QFileInfo(target).absoluteFilePath();
        const Result<QString> part = freshPartName(path);
        if (!part)
            return fail(part.error());
        tempPath = *part;
        if (Status started = openEncoder(*choice, size, av_d2q(fps, 100000)); !started)
            return started;
        return createFile();
    }

    // The file for the running encoder, under a fresh temporary name.
    Status createFile()
    {
        if (tempPath.isEmpty()) {
            const Result<QString> part = freshPartName(path);
            if (!part)
                return fail(part.error());
            tempPath = *part;
        }
        const QByteArray temp = platform::ffmpegFileName(tempPath);
        const int rc = avformat_alloc_output_context2(&fmt, nullptr, "avi", temp.constData());
        if (rc < 0 || !fmt)
            return fail(QStringLiteral("Cannot create the video file: ") + avErrorText(rc));
        if (copied)
            addCopiedStream();
        else
            addVideoStream(venc->framerate);
        if (audio.valid())
            addAudioStream();
        return startFile(temp);
    }

    Status openEncoder(const EncoderChoice& choice, QSize size, AVRational rate)
    {
        venc = avcodec_alloc_context3(choice.codec);
        venc->width = size.width();
        venc->height = size.height();
        venc->pix_fmt = choice.pixelFormat;
        venc->time_base = av_inv_q(rate);
        venc->framerate = rate;
        venc->gop_size = 12;
        venc->sample_aspect_ratio = AVRational{1, 1};
        if (choice.mjpeg) {
            // Fixed quality instead of a bit rate: capture must not lose detail on fast motion.
            venc->flags |= AV_CODEC_FLAG_QSCALE;
            venc->global_quality = FF_QP2LAMBDA * quality;
            venc->color_range = AVCOL_RANGE_JPEG;
        }
        // Two cores: the device thread renders while the encoder works on slices/frames.
        venc->thread_count = std::clamp(QThread::idealThreadCount(), 1, 4);
        venc->thread_type = FF_THREAD_SLICE | FF_THREAD_FRAME;
        const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
        if (avi && (avi->flags & AVFMT_GLOBALHEADER))
            venc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        const int rc = avcodec_open2(venc, choice.codec, nullptr);
        if (rc < 0)
            return fail(QStringLiteral("Cannot start the video compressor: ") + avErrorText(rc));
        timeBase = venc->time_base;
        bottomUp = choice.raw;
        const AVCodecDescriptor* codec = avcodec_descriptor_get(venc->codec_id);
        intraOnly = codec && (codec->props & AV_CODEC_PROP_INTRA_ONLY);
        work = av_frame_alloc();
        packet = av_packet_alloc();
        previous = av_packet_alloc();
        if (!work || !packet || !previous)
            return fail(QStringLiteral("Out of memory"));
        return {};
    }

    void addVideoStream(AVRational rate)
    {
        vstream = avformat_new_stream(fmt, nullptr);
        avcodec_parameters_from_context(vstream->codecpar, venc);
        if (bottomUp) {
            // Tells the AVI muxer the rows come bottom-up, so it writes a positive height (the
            // classic DIB layout) instead of a top-down picture some players cannot show.
            static const char flag[] = "BottomUp";
            AVCodecParameters* par = vstream->codecpar;
            par->extradata =
                static_cast<uint8_t*>(av_mallocz(sizeof flag + AV_INPUT_BUFFER_PADDING_SIZE));
            std::memcpy(par->extradata, flag, sizeof flag);
            par->extradata_size = int(sizeof flag);
        }
        vstream->time_base = venc->time_base;
        vstream->avg_frame_rate = rate;
        vstream->r_frame_rate = rate;
    }

    void addCopiedStream()
    {
        vstream = avformat_new_stream(fmt, nullptr);
        avcodec_parameters_copy(vstream->codecpar, copied.get());
        vstream->codecpar->codec_tag = 0; // the file's own tag for the codec
        vstream->time_base = timeBase;
        vstream->avg_frame_rate = av_inv_q(timeBase);
        vstream->r_frame_rate = av_inv_q(timeBase);
    }

    // The camera's packet that `frame` carries, stored as it came at the next frame slot; a
    // picture without one of this format (changed by an effect) leaves its slot empty.
    bool storeCopied(const AVFrame* frame)
    {
        const int slot = frames++;
        const AVPacket* own = copiedPacket(frame);
        if (!own)
            return true;
        const PacketPtr copy = numberedCopy(own, slot);
        if (!copy)
            return markFailed(QStringLiteral("Out of memory"));
        ++pictures;
        return writeVideoPacket(copy.get());
    }

    Status openCopy(const QString& target, const StreamFormat& format, double fps)
    {
        if (!format)
            return fail(QStringLiteral("No camera format to store"));
        if (Status valid =
                checkOpenArguments(target, QSize(format->width, format->height), fps, audio);
            !valid)
            return valid;
        if (Status writable = checkWriteTarget(target); !writable)
            return writable;
        path = QFileInfo(target).absoluteFilePath();
        copied = format;
        timeBase = av_inv_q(av_d2q(fps, 100000));
        return createFile();
    }

    void addAudioStream()
    {
        astream = avformat_new_stream(fmt, nullptr);
        AVCodecParameters* par = astream->codecpar;
        par->codec_type = AVMEDIA_TYPE_AUDIO;
        par->codec_id = audio.bitsPerSample == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE;
        par->sample_rate = audio.sampleRate;
        av_channel_layout_default(&par->ch_layout, audio.channels);
        par->bits_per_coded_sample = audio.bitsPerSample;
        par->block_align = audio.bytesPerSample();
        par->bit_rate = int64_t(audio.sampleRate) * audio.bytesPerSample() * 8;
        astream->time_base = AVRational{1, audio.sampleRate};
    }

    Status startFile(const QByteArray& temp)
    {
        int rc = avio_open(&fmt->pb, temp.constData(), AVIO_FLAG_WRITE);
        if (rc < 0)
            return fail(QStringLiteral("Cannot write to ") + QDir::toNativeSeparators(path) +
                        QStringLiteral(": ") + avErrorText(rc));
        rc = avformat_write_header(fmt, nullptr);
        if (rc < 0)
            return fail(QStringLiteral("Cannot write the video file: ") + avErrorText(rc));
        nextSlot = 0;
        return {};
    }

    // The steps of VideoFileWriter::close(): flush the encoder and finish the file, ...
    bool finishFile()
    {
        int rc = venc ? avcodec_send_frame(venc, nullptr) : 0;
        if (rc < 0)
            return markFailed(QStringLiteral("Video encoding failed: ") + avErrorText(rc));
        // Only pictures that stand alone are repeated by copying their packet; a compressor
        // whose pictures lean on each other encoded its repeats as pictures already.
        if ((venc && !drain()) || (intraOnly && !fillSlotsBefore(frames)))
            return false;
        rc = av_write_trailer(fmt);
        if (rc < 0)
            return markFailed(QStringLiteral("Cannot finish the video file: ") + avErrorText(rc));
        if (!fmt->pb)
            return true;
        bool ok = true;
        avio_flush(fmt->pb);
        if (fmt->pb->error < 0)
            ok = markFailed(QStringLiteral("Cannot write the video file: ") +
                            avErrorText(fmt->pb->error));
        rc = avio_closep(&fmt->pb);
        if (ok && rc < 0)
            ok = markFailed(QStringLiteral("Cannot write the video file: ") + avErrorText(rc));
        return ok;
    }

    // ... move it to its name, ...
    bool moveToName()
    {
        // Whatever is at the name (an earlier pass, another program's file) is never replaced:
        // QFile::rename refuses an existing target.
        const bool taken = QFileInfo::exists(path);
        if (!taken && QFile::rename(tempPath, path))
            return true;
        // The recording itself is complete: keep it under its temporary name rather than
        // throw it away because the final name is taken or locked, and say so only when it
        // is still there (its folder may have vanished with it).
        if (QFileInfo(tempPath).isFile()) {
            keptPartial = tempPath;
            const QString why = taken || QFileInfo::exists(path)
                                    ? QStringLiteral(": a file of that name is already there")
                                    : QString();
            markFailed(
                QStringLiteral("Cannot write %1%2; the recording was kept as %3")
                    .arg(QDir::toNativeSeparators(path), why, QDir::toNativeSeparators(tempPath)));
        } else {
            markFailed(
                QStringLiteral("Cannot write %1: the recording is lost (%2 is gone)")
                    .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(tempPath)));
        }
        tempPath.clear();
        return false;
    }

    // ... or, when that failed, keep what it holds.
    void keepOrDropPartial()
    {
        if (tempPath.isEmpty())
            return;
        // A recording that broke off (a full disk, a failing drive) may still hold the jump:
        // keep what reached the disk, with its header finished so that every reader counts
        // its pictures, and say where it is. A file that vanished, or that holds no picture a
        // reader would find, is not called kept.
        if (frames > 0 && QFileInfo(tempPath).isFile()) {
            const Result<int> pictures = finishPartialAvi(tempPath);
            if (pictures) {
                keptPartial = tempPath;
                error += keptPartialNote(tempPath, *pictures);
                return;
            }
        }
        QFile::remove(tempPath);
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

// Whatever an earlier file or encoder left is gone, and its error with it.
void VideoFileWriter::startAfresh(bool slotted)
{
    discard();
    d->error.clear();
    d->keptPartial.clear();
    d->failed = false;
    d->frames = 0;
    d->inFlight = 0;
    d->pictures = 0;
    d->audioFrames = 0;
    d->slotted = slotted;
}

Status VideoFileWriter::open(const QString& path, QSize size, double fps, const QString& codec)
{
    startAfresh(false);
    Status opened = d->open(path, size, fps, codec);
    if (!opened) {
        d->error = opened.error();
        discard();
    }
    return opened;
}

Status VideoFileWriter::openCopy(const QString& path, const StreamFormat& format, double fps)
{
    startAfresh(false);
    Status opened = d->openCopy(path, format, fps);
    if (!opened) {
        d->error = opened.error();
        discard();
    }
    return opened;
}

int VideoFileWriter::compressorCodec(const QString& codec)
{
    const Result<EncoderChoice> choice = chooseEncoder(codec);
    return choice ? int(choice->codec->id) : int(AV_CODEC_ID_NONE);
}

Status VideoFileWriter::openEncoder(QSize size, double fps, const QString& codec)
{
    startAfresh(true);
    d->slotBase = 0;
    d->lastSentSlot = -1;
    Status opened = checkPictureArguments(size, fps, d->audio);
    if (opened) {
        const Result<EncoderChoice> choice = chooseEncoder(codec);
        opened = choice ? d->openEncoder(*choice, size, av_d2q(fps, 100000)) : fail(choice.error());
    }
    if (opened && !d->intraOnly)
        opened = fail(QStringLiteral("The seconds before Start need a compressor that stores "
                                     "every picture on its own, not ") +
                      codec);
    if (!opened) {
        d->release();
        d->slotted = false;
    }
    return opened;
}

void VideoFileWriter::setPacketSink(std::function<bool(const AVPacket*)> sink)
{
    d->sink = std::move(sink);
}

Status VideoFileWriter::keepCopies(const StreamFormat& format, double fps)
{
    startAfresh(true);
    d->slotBase = 0;
    d->lastSentSlot = -1;
    if (!format)
        return fail(QStringLiteral("No camera format to store"));
    if (Status valid = checkPictureArguments(QSize(format->width, format->height), fps, d->audio);
        !valid) {
        d->slotted = false;
        return valid;
    }
    d->copied = format;
    d->timeBase = av_inv_q(av_d2q(fps, 100000));
    return {};
}

Status VideoFileWriter::encodeFrame(const AVFrame* frame, qint64 slot)
{
    if (d->copied && d->slotted) {
        if (d->failed)
            return fail(d->error);
        if (!frame || slot <= d->lastSentSlot)
            return {};
        return d->outcome(d->routeCopied(frame, slot));
    }
    if (!d->venc || !d->slotted)
        return fail(QStringLiteral("No video compressor is running"));
    if (d->failed)
        return fail(d->error);
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return d->failure(QStringLiteral("Empty picture"));
    if (slot <= d->lastSentSlot)
        return {}; // the device started counting again; the picture has no place
    if (const AVPacket* own = d->fittingPacket(frame))
        return d->outcome(d->passOn(own, slot));
    return d->outcome(d->prepare(frame) && d->encodeSlot(d->work, slot));
}

Status VideoFileWriter::attachFile(const QString& target, qint64 firstSlot)
{
    if ((!d->venc && !d->copied) || !d->slotted || d->fmt)
        return fail(QStringLiteral("No video compressor is running"));
    if (d->failed)
        return fail(d->error);
    Status opened =
        checkOpenArguments(target, frameSize(), av_q2d(av_inv_q(d->timeBase)), d->audio);
    if (opened)
        opened = checkWriteTarget(target);
    if (opened) {
        d->path = QFileInfo(target).absoluteFilePath();
        d->tempPath.clear();
        opened = d->createFile();
    }
    if (!opened) {
        d->error = opened.error();
        discard();
        return opened;
    }
    d->slotBase = firstSlot;
    d->nextSlot = 0;
    d->frames = int(std::max<qint64>(0, d->lastSentSlot + 1 - firstSlot));
    if (d->previous)
        av_packet_unref(d->previous);
    return {};
}

Status VideoFileWriter::writePacket(const AVPacket* packet, qint64 slot)
{
    if (Status writable = d->writable(); !writable)
        return writable;
    if (!packet)
        return {};
    const PacketPtr copy = clonePacket(packet);
    if (!copy)
        return d->failure(QStringLiteral("Out of memory"));
    return d->outcome(d->writeAtSlot(copy.get(), slot));
}

int VideoFileWriter::picturesWritten() const
{
    return d->pictures;
}

Status VideoFileWriter::writeFrame(const QImage& frame)
{
    if (Status writable = d->writable(); !writable)
        return writable;
    if (frame.isNull())
        return d->failure(QStringLiteral("Empty picture"));
    if (d->copied)
        return d->failure(QStringLiteral("This file stores the camera's own pictures"));
    QImage img = frame;
    AVPixelFormat f = pixelFormatOf(img);
    if (f == AV_PIX_FMT_NONE) {
        img = img.convertToFormat(QImage::Format_RGB32);
        f = pixelFormatOf(img);
    }
    const uint8_t* planes[4] = {img.constBits(), nullptr, nullptr, nullptr};
    const int lines[4] = {int(img.bytesPerLine()), 0, 0, 0};
    return d->outcome(d->convert(planes, lines, img.width(), img.height(), f) &&
                      d->encode(d->work));
}

Status VideoFileWriter::writeFrame(const AVFrame* frame)
{
    if (Status writable = d->writable(); !writable)
        return writable;
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return d->failure(QStringLiteral("Empty picture"));
    if (d->slotted)
        return fail(QStringLiteral("Pictures of this file are numbered by slot"));
    if (d->copied)
        return d->outcome(d->storeCopied(frame));
    if (const AVPacket* own = d->fittingPacket(frame))
        return d->outcome(d->passOn(own, d->frames));
    return d->outcome(d->prepare(frame) && d->encode(d->work));
}

Status VideoFileWriter::repeatPreviousFrame(int count)
{
    if (Status writable = d->writable(); !writable)
        return writable;
    if (d->frames == 0)
        return fail(QStringLiteral("No picture to repeat"));
    if (count <= 0)
        return {};
    return d->outcome(d->repeat(count));
}

Status VideoFileWriter::writeAudio(const void* data, int frames)
{
    if (Status writable = d->writable(); !writable)
        return writable;
    if (!d->astream)
        return d->failure(QStringLiteral("The video file has no audio stream"));
    if (frames <= 0)
        return {};
    const int bytes = frames * d->audio.bytesPerSample();
    AVPacket* pkt = av_packet_alloc();
    if (!pkt || av_new_packet(pkt, bytes) < 0) {
        av_packet_free(&pkt);
        return d->failure(QStringLiteral("Out of memory"));
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
        return d->failure(QStringLiteral("Cannot write the video file: ") + avErrorText(rc));
    return {};
}

Status VideoFileWriter::close()
{
    if (!d->fmt)
        return fail(QStringLiteral("No video file is open"));
    bool ok = !d->failed && d->finishFile();
    d->release();
    if (ok)
        ok = d->moveToName();
    if (!ok)
        d->keepOrDropPartial();
    d->tempPath.clear();
    return d->outcome(ok);
}

QString VideoFileWriter::keptPartialFile() const
{
    return d->keptPartial;
}

QString VideoFileWriter::keptPartialNote(const QString& partPath, int pictures)
{
    return QStringLiteral("; the %1 frames recorded so far are kept in %2")
        .arg(pictures)
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
    if (d->copied)
        return QSize(d->copied->width, d->copied->height);
    return d->venc ? QSize(d->venc->width, d->venc->height) : QSize();
}

int VideoFileWriter::nativePixelFormat() const
{
    return d->venc ? int(d->venc->pix_fmt) : int(AV_PIX_FMT_NONE);
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
