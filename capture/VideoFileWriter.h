#pragma once
// Synchronous AVI writer on FFmpeg: one video stream (MJPEG, uncompressed or any encoder the
// FFmpeg build offers) and optionally one PCM audio stream. The file is written under a
// temporary name (a new "<name>.part", never one that is already there) and only appears
// under its real name when close() succeeds, so a crash or an error never leaves half a file
// under that name. A target that is not a regular file (a FIFO, a device) is refused.
#include "base/Result.h"
#include "capture/Source.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

struct AVFrame;
struct AVPacket;

namespace zelvan::capture
{

struct AudioFormat {
    int sampleRate = 0;     // 0 = no audio stream
    int channels = 1;       // 1 or 2
    int bitsPerSample = 16; // 8 (unsigned) or 16 (signed little endian)
    int bytesPerSample() const { return channels * (bitsPerSample / 8); }
    bool valid() const
    {
        return sampleRate > 0 && (channels == 1 || channels == 2) &&
               (bitsPerSample == 8 || bitsPerSample == 16);
    }
};

class VideoFileWriter
{
public:
    VideoFileWriter();
    ~VideoFileWriter(); // an unclosed file is discarded
    VideoFileWriter(const VideoFileWriter&) = delete;
    VideoFileWriter& operator=(const VideoFileWriter&) = delete;

    // Adds a PCM audio stream to the next open(); call before open().
    void setAudioFormat(const AudioFormat& format);

    // MJPEG quantiser scale, 2 (best) .. 31 (smallest); call before open(). Default 4.
    void setQuality(int qscale);

    // codec: "MJPEG" (also when empty), "Uncompressed", or an FFmpeg encoder name.
    Status open(const QString& path, QSize size, double fps, const QString& codec);
    bool isOpen() const;

    // A camera's own packets of `format` stored as they came instead of compressed pictures:
    // writeFrame() stores the packet its picture carries (sourcePacketOf) at the next frame
    // slot; the slot of a picture without one, and a repeated one, stays empty (a dropped frame
    // to every reader). The first picture should carry a key frame.
    Status openCopy(const QString& path, const StreamFormat& format, double fps);
    // The codec (AVCodecID) a compressor name writes; AV_CODEC_ID_NONE when unknown.
    static int compressorCodec(const QString& codec);

    // Converted (colour format and size) as needed. After an encoding or disk error every
    // later write fails with the same reason.
    Status writeFrame(const QImage& frame);
    // Raw frame in any pixel format and size; the fast path when it already matches
    // nativePixelFormat() and the opened size.
    Status writeFrame(const AVFrame* frame);
    // The next `count` frame slots had no picture (the source skipped them): each repeats the
    // previous picture, so the pictures after it keep their time (picture n at n / rate).
    Status repeatPreviousFrame(int count);
    // Interleaved PCM samples in the format given to setAudioFormat(); `frames` counts
    // sample frames (one sample per channel).
    Status writeAudio(const void* data, int frames);

    // Pictures kept before the file exists (the seconds before Start): the encoder runs alone
    // and every packet, its pts the frame slot given to encodeFrame(), goes to `sink`, which
    // answers true when it kept it. attachFile() then creates the file from the running
    // encoder; from there on a packet the sink refuses is written at file frame
    // slot - firstSlot. Only a compressor whose every picture stands alone can do this.
    Status openEncoder(QSize size, double fps, const QString& codec);
    // The same for a camera's own packets of `format` (see openCopy): encodeFrame() hands the
    // packet its picture carries to the sink or the file, compressing nothing.
    Status keepCopies(const StreamFormat& format, double fps);
    void setPacketSink(std::function<bool(const AVPacket*)> sink);
    Status encodeFrame(const AVFrame* frame, qint64 slot);
    Status attachFile(const QString& path, qint64 firstSlot);
    // A packet the sink kept, written at file frame slot - firstSlot (gaps repeat the one
    // before it); one before the file's first frame is left out.
    Status writePacket(const AVPacket* packet, qint64 slot);
    // Pictures of their own in the file (not repeats).
    int picturesWritten() const;

    // Flushes the encoder, finalizes index and headers and moves the file to its name.
    Status close();
    // Drops the file without finishing it.
    void discard();

    // After a close() that failed part-way: the unfinished file that still holds the frames
    // written before the failure, its header finished so that it reads back with the frames it
    // holds (empty when nothing was kept, or when the file is gone).
    QString keptPartialFile() const;
    static QString keptPartialNote(const QString& partPath, int pictures);

    int framesWritten() const;
    qint64 audioFramesWritten() const;
    QSize frameSize() const;
    int nativePixelFormat() const; // AVPixelFormat the encoder takes without conversion

    // The names a user can choose from: "MJPEG", "Uncompressed", then the other video
    // encoders of this FFmpeg build that an AVI file can hold.
    static QStringList compressorNames();
    static bool isKnownCompressor(const QString& codec);

private:
    void startAfresh(bool slotted);
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Converts a raw FFmpeg frame (any pixel format) into a QImage for preview and stills.
QImage imageFromFrame(const AVFrame* frame);

} // namespace zelvan::capture
