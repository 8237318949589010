#include "review/FrameReader.h"
#include "base/Platform.h"
#include "review/PixelFormats.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

namespace zelvan::review
{

namespace
{

QString avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

struct PacketEntry {
    qint64 pos = -1;
    qint64 dts = AV_NOPTS_VALUE;
    qint64 pts = AV_NOPTS_VALUE;
    bool key = false;
    bool hidden = false; // outside the file's edit list: decoded as a reference, never shown
    int palette = -1;    // the colour table in force for this packet; -1 when there is none
};

} // namespace

struct FrameReader::Impl {
    QString path;
    OpenFailure failure = OpenFailure::None;

    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* decoded = nullptr;
    SwsContext* sws = nullptr;
    int streamIndex = -1;

    std::vector<PacketEntry> packets;    // decode order
    std::vector<qint64> displayOfPacket; // packet index -> frame number
    std::vector<qint64> packetOfDisplay; // frame number -> packet index
    std::vector<qint64> keyAtOrBefore;   // packet index -> key packet index, -1 if none
    std::unordered_map<qint64, qint64> byPos;
    std::unordered_map<qint64, qint64> byDts;
    bool identifyByPos = false;
    bool identifyByDts = false;
    // Palettised video (8-bit AVI, QuickTime) carries its colour table as side data of the
    // first packet the demuxer gives, and of a packet where the table changes. Indexing
    // reads those packets, and a seek never gives the table again, so every colour table is
    // kept here and handed to the decoder with each packet it is in force for.
    std::vector<QByteArray> palettes;

    // Decoder state: continuous since the last seek.
    bool positioned = false;
    qint64 nextPacket = 0;  // index of the next packet the demuxer will give
    bool drained = false;   // end of stream was sent to the decoder
    qint64 lastOutput = -1; // frame number of the last picture the decoder gave

    qint64 currentIndex = -1;
    QImage currentPicture;
    // Stepping back through inter-coded video decodes a whole group for each step; the
    // frames just before the wanted one are kept from that decode so the next steps back
    // are free.
    static constexpr qint64 kBackSteps = 8;
    bool intraOnly = false;
    qint64 firstKey = -1; // the first packet the file marks as a key frame; -1 when none
    std::map<qint64, QImage> stepBackCache;
    double rate = 0;
    QSize frameSize;

    ~Impl() { release(); }

    void release()
    {
        sws_freeContext(sws);
        sws = nullptr;
        av_frame_free(&decoded);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        packets.clear();
        displayOfPacket.clear();
        packetOfDisplay.clear();
        keyAtOrBefore.clear();
        byPos.clear();
        byDts.clear();
        palettes.clear();
        stepBackCache.clear();
        positioned = false;
        currentIndex = -1;
        currentPicture = QImage();
        rate = 0;
        frameSize = QSize();
        streamIndex = -1;
    }

    Status refuse(OpenFailure f, const QString& why)
    {
        release();
        failure = f;
        return fail(why);
    }

    // The colour table `packet` carries, as the index it is kept under; `inForce` when it
    // carries none.
    int notePalette(int inForce)
    {
        size_t bytes = 0;
        const uint8_t* table = av_packet_get_side_data(packet, AV_PKT_DATA_PALETTE, &bytes);
        if (!table || bytes == 0)
            return inForce;
        const QByteArray copy(reinterpret_cast<const char*>(table), qsizetype(bytes));
        if (inForce >= 0 && palettes[size_t(inForce)] == copy)
            return inForce;
        palettes.push_back(copy);
        return int(palettes.size()) - 1;
    }

    // Every packet of the video stream, in the order the file holds them.
    void readPackets()
    {
        int palette = -1;
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == streamIndex && packet->size > 0) {
                PacketEntry e;
                e.pos = packet->pos;
                e.dts = packet->dts;
                e.pts = packet->pts;
                e.key = intraOnly || (packet->flags & AV_PKT_FLAG_KEY);
                e.hidden = packet->flags & AV_PKT_FLAG_DISCARD;
                palette = notePalette(palette);
                e.palette = palette;
                packets.push_back(e);
            }
            av_packet_unref(packet);
        }
    }

    // How a packet the demuxer gives after a seek is told apart: by its file position, or
    // else by its decode timestamp, when either is unique.
    void noteIdentities()
    {
        identifyByPos = true;
        identifyByDts = true;
        for (qint64 i = 0; i < qint64(packets.size()); ++i) {
            const PacketEntry& e = packets[size_t(i)];
            if (identifyByPos && (e.pos < 0 || !byPos.emplace(e.pos, i).second))
                identifyByPos = false;
            if (identifyByDts && (e.dts == AV_NOPTS_VALUE || !byDts.emplace(e.dts, i).second))
                identifyByDts = false;
        }
    }

    Status buildIndex()
    {
        const AVCodecDescriptor* desc = avcodec_descriptor_get(codec->codec_id);
        intraOnly = desc && (desc->props & AV_CODEC_PROP_INTRA_ONLY);
        readPackets();
        if (packets.empty())
            return fail(QStringLiteral("the video stream has no frames"));
        const auto key = std::find_if(packets.begin(), packets.end(),
                                      [](const PacketEntry& e) { return e.key; });
        firstKey = key == packets.end() ? -1 : qint64(key - packets.begin());
        // Decoding may always start at the first packet, key frame or not: what the decoder
        // makes of the packets before the first key frame is learnt by decoding them.
        packets.front().key = true;
        noteIdentities();
        if (Status ordered = orderForDisplay(); !ordered)
            return ordered;
        noteDisplayAndKeys();
        if (packetOfDisplay.empty())
            return fail(QStringLiteral("the video stream has no frames"));
        return {};
    }

    bool timedFrom(qint64 from) const
    {
        return std::all_of(packets.begin() + from, packets.end(), [](const PacketEntry& e) {
            return e.hidden || e.pts != AV_NOPTS_VALUE;
        });
    }

    // Presentation order: the pictures the decoder gives up to the first key frame's own
    // picture, learnt by decoding them; after it the order of the timestamps. Without
    // timestamps the whole stream is decoded once to learn the order.
    Status orderForDisplay()
    {
        packetOfDisplay.clear();
        if (intraOnly) {
            for (qint64 i = 0; i < qint64(packets.size()); ++i)
                if (!packets[size_t(i)].hidden)
                    packetOfDisplay.push_back(i);
            if (timedFrom(0))
                std::stable_sort(packetOfDisplay.begin(), packetOfDisplay.end(),
                                 [&](qint64 a, qint64 b) {
                                     return packets[size_t(a)].pts < packets[size_t(b)].pts;
                                 });
            return {};
        }
        if (firstKey < 0 || !timedFrom(firstKey))
            return learnOrderByDecoding(-1);
        if (Status learnt = learnOrderByDecoding(firstKey); !learnt)
            return learnt;
        if (packetOfDisplay.empty() || packetOfDisplay.back() != firstKey)
            return learnOrderByDecoding(-1); // the key frame's picture never came: learn all
        appendTimedAfterFirstKey();
        return {};
    }

    // The packets after the first key frame that the decoder shows after its picture, in
    // the order of their timestamps.
    void appendTimedAfterFirstKey()
    {
        const qint64 keyPts = packets[size_t(firstKey)].pts;
        std::vector<bool> shown(packets.size(), false);
        for (const qint64 i : packetOfDisplay)
            shown[size_t(i)] = true;
        std::vector<qint64> rest;
        for (qint64 i = firstKey + 1; i < qint64(packets.size()); ++i) {
            const PacketEntry& e = packets[size_t(i)];
            if (!e.hidden && !shown[size_t(i)] && e.pts > keyPts)
                rest.push_back(i);
        }
        std::stable_sort(rest.begin(), rest.end(), [&](qint64 a, qint64 b) {
            return packets[size_t(a)].pts < packets[size_t(b)].pts;
        });
        packetOfDisplay.insert(packetOfDisplay.end(), rest.begin(), rest.end());
    }

    void noteDisplayAndKeys()
    {
        const size_t n = packets.size();
        displayOfPacket.assign(n, -1);
        for (qint64 f = 0; f < qint64(packetOfDisplay.size()); ++f)
            displayOfPacket[size_t(packetOfDisplay[size_t(f)])] = f;
        keyAtOrBefore.assign(n, -1);
        qint64 lastKey = -1;
        for (size_t i = 0; i < n; ++i) {
            if (packets[i].key)
                lastKey = qint64(i);
            keyAtOrBefore[i] = lastKey;
        }
    }

    // The order in which pictures leave the decoder, decoding from the first packet: until
    // the picture of packet `until` has come, or (until < 0) through the whole stream.
    Status learnOrderByDecoding(qint64 until)
    {
        packetOfDisplay.clear();
        if (Status sought = seekTo(0); !sought)
            return sought;
        // Only the order matters here when the whole stream is decoded, not the pictures:
        // skip the costly parts of decoding.
        const AVDiscard skip = until < 0 ? AVDISCARD_ALL : AVDISCARD_DEFAULT;
        codec->skip_loop_filter = skip;
        codec->skip_idct = skip;
        bool done = false;
        auto collect = [&] {
            while (!done && avcodec_receive_frame(codec, decoded) == 0) {
                const qint64 got = decoded->pts;
                av_frame_unref(decoded);
                if (got < 0 || got >= qint64(packets.size()) || packets[size_t(got)].hidden)
                    continue;
                packetOfDisplay.push_back(got);
                done = got == until;
            }
        };
        // A key frame's picture comes out within a few packets of it, however deep the
        // reordering; give up looking for it well beyond.
        const qint64 lastToSend = until < 0 ? qint64(packets.size()) : until + 64;
        qint64 index = -1;
        while (!done && readVideoPacket(&index) && index <= lastToSend) {
            sendNumbered(index, index);
            collect();
        }
        if (!done) {
            avcodec_send_packet(codec, nullptr);
            collect();
        }
        avcodec_flush_buffers(codec);
        codec->skip_loop_filter = AVDISCARD_DEFAULT;
        codec->skip_idct = AVDISCARD_DEFAULT;
        positioned = false;
        return {};
    }

    // Which indexed packet the demuxer just gave; -1 when it cannot be told.
    qint64 identify(const AVPacket* p) const
    {
        if (identifyByPos) {
            const auto it = byPos.find(p->pos);
            if (it != byPos.end())
                return it->second;
        }
        if (identifyByDts) {
            const auto it = byDts.find(p->dts);
            if (it != byDts.end())
                return it->second;
        }
        return -1;
    }

    // From the very start: always possible, and the only way when packets cannot be told
    // apart after a seek.
    Status seekToStart()
    {
        const PacketEntry& first = packets.front();
        const qint64 firstTs = first.dts != AV_NOPTS_VALUE   ? first.dts
                               : first.pts != AV_NOPTS_VALUE ? first.pts
                                                             : 0;
        int rc = avformat_seek_file(format, streamIndex, INT64_MIN, firstTs, firstTs, 0);
        if (rc < 0)
            rc = av_seek_frame(format, streamIndex, firstTs, AVSEEK_FLAG_BACKWARD);
        if (rc < 0)
            return fail(QStringLiteral("cannot seek: %1").arg(avError(rc)));
        nextPacket = 0;
        positioned = true;
        return {};
    }

    Status seekTo(qint64 key)
    {
        avcodec_flush_buffers(codec);
        positioned = false;
        drained = false;
        lastOutput = -1;
        const PacketEntry& e = packets[size_t(key)];
        const qint64 ts = e.dts != AV_NOPTS_VALUE ? e.dts : e.pts;
        int rc = -1;
        if (key > 0 && ts != AV_NOPTS_VALUE && (identifyByPos || identifyByDts))
            rc = av_seek_frame(format, streamIndex, ts, AVSEEK_FLAG_BACKWARD);
        if (rc < 0)
            return seekToStart();
        nextPacket = -1; // told by the first packet read
        positioned = true;
        return {};
    }

    // Reads the next packet of the video stream into `packet`; false at the end.
    bool readVideoPacket(qint64* index)
    {
        while (true) {
            const int rc = av_read_frame(format, packet);
            if (rc < 0)
                return false;
            if (packet->stream_index == streamIndex && packet->size > 0) {
                qint64 i = identify(packet);
                if (i < 0)
                    i = nextPacket;
                if (i < 0 || i >= qint64(packets.size())) {
                    av_packet_unref(packet);
                    continue;
                }
                *index = i;
                nextPacket = i + 1;
                return true;
            }
            av_packet_unref(packet);
        }
    }

    // Gives the colour table in force for packet `index` to the decoder along with it, unless
    // the demuxer already attached one.
    void attachPalette(qint64 index)
    {
        const int palette = packets[size_t(index)].palette;
        if (palette < 0 || av_packet_get_side_data(packet, AV_PKT_DATA_PALETTE, nullptr))
            return;
        const QByteArray& table = palettes[size_t(palette)];
        uint8_t* side = av_packet_new_side_data(packet, AV_PKT_DATA_PALETTE, size_t(table.size()));
        if (side)
            std::memcpy(side, table.constData(), size_t(table.size()));
    }

    // Sends `packet` (indexed packet `index`) to the decoder with our own numbering: the
    // picture the decoder gives back carries `pts`, whatever the container's timestamps say.
    int sendNumbered(qint64 index, qint64 pts)
    {
        attachPalette(index);
        packet->pts = pts;
        packet->dts = index;
        const int rc = avcodec_send_packet(codec, packet);
        av_packet_unref(packet);
        return rc;
    }

    Result<QImage> convert(const AVFrame* f)
    {
        bool fullRange = f->color_range == AVCOL_RANGE_JPEG;
        const AVPixelFormat src = plainFormat(AVPixelFormat(f->format), &fullRange);
        sws = sws_getCachedContext(sws, f->width, f->height, src, f->width, f->height,
                                   AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!sws)
            return fail(QStringLiteral("cannot convert pixel format %1")
                            .arg(QString::fromUtf8(av_get_pix_fmt_name(AVPixelFormat(f->format)))));
        const int space =
            f->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : int(f->colorspace);
        const int* srcTable = sws_getCoefficients(space);
        sws_setColorspaceDetails(sws, srcTable, fullRange ? 1 : 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        QImage out(f->width, f->height, QImage::Format_BGR888);
        if (out.isNull())
            return fail(QStringLiteral("out of memory"));
        uint8_t* dst[4] = {out.bits(), nullptr, nullptr, nullptr};
        int dstStride[4] = {int(out.bytesPerLine()), 0, 0, 0};
        sws_scale(sws, f->data, f->linesize, 0, f->height, dst, dstStride);
        return out;
    }

    // One decoding run towards frame `target`, from the last seek: where it starts, and
    // which frames before the target are kept for stepping back.
    struct Run {
        qint64 target = 0;
        qint64 key = 0;      // the key packet decoding starts at
        qint64 keepFrom = 0; // frames from here up to the target go to stepBackCache
        bool feeding = true; // false right after a seek: packets before a key are skipped
        bool restarted = false;
    };

    // What the decoder gave; the target when it was reached.
    std::optional<Result<QImage>> takeDecoded(const Run& run)
    {
        const qint64 got = decoded->pts;
        if (got == run.target) {
            Result<QImage> picture = convert(decoded);
            av_frame_unref(decoded);
            lastOutput = got;
            return picture;
        }
        if (got >= run.keepFrom && got < run.target) {
            const Result<QImage> kept = convert(decoded);
            if (kept)
                stepBackCache[got] = *kept;
        }
        av_frame_unref(decoded);
        if (got != AV_NOPTS_VALUE && got > lastOutput)
            lastOutput = got;
        return std::nullopt;
    }

    // Gives the decoder its next packet, or the end of the stream.
    Status feed(Run& run)
    {
        qint64 index = -1;
        if (!readVideoPacket(&index)) {
            avcodec_send_packet(codec, nullptr);
            drained = true;
            return {};
        }
        if (!run.feeding) {
            // Start at a key frame at or before the one we need; a seek that landed beyond it
            // starts over from the beginning of the file.
            if (index > run.key && !run.restarted) {
                av_packet_unref(packet);
                run.restarted = true;
                return seekTo(0);
            }
            // A seek by decode timestamp may land a key frame early (B-frame streams whose
            // container shifts the timestamps): its packets are skipped, not decoded.
            if (index < run.key || !packets[size_t(index)].key) {
                av_packet_unref(packet);
                return {};
            }
            run.feeding = true;
        }
        const qint64 shown = displayOfPacket[size_t(index)];
        const int rc = sendNumbered(index, shown >= 0 ? shown : -1 - index); // never a target
        // A damaged packet is skipped; the frame it held is then reported as undecodable.
        if (rc < 0 && rc != AVERROR_INVALIDDATA)
            return fail(QStringLiteral("decoding failed: %1").arg(avError(rc)));
        return {};
    }

    // Runs the decoder until it gives frame `target`; frames before it are dropped. Right
    // after a seek, packets before a suitable key frame are skipped.
    Result<QImage> decodeUntil(qint64 target, bool afterSeek, qint64 key, qint64 keepFrom)
    {
        Run run{target, key, keepFrom, !afterSeek, false};
        while (true) {
            const int rc = avcodec_receive_frame(codec, decoded);
            if (rc == 0) {
                if (auto picture = takeDecoded(run))
                    return std::move(*picture);
                continue;
            }
            Status step;
            if (rc == AVERROR_EOF || (rc == AVERROR(EAGAIN) && drained))
                step = fail(QStringLiteral("frame %1 could not be decoded").arg(target));
            else if (rc != AVERROR(EAGAIN))
                step = fail(QStringLiteral("decoding failed: %1").arg(avError(rc)));
            else
                step = feed(run);
            if (!step) {
                positioned = false;
                return fail(step.error());
            }
        }
    }
};

FrameReader::FrameReader() : d(std::make_unique<Impl>()) {}
FrameReader::~FrameReader() = default;

Status FrameReader::openDecoder()
{
    const AVCodec* decoder = nullptr;
    int rc = av_find_best_stream(d->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (rc == AVERROR_DECODER_NOT_FOUND)
        return d->refuse(OpenFailure::NoDecoder, QStringLiteral("no decoder for the video stream"));
    if (rc < 0)
        return d->refuse(OpenFailure::CannotOpen, QStringLiteral("no video stream"));
    d->streamIndex = rc;
    const AVStream* stream = d->format->streams[rc];
    d->codec = avcodec_alloc_context3(decoder);
    if (!d->codec || avcodec_parameters_to_context(d->codec, stream->codecpar) < 0)
        return d->refuse(OpenFailure::NoDecoder, QStringLiteral("cannot set up the decoder"));
    d->codec->thread_count = 0; // as many as the machine has
    d->codec->pkt_timebase = stream->time_base;
    rc = avcodec_open2(d->codec, decoder, nullptr);
    if (rc < 0)
        return d->refuse(OpenFailure::NoDecoder,
                         QStringLiteral("cannot open the decoder: %1").arg(avError(rc)));
    return {};
}

Status FrameReader::open(const QString& path)
{
    d->release();
    d->path = path;
    d->failure = OpenFailure::None;
    const QByteArray local = platform::ffmpegFileName(path);
    int rc = avformat_open_input(&d->format, local.constData(), nullptr, nullptr);
    if (rc < 0)
        return d->refuse(OpenFailure::CannotOpen,
                         QStringLiteral("cannot open: %1").arg(avError(rc)));
    rc = avformat_find_stream_info(d->format, nullptr);
    if (rc < 0)
        return d->refuse(OpenFailure::CannotOpen,
                         QStringLiteral("cannot read stream information: %1").arg(avError(rc)));
    if (Status decoder = openDecoder(); !decoder)
        return decoder;
    d->packet = av_packet_alloc();
    d->decoded = av_frame_alloc();
    if (!d->packet || !d->decoded)
        return d->refuse(OpenFailure::CannotOpen, QStringLiteral("out of memory"));
    if (const Status indexed = d->buildIndex(); !indexed)
        return d->refuse(OpenFailure::CannotOpen, indexed.error());

    const AVStream* stream = d->format->streams[d->streamIndex];
    AVRational r = stream->avg_frame_rate;
    if (r.num <= 0 || r.den <= 0)
        r = stream->r_frame_rate;
    d->rate = (r.num > 0 && r.den > 0) ? av_q2d(r) : 0.0;
    d->frameSize = QSize(d->codec->width, d->codec->height);
    d->positioned = false;
    return {};
}

void FrameReader::close()
{
    d->release();
    d->path.clear();
    d->failure = OpenFailure::None;
}

bool FrameReader::isOpen() const
{
    return d->format != nullptr;
}

FrameReader::OpenFailure FrameReader::openFailure() const
{
    return d->failure;
}

QString FrameReader::path() const
{
    return d->path;
}

qint64 FrameReader::frameCount() const
{
    return qint64(d->packetOfDisplay.size());
}

double FrameReader::frameRate() const
{
    return d->rate;
}

QSize FrameReader::size() const
{
    return d->frameSize;
}

QString FrameReader::codecName() const
{
    return d->codec ? QString::fromUtf8(avcodec_get_name(d->codec->codec_id)) : QString();
}

Result<QImage> FrameReader::decodeFrame(qint64 n)
{
    const qint64 key = d->keyAtOrBefore[size_t(d->packetOfDisplay[size_t(n)])];
    // Keep decoding forward when the wanted frame lies ahead and no key frame closer to it
    // lies beyond the packets already given to the decoder; otherwise seek.
    const bool forward = d->positioned && !d->drained && n > d->lastOutput && d->nextPacket >= 0 &&
                         key <= d->nextPacket && (d->currentIndex < 0 || n > d->currentIndex);
    if (!forward) {
        if (const Status sought = d->seekTo(key); !sought)
            return fail(sought.error());
    }
    qint64 keepFrom = n;
    if (!d->intraOnly && n == d->currentIndex - 1) {
        d->stepBackCache.clear();
        keepFrom = qMax<qint64>(0, n - Impl::kBackSteps);
    }
    Result<QImage> picture = d->decodeUntil(n, !forward, key, keepFrom);
    // A picture that refers to frames before its key frame (an open group of pictures) is
    // not given when decoding starts at that key frame; the key frame before it helps.
    if (!picture && key > 0) {
        const qint64 earlier = d->keyAtOrBefore[size_t(key - 1)];
        if (earlier >= 0 && d->seekTo(earlier))
            picture = d->decodeUntil(n, true, earlier, keepFrom);
    }
    return picture;
}

Result<QImage> FrameReader::frame(qint64 n)
{
    if (!isOpen())
        return fail(QStringLiteral("no video is open"));
    if (n < 0 || n >= frameCount())
        return fail(
            QStringLiteral("frame %1 is outside the video (0 to %2)").arg(n).arg(frameCount() - 1));
    if (n == d->currentIndex && !d->currentPicture.isNull())
        return d->currentPicture;
    const auto cached = d->stepBackCache.find(n);
    if (cached != d->stepBackCache.end()) {
        d->currentIndex = n;
        d->currentPicture = cached->second;
        return d->currentPicture;
    }
    Result<QImage> picture = decodeFrame(n);
    if (picture) {
        d->currentIndex = n;
        d->currentPicture = *picture;
    }
    return picture;
}

Result<QImage> FrameReader::next()
{
    return frame(d->currentIndex + 1);
}

Result<QImage> FrameReader::previous()
{
    if (d->currentIndex <= 0)
        return fail(QStringLiteral("there is no frame before frame 0"));
    return frame(d->currentIndex - 1);
}

qint64 FrameReader::current() const
{
    return d->currentIndex;
}

QImage FrameReader::currentImage() const
{
    return d->currentPicture;
}

} // namespace zelvan::review
