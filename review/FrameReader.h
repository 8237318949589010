#pragma once
// Frame-exact playback of a recorded pass: open a video, step forward and back, jump to any
// frame. Frame n is the n-th picture of the video stream counted from 0, the same picture
// FFmpeg's own decoder gives as its n-th output; this holds for intra-coded (MJPEG) and
// inter-coded (H.264) video, in AVI and MP4 files alike.
//
// On open the packets of the video stream are indexed once; a jump seeks to the key frame at
// or before the wanted frame and decodes forward, and the decoder is kept running so that
// the next frame costs one decode.
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

    FrameReader();
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // Fails with the reason the file cannot be played (openFailure() tells which kind).
    Status open(const QString& path);
    void close();
    bool isOpen() const;
    OpenFailure openFailure() const;
    QString path() const;

    qint64 frameCount() const;
    double frameRate() const; // frames per second, as the file declares it
    QSize size() const;
    QString codecName() const; // FFmpeg's short name, e.g. "mjpeg", "h264"

    // Frame n as a 24-bit picture (QImage::Format_BGR888); fails when n is outside the
    // video or the frame cannot be decoded. A failure keeps the current frame.
    Result<QImage> frame(qint64 n);
    Result<QImage> next();     // frame current() + 1 (frame 0 when nothing was shown yet)
    Result<QImage> previous(); // frame current() - 1; fails at frame 0
    qint64 current() const;    // -1 before the first frame is shown
    QImage currentImage() const;

private:
    Status openDecoder();
    Result<QImage> decodeFrame(qint64 n);

    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zelvan::review
