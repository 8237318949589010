#pragma once
// Device threads. Each source runs on its own thread and hands every picture (or block of
// sound) to a callback on that thread; the callback must not block. The built-in devices keep
// time from a steady clock with absolute deadlines, so their rate does not drift.
#include "base/Result.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct AVFrame;
struct AVPacket;
struct AVCodecParameters;

namespace zelvan::capture
{

struct FrameDeleter {
    void operator()(AVFrame* f) const;
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
FramePtr cloneFrame(const AVFrame* frame); // new reference to the same pixels

struct PacketDeleter {
    void operator()(AVPacket* p) const;
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
PacketPtr clonePacket(const AVPacket* packet); // new reference to the same bytes

// A picture decoded from a camera's compressed stream keeps the packet it came from, so a
// recording in the same compression can store the camera's own bytes instead of compressing
// the picture again. The packet travels with every reference to the frame; a picture made
// from it (an effect) no longer counts as the packet's picture.
// `key` marks the packet as a key frame where the decoder found one the demuxer did not flag.
void attachSourcePacket(AVFrame* frame, const AVPacket* packet, int codecId, bool key = false);
struct SourcePacket {
    const AVPacket* packet = nullptr; // null: the frame holds no camera picture as it was sent
    int codecId = 0;                  // AVCodecID of the packet
};
SourcePacket sourcePacketOf(const AVFrame* frame);

// The compressed format a camera sends (codec, size, its parameter sets), shared and never
// changed once made.
using StreamFormat = std::shared_ptr<const AVCodecParameters>;
StreamFormat copyStreamFormat(const AVCodecParameters* parameters);

struct VideoSettings {
    QSize size{640, 480};
    double fps = 30;
    QString colorFormatCode; // FFmpeg pixel format or codec name; empty: device default
    int input = 0;
};

struct AudioSettings {
    int sampleRate = 22050;
    int channels = 1;
    int bitsPerSample = 16;
};

// Microseconds on the steady clock, the time base of every capture time stamp.
qint64 steadyMicros();

class Source
{
public:
    using EndFn = std::function<void(const QString& reason)>; // device lost or failed
    virtual ~Source();
    // Opens the device (so a failure is reported to the caller) and starts the thread.
    Status start();
    void stop(); // joins the thread; no callback runs afterwards
    void setEndHandler(EndFn fn) { onEnd = std::move(fn); }

protected:
    virtual Status open() = 0;
    virtual void run() = 0; // returns when stopping() or on failure (after calling ended())
    virtual void close() {}
    bool stopping() const { return stopFlag.load(); }
    // Waits until the steady-clock time `dueMicros`; false when asked to stop meanwhile.
    bool waitUntil(qint64 dueMicros);
    void ended(const QString& reason);

private:
    std::thread thread;
    std::atomic<bool> stopFlag{false};
    std::mutex waitMutex;
    std::condition_variable wake;
    EndFn onEnd;
};

class VideoSource : public Source
{
public:
    // Frame and its capture time (steady-clock microseconds).
    using FrameFn = std::function<void(FramePtr frame, qint64 timeMicros)>;
    void setFrameHandler(FrameFn fn) { onFrame = std::move(fn); }
    // The size the opened device sends when it chooses it itself (a network camera);
    // invalid when the size asked for is the size delivered.
    virtual QSize sentSize() const { return {}; }
    // How long before its time stamp a picture was taken, where the device tells (a network
    // camera's wall clock); 0 otherwise. Thread-safe.
    virtual qint64 clockLagMicros() const { return 0; }
    // The compressed format of the pictures where the device's packets can be stored as they
    // came: each packet is one picture, in the order shown, and travels with it (see
    // sourcePacketOf). Null otherwise. Known once start() succeeded.
    virtual StreamFormat storableFormat() const { return {}; }
    // Whether pictures carry the device's packet (sourcePacketOf): a copy per picture that only
    // a recording can use. Thread-safe.
    void setPacketsWanted(bool wanted) { packetsWanted = wanted; }

protected:
    FrameFn onFrame;
    std::atomic<bool> packetsWanted{true};
};

class AudioSource : public Source
{
public:
    // Interleaved PCM in the requested format; `frames` sample frames.
    using SamplesFn = std::function<void(const QByteArray& pcm, int frames, qint64 timeMicros)>;
    void setSamplesHandler(SamplesFn fn) { onSamples = std::move(fn); }

protected:
    SamplesFn onSamples;
};

} // namespace zelvan::capture
