#pragma once
// Recording behind a bounded queue: the device thread only queues a reference to each picture
// and returns; a writer thread compresses and writes. When the queue is full (slow disk, busy
// machine) the picture is dropped and counted instead of holding up the device. A frame slot
// that the source skipped (its timestamps jump) is counted as dropped too; every slot without
// a picture repeats the previous one in the file, so the file keeps the real timing.
//
// Started with startBuffering() it compresses from the live picture's first frame on and keeps
// the last seconds in memory; beginFile() then opens the file with them, and the pictures after
// Start follow. Frame slots count from the first picture; the file's frame n is the slot
// firstSlot + n, and the time limit counts from the slot of Start.
#include "base/Result.h"
#include "capture/PreTriggerBuffer.h"
#include "capture/Source.h"
#include "capture/VideoFileWriter.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zelvan::capture
{

struct RecorderSettings {
    QString path;
    QSize size;
    double fps = 30;
    QString codec;        // as VideoFileWriter::open
    int quality = 4;      // MJPEG quantiser scale
    AudioFormat audio;    // sampleRate 0: no sound
    double timeLimit = 0; // seconds; 0: until finish()
    int queueFrames = 0;  // 0: two seconds of pictures (at most 512 MB)
    // Set: the camera's packets of this format are stored as they came (codec is then only
    // the name the operator chose). Started, the file begins at the first key frame; kept
    // (startBuffering), at the key frame before Start.
    StreamFormat stored;
};

// The longest key-frame group of a camera's own stream kept before Start; a camera whose key
// frames come further apart is compressed again instead.
inline constexpr double kStoredGroupSeconds = 10;

class Recorder
{
public:
    Recorder();
    ~Recorder(); // finishes

    // Opens the file; errors (folder, codec, size) are reported here, before any picture.
    Status start(const RecorderSettings& settings);

    // Compresses from now on and keeps the last `preSeconds` (0: none, for a trigger that
    // starts the file at its own picture); settings.path and timeLimit are not used yet.
    Status startBuffering(const RecorderSettings& settings, double preSeconds);
    bool buffering() const { return slotted && !fileBegun; }
    // Kept packets of a camera's own stream: a file can begin with them (a key frame is
    // held), or its key frames are too far apart to be kept (see PreTriggerBuffer).
    bool holdsKeyFrame() const { return buffer.holdsKeyFrame(); }
    bool sparseKeyFrames() const { return buffer.sparseKeyFrames(); }
    // The slot the next picture gets: Start pressed now.
    qint64 nextPictureSlot() const;
    // Start at `startSlot`: the file holds the kept pictures from preSeconds before it, then the
    // live ones for `timeLimit` seconds (0: until finish()). `pressedSlot` is the slot the next
    // picture had when Start came (after startSlot when the trigger fired a moment earlier):
    // the file's frames before it count as the memory's.
    Status beginFile(const QString& path, double timeLimit, qint64 startSlot,
                     qint64 pressedSlot = -1);
    qint64 preFrames() const { return takenFrames.load(); }     // file frames from the memory
    qint64 startFrame() const { return startFileFrame.load(); } // file frame of Start
    qint64 bufferBytes() const { return buffer.bytes(); }
    double bufferSeconds() const { return buffer.heldSeconds(); }
    const RecorderSettings& keptWith() const { return settings; }
    double keptSeconds() const { return preSecondsWish; }

    // Device threads. Never block for longer than a queue lock. The picture's frame slot
    // (counted from the first picture; -1: not taken at all).
    qint64 pushVideo(FramePtr frame, qint64 timeMicros);
    void pushAudio(const QByteArray& pcm, int frames, qint64 timeMicros);

    // Called once, on the device thread, when the time limit is reached.
    void setLimitHandler(std::function<void()> fn) { onLimit = std::move(fn); }
    // Called once, on the writer thread, when writing fails (disk full, encoder error).
    void setFailureHandler(std::function<void(const QString&)> fn) { onFailure = std::move(fn); }

    // Stops taking pictures, writes every queued one and closes the file; idle: succeeds.
    Status finish();

    bool limitReached() const { return limitHit.load(); }
    bool active() const { return running.load(); }
    double frameRate() const { return settings.fps; } // of the file
    int framesCaptured() const { return captured.load(); }
    int framesDropped() const { return dropped.load(); }
    qint64 audioSamples() const { return samples.load(); }
    qint64 captureTimeMs() const;

private:
    struct Item {
        FramePtr frame;
        qint64 slot = 0;
        int repeatsBefore = 0; // frame slots before this picture that got none
        QByteArray pcm;
        int pcmFrames = 0;
        bool keptFirst = false; // wakes the writer for the kept pictures of a begun file
    };
    int queueCapacity() const; // pictures the queue holds before it drops
    void writerLoop();
    void endTime(qint64 micros);
    int missedSlotsBefore(qint64 timeMicros, qint64 first);
    qint64 fillEndMicros() const;
    Status fillToEnd();
    Status fillSlottedToEnd();
    void begin();
    qint64 pushSlotted(FramePtr frame, qint64 timeMicros, qint64 first);
    Status write(Item& item);
    Status writeKept();
    bool pastLimit(qint64 slot) const;
    bool inFile(qint64 slot) const { return fileBegun && slot >= startSlotValue; }
    void limitReached(qint64 endMicros);

    RecorderSettings settings;
    VideoFileWriter writer;
    std::thread thread;
    mutable std::mutex mutex;
    std::condition_variable ready;
    std::deque<Item> queue;
    int queuedFrames = 0;
    qint64 nextSlot = 0;    // the frame slot the next picture fills
    int pendingRepeats = 0; // slots since the last queued picture that got none
    int capacity = 0;
    qint64 queuedAudioBytes = 0;
    bool closing = false;
    // Kept before Start (startBuffering).
    bool slotted = false;
    std::atomic<bool> fileBegun{false};
    double preSecondsWish = 0;
    qint64 startSlotValue = 0;
    qint64 fileFirstSlot = 0;
    std::mutex writerMutex; // the writer between the writer thread and beginFile()
    // What a begun file takes before any later picture, written on the writer thread (a slow
    // disk must not hold up the interface nor the queue); guarded by writerMutex.
    std::vector<BufferedPacket> keptToWrite;
    int keptSilence = 0; // sample frames of silence after them
    PreTriggerBuffer buffer;
    std::atomic<qint64> takenFrames{0};
    std::atomic<qint64> startFileFrame{0};
    bool writeFailed = false;
    QString writeError;

    std::atomic<bool> running{false};
    std::atomic<bool> limitHit{false};
    std::atomic<int> captured{0};
    std::atomic<int> dropped{0};
    std::atomic<qint64> samples{0};
    std::atomic<qint64> startMicros{0};
    std::atomic<qint64> firstFrameMicros{-1};
    std::atomic<qint64> endMicros{-1};
    std::atomic<qint64> lastFrameMicros{-1};
    std::function<void()> onLimit;
    std::function<void(const QString&)> onFailure;
};

} // namespace zelvan::capture
