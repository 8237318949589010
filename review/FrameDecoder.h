#pragma once
// The FFmpeg side of the frame reader: demuxing, the packet index, the order the decoder
// gives its pictures in, and decoding runs that number every picture they give. One thread
// uses it at a time (the reader while opening, then its decoding thread).
//
// Frame n is the n-th picture the decoder gives when it decodes the file from its first
// packet. Opening indexes the packets without decoding them, except the few up to the first
// key frame's picture, which tell how many pictures come before it (a file cut out of a
// longer one may start on frames that are not key frames). Where the container gives every
// packet a presentation timestamp, the rest of the order follows from the timestamps; where
// it does not (AVI), the order is learnt ahead of the frames wanted by a faster decode of its
// own (OrderLearner.h), or by the exact decode from the start where that cannot be used; until
// the whole order is known the count is the number of packets the decoder will be given.
#include "base/Result.h"
#include "review/FrameReader.h"

#include <QSize>
#include <QString>

#include <memory>

extern "C" {
struct AVFrame;
}

namespace zelvan::review
{

// A picture in the decoder's own pixel format, shared by the thread that decoded it and the
// one that converts it; nobody writes to it.
using SharedFrame = std::shared_ptr<const AVFrame>;

struct Picture {
    qint64 number = -1; // the frame number
    SharedFrame frame;
    qint64 packet = -1; // the packet it was made from, when known
    double seconds = 0; // its own time on the file's clock, from the start of the stream
};

class FrameDecoder
{
public:
    FrameDecoder();
    ~FrameDecoder();
    FrameDecoder(const FrameDecoder&) = delete;
    FrameDecoder& operator=(const FrameDecoder&) = delete;

    // Fails with the reason the file cannot be played; openFailure() tells which kind.
    Status open(const QString& path);
    FrameReader::OpenFailure openFailure() const;

    qint64 frameCount() const;
    bool countIsFinal() const; // false while the order is still being learnt
    double frameRate() const;
    QSize size() const; // as coded, before the turn
    // The quarter turn clockwise (0, 90, 180 or 270 degrees) that shows the picture upright,
    // as the stream's display matrix asks, rounded to the nearest quarter.
    int rotation() const;
    QString codecName() const;
    qint64 bytesPerPicture() const; // what one decoded picture takes in memory
    bool intraOnly() const;         // every picture decodes on its own (MJPEG)

    // The pictures decoded while opening, numbered; handed over once.
    std::vector<Picture> takeOpeningPictures();

    // Whether decoding on from where the decoder stands gives frame n, with no key frame
    // nearer to it to seek to.
    bool reaches(qint64 n) const;
    // Seeks so that decoding on gives frame n: attempt 0 from the key frame at or before
    // it, 1 from the key frame before that (a picture that refers across its key frame),
    // 2 and more from the start of the file.
    Status seekFor(qint64 n, int attempt);
    // The next numbered picture; fails at the end of the video or on a decoding error.
    Result<Picture> nextPicture();
    // The pictures the exact decode has given since opening, numbered or not: the work a
    // frame has cost.
    qint64 exactPictures() const;
    // Changes when an order taken on trust turned out wrong: pictures numbered before then
    // may carry wrong numbers.
    qint64 orderRevision() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zelvan::review
