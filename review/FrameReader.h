#pragma once
// Frame-exact playback of a recorded pass: open a video, step forward and back, jump to any
// frame. Frame n is the n-th picture FFmpeg's decoder gives when it decodes the file from its
// first packet, for every container and codec FFmpeg reads, files that start on frames that
// are not key frames included; the count is the number of pictures it gives.
//
// Opening indexes the packets without decoding them (see FrameDecoder.h). A decoding thread
// then keeps a window of decoded pictures around the current frame, ahead and behind, within
// a memory budget (with long groups of pictures, the whole video when it fits), so that a
// step is a picture conversion and a jump into the window does not wait for the decoder.
// Every picture given is the decoder's own picture of that frame, never a guess.
//
// Pictures are given upright: a recording whose stream carries a turn (a phone held upright)
// is turned by it, in quarter turns clockwise, as any player shows it. Its size, the frame
// grab's picture and so every picture position in twips are those of the upright picture.
// Interlaced video is given as the decoder gives it, both fields woven in one picture and
// nothing filtered: every line is one the camera took, and the frame stays FFmpeg's own.
#include "base/Result.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

namespace zelvan::review
{

class FrameReader
{
public:
    enum class OpenFailure { None, CannotOpen, NoDecoder };

    // What the decoded pictures kept around the current frame may take: a 6 s pass at
    // 1080p and 60 frames a second fits, in 4:2:0 or 4:2:2.
    static constexpr qint64 kDefaultMemoryBudget = qint64(1536) << 20;

    explicit FrameReader(qint64 memoryBudget = kDefaultMemoryBudget);
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // Fails with the reason the file cannot be played (openFailure() tells which kind).
    Status open(const QString& path);
    void close();
    bool isOpen() const;
    OpenFailure openFailure() const;
    QString path() const;

    // Final once the order is known; until the decoder has learnt it for a file that does
    // not give it (AVI with B frames), the number of packets it will be given.
    qint64 frameCount() const;
    double frameRate() const;  // frames per second, as the file declares it
    QSize size() const;        // of the upright picture
    int rotation() const;      // the clockwise turn applied: 0, 90, 180 or 270 degrees
    QString codecName() const; // FFmpeg's short name, e.g. "mjpeg", "h264"

    // Frame n as a 24-bit picture (QImage::Format_BGR888); fails when n is outside the
    // video or the frame cannot be decoded. A failure keeps the current frame.
    Result<QImage> frame(qint64 n);
    Result<QImage> next();     // frame current() + 1 (frame 0 when nothing was shown yet)
    Result<QImage> previous(); // frame current() - 1; fails at frame 0
    qint64 current() const;    // -1 before the first frame is shown
    QImage currentImage() const;
    // The current frame's own time in seconds from the start of the stream: its timestamp,
    // so a variable frame rate shows the time the picture was taken, not number / rate.
    double currentSeconds() const;

    // The decoded pictures kept now, and what they take.
    qint64 keptPictures() const;
    qint64 keptBytes() const;
    qint64 memoryBudget() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zelvan::review
