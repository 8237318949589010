#include "review/FrameDecoder.h"
#include "base/Platform.h"
#include "review/H264Order.h"
#include "review/OrderLearner.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
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
    int size = 0;
    bool key = false;
    bool hidden = false; // outside the file's edit list: decoded as a reference, never shown
    int palette = -1;    // the colour table in force for this packet; -1 when there is none
    SliceOrder slice;    // H.264: where its slice header puts the picture
};

// A key frame's picture comes out within a few packets of it, however deep the reordering;
// opening gives up looking for it well beyond.
constexpr qint64 kReorderLimit = 64;

} // namespace

struct FrameDecoder::Impl {
    FrameReader::OpenFailure failure = FrameReader::OpenFailure::None;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    const AVCodec* decoderType = nullptr;
    bool startsOnKey = true; // the file marks its first packet as a key frame
    bool used = false;       // a run has used the decoder since it was made
    AVPacket* packet = nullptr;
    AVFrame* decoded = nullptr;
    int streamIndex = -1;
    bool intraOnly = false;
    double rate = 0;
    int rotation = 0;
    AVRational timeBase{1, 1};
    qint64 startTs = 0; // the stream's start on its own clock
    bool noPresentationTimes = false;

    std::vector<PacketEntry> packets;    // decode order
    std::vector<qint64> displayOfPacket; // packet index -> frame number, -1 when not known
    std::vector<qint64> packetOfDisplay; // frame number -> packet index, -1 when not known
    std::vector<qint64> keyAtOrBefore;   // packet index -> key packet index
    std::unordered_map<qint64, qint64> byPos;
    std::unordered_map<qint64, qint64> byDts;
    bool identifyByPos = false;
    bool identifyByDts = false;
    // Palettised video (8-bit AVI, QuickTime) carries its colour table as side data of the
    // first packet the demuxer gives, and of a packet where the table changes. A seek never
    // gives the table again, so every table is kept and handed to the decoder with each
    // packet it is in force for.
    std::vector<QByteArray> palettes;

    qint64 count = 0;
    bool countFinal = true;
    // The pictures up to the first key frame's own picture can only be told apart by their
    // place in the output of a decode from the start: their packets' numbering need not
    // survive the decoder (one decoder gives a picture made up for a missing reference).
    qint64 leading = 0;
    std::vector<Picture> opening;

    // The decoding run since the last seek.
    bool positioned = false;
    bool drained = false;   // end of stream was sent to the decoder
    bool ended = false;     // the decoder gave its last picture
    bool fromStart = false; // pictures are numbered by their place in the output
    qint64 given = 0;       // pictures given by a run from the start
    qint64 nextPacket = 0;  // index of the next packet the demuxer will give
    qint64 runKey = 0;      // the key packet a run after a seek starts at
    qint64 shownFrom = 0;   // a run after a seek gives frames from this one on
    bool landed = true;     // false until a run after a seek reaches its key packet
    qint64 lastNumber = -1; // the number of the last picture the run gave
    // A demuxer that builds its packets with a parser (MPEG program and transport streams)
    // may give other packets after a seek than from the start: a piece of a picture, a
    // timestamp moved to the next one. Once a seek gave packets that are not the file's own,
    // every run decodes from the start.
    bool seeksUntrusted = false;

    // Where the order is not known, it is learnt ahead of the exact decode by a faster one
    // (see OrderLearner.h), so that a jump decodes from the key frame before its frame and
    // not from the start of the file.
    QByteArray localPath;
    std::unique_ptr<OrderLearner> learner;
    qint64 learntPlaces = 0;    // pictures the learner has given
    bool learnerFailed = false; // it could not be opened, erred or disagreed: decode exactly
    qint64 exactPictures = 0;   // pictures the exact decode has given since opening
    bool fromSlices = false;    // the order beyond the opening was read from slice headers
    qint64 openingPlaces = 0;   // frames whose packet the opening itself told
    qint64 confirmedPlaces = 0; // frames a decode from the start has shown in that order
    qint64 revision = 0;        // counts the times the order was found wrong and forgotten

    ~Impl()
    {
        av_frame_free(&decoded);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    Status refuse(FrameReader::OpenFailure f, const QString& why)
    {
        failure = f;
        return fail(why);
    }

    Status openDecoder()
    {
        int rc = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoderType, 0);
        if (rc == AVERROR_DECODER_NOT_FOUND)
            return refuse(FrameReader::OpenFailure::NoDecoder,
                          QStringLiteral("no decoder for the video stream"));
        if (rc < 0)
            return refuse(FrameReader::OpenFailure::CannotOpen, QStringLiteral("no video stream"));
        streamIndex = rc;
        if (Status made = newCodec(); !made)
            return refuse(FrameReader::OpenFailure::NoDecoder, made.error());
        const AVCodecDescriptor* desc = avcodec_descriptor_get(codec->codec_id);
        intraOnly = desc && (desc->props & AV_CODEC_PROP_INTRA_ONLY);
        const AVStream* stream = format->streams[streamIndex];
        AVRational r = stream->avg_frame_rate;
        if (r.num <= 0 || r.den <= 0)
            r = stream->r_frame_rate;
        rate = (r.num > 0 && r.den > 0) ? av_q2d(r) : 0.0;
        timeBase = stream->time_base;
        startTs = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        rotation = quarterTurn(stream);
        noPresentationTimes = std::strcmp(format->iformat->name, "avi") == 0;
        return {};
    }

    // The display matrix holds the turn that shows the picture as it was filmed (a phone
    // held upright records its sensor's landscape picture and a quarter turn); the matrix
    // gives it counter-clockwise, the station turns clockwise. A mirroring matrix is taken
    // for its turn alone, as the ffmpeg program does.
    static int quarterTurn(const AVStream* stream)
    {
        size_t bytes = 0;
        const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &bytes);
        if (!matrix || bytes < 9 * sizeof(int32_t))
            return 0;
        const double angle = av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
        if (std::isnan(angle))
            return 0;
        const long quarters = std::lround(-angle / 90.0);
        return int(((quarters % 4) + 4) % 4) * 90;
    }

    // A picture's own time: its packet's presentation timestamp. AVI holds none (what its
    // demuxer gives as one is the chunk's place, wrong for a reordered picture): there the
    // chunk's place is the time where every picture decodes on its own (so a chunk left
    // empty for a dropped frame still counts), else the frame's slot at the declared rate.
    double secondsOf(qint64 number, qint64 tag) const
    {
        if (tag >= 0) {
            const PacketEntry& e = packets[size_t(tag)];
            qint64 ts = noPresentationTimes ? AV_NOPTS_VALUE : e.pts;
            if (ts == AV_NOPTS_VALUE && intraOnly)
                ts = e.dts;
            if (ts != AV_NOPTS_VALUE)
                return double(ts - startTs) * av_q2d(timeBase);
        }
        return rate > 0 ? double(number) / rate : 0.0;
    }

    // A decoder in the state of a fresh one: what it makes of packets that refer to frames
    // it never had (a file that starts on frames that are not key frames) depends on it.
    Status newCodec()
    {
        avcodec_free_context(&codec);
        const AVStream* stream = format->streams[streamIndex];
        codec = avcodec_alloc_context3(decoderType);
        if (!codec || avcodec_parameters_to_context(codec, stream->codecpar) < 0)
            return fail(QStringLiteral("cannot set up the decoder"));
        codec->thread_count = 0; // as many as the machine has
        codec->pkt_timebase = stream->time_base;
        const int rc = avcodec_open2(codec, decoderType, nullptr);
        if (rc < 0)
            return fail(QStringLiteral("cannot open the decoder: %1").arg(avError(rc)));
        return {};
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

    // Every packet of the video stream, in the order the file holds them: demuxing only.
    void readPackets()
    {
        std::unique_ptr<H264OrderParser> slices;
        if (codec->codec_id == AV_CODEC_ID_H264)
            slices = std::make_unique<H264OrderParser>(format->streams[streamIndex]->codecpar);
        int palette = -1;
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == streamIndex && packet->size > 0) {
                PacketEntry e;
                e.pos = packet->pos;
                e.dts = packet->dts;
                e.pts = packet->pts;
                e.size = packet->size;
                e.key = intraOnly || (packet->flags & AV_PKT_FLAG_KEY);
                e.hidden = packet->flags & AV_PKT_FLAG_DISCARD;
                palette = notePalette(palette);
                e.palette = palette;
                // Only packets without a presentation timestamp need their order read.
                if (slices && slices->ready() && packet->pts == AV_NOPTS_VALUE)
                    e.slice = slices->parse(packet);
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

    void noteKeys()
    {
        keyAtOrBefore.assign(packets.size(), 0);
        qint64 lastKey = 0;
        for (size_t i = 0; i < packets.size(); ++i) {
            if (packets[i].key)
                lastKey = qint64(i);
            keyAtOrBefore[i] = lastKey;
        }
    }

    bool timedFrom(qint64 from) const
    {
        return std::all_of(packets.begin() + from, packets.end(), [](const PacketEntry& e) {
            return e.hidden || e.pts != AV_NOPTS_VALUE;
        });
    }

    void sortByPts(std::vector<qint64>& list) const
    {
        std::stable_sort(list.begin(), list.end(), [&](qint64 a, qint64 b) {
            return packets[size_t(a)].pts < packets[size_t(b)].pts;
        });
    }

    void setOrder(std::vector<qint64> order)
    {
        packetOfDisplay = std::move(order);
        displayOfPacket.assign(packets.size(), -1);
        for (qint64 f = 0; f < qint64(packetOfDisplay.size()); ++f)
            if (packetOfDisplay[size_t(f)] >= 0)
                displayOfPacket[size_t(packetOfDisplay[size_t(f)])] = f;
    }

    void orderIntraOnly()
    {
        std::vector<qint64> order;
        for (qint64 i = 0; i < qint64(packets.size()); ++i)
            if (!packets[size_t(i)].hidden)
                order.push_back(i);
        if (timedFrom(0))
            sortByPts(order);
        count = qint64(order.size());
        setOrder(std::move(order));
    }

    Status buildIndex()
    {
        readPackets();
        if (packets.empty())
            return fail(QStringLiteral("the video stream has no frames"));
        noteIdentities();
        if (intraOnly) {
            noteKeys();
            orderIntraOnly();
            return count > 0 ? Status() : fail(QStringLiteral("the video stream has no frames"));
        }
        const auto key = std::find_if(packets.begin(), packets.end(),
                                      [](const PacketEntry& e) { return e.key; });
        const qint64 firstKey = key == packets.end() ? -1 : qint64(key - packets.begin());
        // Decoding may always start at the first packet, key frame or not.
        startsOnKey = firstKey == 0;
        packets.front().key = true;
        noteKeys();
        if (Status learnt = learnOpening(firstKey); !learnt)
            return learnt;
        if (count == 0)
            return fail(QStringLiteral("the video stream has no frames"));
        return {};
    }

    // Decodes from the first packet until the first key frame's picture comes, keeping the
    // pictures; from them and the timestamps, the order of every frame when it can be told.
    Status learnOpening(qint64 firstKey)
    {
        if (Status sought = startOver(); !sought)
            return sought;
        std::vector<qint64> tags;
        const qint64 lastToSend = firstKey < 0 ? qint64(packets.size()) : firstKey + kReorderLimit;
        bool keySeen = false;
        bool cutShort = false;
        while (!keySeen) {
            if (nextPacket > lastToSend && !drained) {
                avcodec_send_packet(codec, nullptr);
                drained = true;
                cutShort = true;
            }
            qint64 tag = -1;
            Result<Picture> got = decodeOne(&tag);
            if (!got)
                break;
            opening.push_back(std::move(*got));
            tags.push_back(tag);
            keySeen = firstKey >= 0 && tag == firstKey;
        }
        orderAfterOpening(firstKey, keySeen, ended && !cutShort, tags);
        // The run goes on from here: the next picture it gives is the next frame.
        positioned = positioned && !drained;
        given = qint64(tags.size());
        return {};
    }

    void orderAfterOpening(qint64 firstKey, bool keySeen, bool whole,
                           const std::vector<qint64>& tags)
    {
        leading = keySeen ? qint64(tags.size()) - 1 : qint64(tags.size());
        std::vector<qint64> order(size_t(leading), -1);
        std::unordered_set<qint64> shown(tags.begin(), tags.end());
        std::vector<qint64> rest;
        for (qint64 i = std::max<qint64>(firstKey, 0) + 1; i < qint64(packets.size()); ++i)
            if (!packets[size_t(i)].hidden && !shown.count(i))
                rest.push_back(i);
        if (keySeen)
            order.push_back(firstKey);
        if (whole) {
            count = qint64(tags.size()); // the whole video came out while looking
            countFinal = true;
        } else if (keySeen && timedFrom(firstKey)) {
            const qint64 keyPts = packets[size_t(firstKey)].pts;
            rest.erase(std::remove_if(rest.begin(), rest.end(),
                                      [&](qint64 i) { return packets[size_t(i)].pts <= keyPts; }),
                       rest.end());
            sortByPts(rest);
            order.insert(order.end(), rest.begin(), rest.end());
            count = qint64(order.size());
            countFinal = true;
        } else if (keySeen && orderFromSlices(firstKey, rest)) {
            order.insert(order.end(), rest.begin(), rest.end());
            count = qint64(order.size());
            countFinal = true;
            fromSlices = true;
        } else {
            count = qint64(order.size()) + qint64(rest.size()); // learnt from the start
            countFinal = false;
        }
        openingPlaces = qint64(order.size()) - (fromSlices ? qint64(rest.size()) : 0);
        setOrder(std::move(order));
    }

    // H.264 without timestamps: `rest` in the order the slice headers give, when they tell it.
    bool orderFromSlices(qint64 firstKey, std::vector<qint64>& rest) const
    {
        if (codec->codec_id != AV_CODEC_ID_H264)
            return false;
        std::vector<SliceOrder> slices;
        std::vector<bool> keys;
        for (const PacketEntry& e : packets) {
            slices.push_back(e.slice);
            keys.push_back(e.key);
        }
        std::optional<std::vector<qint64>> order =
            showOrder(slices, keys, firstKey, rest, codec->has_b_frames);
        if (!order)
            return false;
        rest = std::move(*order);
        return true;
    }

    // A decoding run showed that the order the slice headers gave is wrong: it is forgotten
    // beyond what decoding from the start has confirmed, and learnt by decoding instead.
    void distrustSlices()
    {
        fromSlices = false;
        ++revision;
        const qint64 keep =
            std::min<qint64>(std::max(openingPlaces, confirmedPlaces), packetOfDisplay.size());
        setOrder(std::vector<qint64>(packetOfDisplay.begin(), packetOfDisplay.begin() + keep));
        countFinal = false;
    }

    // Which indexed packet the demuxer just gave; -1 when it cannot be told. Its size must
    // match too: after a seek a parsing demuxer may give a timestamp with another packet.
    qint64 identify(const AVPacket* p) const
    {
        auto sameSize = [&](qint64 i) { return packets[size_t(i)].size == p->size; };
        if (identifyByPos) {
            const auto it = byPos.find(p->pos);
            if (it != byPos.end() && sameSize(it->second))
                return it->second;
        }
        if (identifyByDts) {
            const auto it = byDts.find(p->dts);
            if (it != byDts.end() && sameSize(it->second))
                return it->second;
        }
        return -1;
    }

    void resetRun()
    {
        avcodec_flush_buffers(codec);
        positioned = false;
        drained = false;
        ended = false;
        lastNumber = -1;
        given = 0;
    }

    // To the very first packet: always possible, and the only way to number the pictures
    // before the first key frame's, or any picture whose place is not known yet.
    Status startOver()
    {
        resetRun();
        if (!startsOnKey && used) {
            if (Status made = newCodec(); !made)
                return made;
        }
        used = true;
        const PacketEntry& first = packets.front();
        const qint64 firstTs = first.dts != AV_NOPTS_VALUE   ? first.dts
                               : first.pts != AV_NOPTS_VALUE ? first.pts
                                                             : 0;
        // The first packet need not be a key frame (a file cut out of a longer one): seek to
        // it as to any packet.
        int rc =
            av_seek_frame(format, streamIndex, firstTs, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
        if (rc < 0)
            rc = avformat_seek_file(format, streamIndex, INT64_MIN, firstTs, firstTs, 0);
        if (rc < 0)
            rc = av_seek_frame(format, streamIndex, firstTs, AVSEEK_FLAG_BACKWARD);
        if (rc < 0)
            return fail(QStringLiteral("cannot seek: %1").arg(avError(rc)));
        nextPacket = 0;
        positioned = true;
        fromStart = true;
        landed = true;
        return {};
    }

    Status seekToKey(qint64 key)
    {
        const PacketEntry& e = packets[size_t(key)];
        const qint64 ts = e.dts != AV_NOPTS_VALUE ? e.dts : e.pts;
        if (ts == AV_NOPTS_VALUE || !(identifyByPos || identifyByDts) || seeksUntrusted)
            return startOver();
        resetRun();
        if (av_seek_frame(format, streamIndex, ts, AVSEEK_FLAG_BACKWARD) < 0)
            return startOver();
        positioned = true;
        fromStart = false;
        landed = false;
        runKey = key;
        nextPacket = key;
        shownFrom = displayOfPacket[size_t(key)];
        return {};
    }

    // The key packet to start at for frame n, or 0 (the start) when there is none to seek
    // to: its frame number must be known, for the pictures of the run to be numbered.
    qint64 keyFor(qint64 n, int attempt) const
    {
        const qint64 p = n < qint64(packetOfDisplay.size()) ? packetOfDisplay[size_t(n)] : -1;
        if (p < 0 || attempt >= 2)
            return 0;
        qint64 key = keyAtOrBefore[size_t(p)];
        for (int earlier = attempt; key > 0 && (earlier > 0 || displayOfPacket[size_t(key)] < 0);
             --earlier)
            key = keyAtOrBefore[size_t(key - 1)];
        return key;
    }

    enum class Read { Packet, End, Foreign };

    // Reads the next packet of the video stream into `packet`. A run from the start gets the
    // packets in the order they were indexed, so one that cannot be told is the next; after
    // a seek, one that cannot be told is skipped before the key frame and ends the run
    // (Foreign) after it, since its pictures could not be numbered.
    Read readVideoPacket(qint64* index)
    {
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == streamIndex && packet->size > 0) {
                qint64 i = identify(packet);
                if (i < 0 && fromStart)
                    i = nextPacket;
                if (i < 0 && landed) {
                    av_packet_unref(packet);
                    return Read::Foreign;
                }
                if (i >= 0 && i < qint64(packets.size())) {
                    *index = i;
                    nextPacket = i + 1;
                    return Read::Packet;
                }
            }
            av_packet_unref(packet);
        }
        return Read::End;
    }

    // Gives the colour table in force for packet `index` to the decoder along with it,
    // unless the demuxer already attached one.
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

    // Right after a seek: packets before the key frame are skipped (a seek by decode
    // timestamp may land a key frame early in B-frame streams whose container shifts the
    // timestamps); a seek that landed beyond it starts over from the beginning.
    Status land(qint64 index, bool* send)
    {
        *send = false;
        if (index > runKey) {
            av_packet_unref(packet);
            seeksUntrusted = true;
            return startOver();
        }
        if (index < runKey) {
            av_packet_unref(packet);
            return {};
        }
        landed = true;
        *send = true;
        return {};
    }

    // Gives the decoder its next packet, or the end of the stream. Each packet carries its
    // own index as timestamp, which the picture made from it comes back with.
    Status feed()
    {
        qint64 index = -1;
        const Read read = readVideoPacket(&index);
        if (read == Read::Foreign) {
            seeksUntrusted = true;
            return fail(QStringLiteral("the packets after a seek are not the file's own"));
        }
        if (read == Read::End) {
            avcodec_send_packet(codec, nullptr);
            drained = true;
            return {};
        }
        if (!landed) {
            bool send = false;
            if (Status s = land(index, &send); !s || !send)
                return s;
        }
        attachPalette(index);
        packet->pts = index;
        packet->dts = index;
        const int rc = avcodec_send_packet(codec, packet);
        av_packet_unref(packet);
        // A damaged packet is skipped; the frame it held is then reported as undecodable.
        if (rc < 0 && rc != AVERROR_INVALIDDATA)
            return fail(QStringLiteral("decoding failed: %1").arg(avError(rc)));
        return {};
    }

    SharedFrame takeFrame()
    {
        AVFrame* kept = av_frame_alloc();
        if (kept)
            av_frame_move_ref(kept, decoded);
        av_frame_unref(decoded);
        return SharedFrame(kept, [](const AVFrame* f) {
            AVFrame* owned = const_cast<AVFrame*>(f);
            av_frame_free(&owned);
        });
    }

    // The next picture the decoder gives, with the index of the packet it came from in
    // `tag` (-1 when not known); not numbered yet.
    Result<Picture> decodeOne(qint64* tag)
    {
        while (true) {
            const int rc = avcodec_receive_frame(codec, decoded);
            if (rc == 0) {
                *tag =
                    decoded->pts >= 0 && decoded->pts < qint64(packets.size()) ? decoded->pts : -1;
                Picture p;
                p.packet = *tag;
                p.frame = takeFrame();
                if (!p.frame)
                    return fail(QStringLiteral("out of memory"));
                return p;
            }
            Status step;
            if (rc == AVERROR_EOF || (rc == AVERROR(EAGAIN) && drained)) {
                ended = true;
                step = fail(QStringLiteral("the end of the video"));
            } else if (rc != AVERROR(EAGAIN)) {
                step = fail(QStringLiteral("decoding failed: %1").arg(avError(rc)));
            } else {
                step = feed();
            }
            if (!step) {
                positioned = positioned && ended;
                return fail(step.error());
            }
        }
    }

    // The frame number of a picture a run from the start gives as its `place`-th, learning
    // the order where it is not known yet.
    qint64 numberInOutput(qint64 place, qint64 tag)
    {
        if (fromSlices && place < qint64(packetOfDisplay.size())) {
            const qint64 told = packetOfDisplay[size_t(place)];
            if (told >= 0 && told != tag)
                distrustSlices();
            else
                confirmedPlaces = std::max(confirmedPlaces, place + 1);
        }
        if (!countFinal && place == qint64(packetOfDisplay.size()) && tag >= 0 &&
            displayOfPacket[size_t(tag)] < 0) {
            packetOfDisplay.push_back(tag);
            displayOfPacket[size_t(tag)] = place;
        }
        return place;
    }

    bool canLearn() const { return !countFinal && !learnerFailed; }

    // The learner's `place`-th picture came from packet `tag`: it must agree with what is
    // known already, and tell a packet not seen yet.
    bool noteLearnt(qint64 place, qint64 tag)
    {
        if (place < qint64(packetOfDisplay.size())) {
            const qint64 known = packetOfDisplay[size_t(place)];
            return known < 0 || known == tag;
        }
        if (tag < 0 || displayOfPacket[size_t(tag)] >= 0)
            return false;
        packetOfDisplay.push_back(tag);
        displayOfPacket[size_t(tag)] = place;
        return true;
    }

    Status openLearner()
    {
        learner = std::make_unique<OrderLearner>();
        return learner->open(localPath, streamIndex, format->streams[streamIndex]->codecpar,
                             qint64(packets.size()),
                             [this](const AVPacket* p) { return identify(p); });
    }

    // One more picture's place learnt; false once there is nothing more to learn.
    bool learnOne()
    {
        if (!canLearn())
            return false;
        if (!learner) {
            if (const Status opened = openLearner(); !opened) {
                learnerFailed = true;
                learner.reset();
                return false;
            }
        }
        const Result<qint64> tag = learner->nextTag();
        if (!tag && learner->ended()) {
            count = learntPlaces;
            countFinal = true;
        } else if (!tag || !noteLearnt(learntPlaces++, *tag)) {
            learnerFailed = true;
        }
        if (!canLearn())
            learner.reset(); // its decoder's memory is not needed any more
        return canLearn();
    }

    void learnFrame(qint64 n)
    {
        while (qint64(packetOfDisplay.size()) <= n && learnOne()) {
        }
    }

    void learnPacket(qint64 index)
    {
        while (displayOfPacket[size_t(index)] < 0 && learnOne()) {
        }
    }

    Result<Picture> next()
    {
        while (true) {
            qint64 tag = -1;
            Result<Picture> got = decodeOne(&tag);
            if (!got) {
                if (ended && fromStart && !countFinal) {
                    count = given;
                    countFinal = true;
                }
                return got;
            }
            ++exactPictures;
            qint64 number = -1;
            if (fromStart) {
                number = numberInOutput(given++, tag);
            } else if (tag >= 0) {
                learnPacket(tag);
                const qint64 shown = displayOfPacket[size_t(tag)];
                if (shown >= shownFrom && fromSlices &&
                    shown != (lastNumber < 0 ? shownFrom : lastNumber + 1)) {
                    // Not the next frame in the order the slice headers gave: decode again,
                    // learning the order by decoding.
                    distrustSlices();
                    positioned = false;
                    return fail(QStringLiteral("the frame order has to be learnt again"));
                }
                if (shown >= shownFrom)
                    number = shown;
            }
            if (number < 0)
                continue; // a picture before the key frame's, made without its references
            got->number = number;
            got->seconds = secondsOf(number, got->packet);
            lastNumber = std::max(lastNumber, number);
            return got;
        }
    }

    // Packet p lies in the group after the run's own. Seeking to that group's key frame now
    // means decoding the run's group from its start again later, to fill the rest of it;
    // decoding on costs less once the run is past the middle of its group, and is taken while
    // it costs no more than one group's decode.
    bool worthDecodingOn(qint64 p) const
    {
        if (nextPacket <= 0 || nextPacket >= qint64(packets.size()))
            return false;
        const qint64 runKey = keyAtOrBefore[size_t(nextPacket - 1)];
        const qint64 nextKey = keyAtOrBefore[size_t(p)];
        if (nextKey <= runKey || keyAtOrBefore[size_t(nextKey - 1)] != runKey)
            return false;
        const qint64 group = nextKey - runKey;
        return nextPacket - runKey > group / 2 && p - nextPacket <= group;
    }

    bool reaches(qint64 n) const
    {
        if (!positioned || ended)
            return false;
        const qint64 p = n < qint64(packetOfDisplay.size()) ? packetOfDisplay[size_t(n)] : -1;
        if (fromStart && n < given)
            return false;
        if (!fromStart && (n <= lastNumber || n < shownFrom || (p < 0 && !canLearn())))
            return false;
        if (p >= 0)
            return keyAtOrBefore[size_t(p)] <= nextPacket || worthDecodingOn(p);
        // Not learnt yet: the frame's packet is near its number (one picture a packet), and a
        // key frame beyond the run near it is quicker to seek to once the order is learnt.
        const qint64 near = std::clamp<qint64>(n, 0, qint64(packets.size()) - 1);
        return !canLearn() || keyAtOrBefore[size_t(near)] <= nextPacket;
    }
};

FrameDecoder::FrameDecoder() : d(std::make_unique<Impl>()) {}
FrameDecoder::~FrameDecoder() = default;

Status FrameDecoder::open(const QString& path)
{
    const QByteArray local = platform::ffmpegFileName(path);
    int rc = avformat_open_input(&d->format, local.constData(), nullptr, nullptr);
    if (rc < 0)
        return d->refuse(FrameReader::OpenFailure::CannotOpen,
                         QStringLiteral("cannot open: %1").arg(avError(rc)));
    rc = avformat_find_stream_info(d->format, nullptr);
    if (rc < 0)
        return d->refuse(FrameReader::OpenFailure::CannotOpen,
                         QStringLiteral("cannot read stream information: %1").arg(avError(rc)));
    if (Status decoder = d->openDecoder(); !decoder)
        return decoder;
    d->packet = av_packet_alloc();
    d->decoded = av_frame_alloc();
    if (!d->packet || !d->decoded)
        return d->refuse(FrameReader::OpenFailure::CannotOpen, QStringLiteral("out of memory"));
    d->localPath = local;
    if (const Status indexed = d->buildIndex(); !indexed)
        return d->refuse(FrameReader::OpenFailure::CannotOpen, indexed.error());
    return {};
}

FrameReader::OpenFailure FrameDecoder::openFailure() const
{
    return d->failure;
}

qint64 FrameDecoder::frameCount() const
{
    return d->count;
}

bool FrameDecoder::countIsFinal() const
{
    return d->countFinal;
}

double FrameDecoder::frameRate() const
{
    return d->rate;
}

QSize FrameDecoder::size() const
{
    return d->codec ? QSize(d->codec->width, d->codec->height) : QSize();
}

int FrameDecoder::rotation() const
{
    return d->rotation;
}

QString FrameDecoder::codecName() const
{
    return d->codec ? QString::fromUtf8(avcodec_get_name(d->codec->codec_id)) : QString();
}

qint64 FrameDecoder::bytesPerPicture() const
{
    if (!d->codec)
        return 0;
    const int bytes =
        av_image_get_buffer_size(d->codec->pix_fmt, d->codec->width, d->codec->height, 1);
    return bytes > 0 ? bytes : qint64(d->codec->width) * d->codec->height * 3;
}

bool FrameDecoder::intraOnly() const
{
    return d->intraOnly;
}

std::vector<Picture> FrameDecoder::takeOpeningPictures()
{
    std::vector<Picture> pictures = std::move(d->opening);
    d->opening.clear();
    for (qint64 n = 0; n < qint64(pictures.size()); ++n) {
        pictures[size_t(n)].number = n;
        pictures[size_t(n)].seconds = d->secondsOf(n, pictures[size_t(n)].packet);
    }
    return pictures;
}

qint64 FrameDecoder::orderRevision() const
{
    return d->revision;
}

qint64 FrameDecoder::exactPictures() const
{
    return d->exactPictures;
}

bool FrameDecoder::reaches(qint64 n) const
{
    return d->reaches(n);
}

Status FrameDecoder::seekFor(qint64 n, int attempt)
{
    if (attempt < 2)
        d->learnFrame(n);
    const qint64 key = d->keyFor(n, attempt);
    return key > 0 ? d->seekToKey(key) : d->startOver();
}

Result<Picture> FrameDecoder::nextPicture()
{
    if (!d->positioned)
        return fail(QStringLiteral("the decoder is not positioned"));
    return d->next();
}

} // namespace zelvan::review
