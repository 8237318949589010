#include "capture/Recorder.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
}

namespace zelvan::capture
{

Recorder::Recorder() = default;

Recorder::~Recorder()
{
    static_cast<void>(finish());
}

int Recorder::queueCapacity() const
{
    if (settings.queueFrames > 0)
        return settings.queueFrames;
    // Two seconds of pictures absorb a slow disk or a busy moment without a drop.
    const qint64 frameBytes =
        std::max<qint64>(1, av_image_get_buffer_size(AV_PIX_FMT_YUVJ420P, settings.size.width(),
                                                     settings.size.height(), 32));
    return int(std::clamp<qint64>(qint64(std::ceil(settings.fps * 2)), 8,
                                  std::max<qint64>(8, (512LL << 20) / frameBytes)));
}

Status Recorder::start(const RecorderSettings& s)
{
    if (running || thread.joinable())
        return fail(QStringLiteral("A recording is already running"));
    settings = s;
    if (settings.audio.sampleRate > 0)
        writer.setAudioFormat(settings.audio);
    writer.setQuality(settings.quality);
    if (Status opened = writer.open(settings.path, settings.size, settings.fps, settings.codec);
        !opened)
        return opened;
    capacity = queueCapacity();
    closing = false;
    writeFailed = false;
    writeError.clear();
    captured = 0;
    dropped = 0;
    samples = 0;
    nextSlot = 0;
    pendingRepeats = 0;
    limitHit = false;
    firstFrameMicros = -1;
    lastFrameMicros = -1;
    endMicros = -1;
    startMicros = steadyMicros();
    running = true;
    thread = std::thread([this] { writerLoop(); });
    return {};
}

void Recorder::endTime(qint64 micros)
{
    qint64 expected = -1;
    endMicros.compare_exchange_strong(expected, micros);
}

// The frame slots between the last picture and this one that got no picture; a picture that
// comes early takes the next slot.
int Recorder::missedSlotsBefore(qint64 timeMicros, qint64 first)
{
    const qint64 slot = std::llround(double(timeMicros - first) * settings.fps / 1e6);
    const qint64 missed = std::max<qint64>(0, slot - nextSlot);
    nextSlot += missed + 1;
    return int(std::min<qint64>(missed, 1 << 30));
}

void Recorder::pushVideo(FramePtr frame, qint64 timeMicros)
{
    if (!running || limitHit || !frame)
        return;
    qint64 first = firstFrameMicros.load();
    if (first < 0) {
        firstFrameMicros = timeMicros;
        first = timeMicros;
    }
    if (settings.timeLimit > 0) {
        // A picture belongs to the recording while it starts within the limit; half a frame
        // of tolerance absorbs clock jitter, so rate x seconds pictures are kept.
        const double elapsed = double(timeMicros - first) / 1e6;
        if (elapsed >= settings.timeLimit - 0.5 / settings.fps) {
            endTime(first + qint64(std::llround(settings.timeLimit * 1e6)));
            if (!limitHit.exchange(true) && onLimit)
                onLimit();
            return;
        }
    }
    std::lock_guard<std::mutex> lock(mutex);
    if (closing)
        return;
    lastFrameMicros = timeMicros;
    const int missed = missedSlotsBefore(timeMicros, first);
    dropped += missed;
    pendingRepeats += missed;
    if (queuedFrames >= capacity) {
        ++dropped;
        ++pendingRepeats;
        return;
    }
    Item item;
    item.frame = std::move(frame);
    item.repeatsBefore = pendingRepeats;
    pendingRepeats = 0;
    queue.push_back(std::move(item));
    ++queuedFrames;
    ++captured;
    ready.notify_one();
}

void Recorder::pushAudio(const QByteArray& pcm, int frames, qint64)
{
    if (!running || limitHit || settings.audio.sampleRate <= 0 || frames <= 0)
        return;
    std::lock_guard<std::mutex> lock(mutex);
    if (closing)
        return;
    // Sound is small; ten seconds of it queued means the writer is stuck anyway.
    const qint64 limit = qint64(settings.audio.sampleRate) * settings.audio.bytesPerSample() * 10;
    if (queuedAudioBytes + pcm.size() > limit)
        return;
    Item item;
    item.pcm = pcm;
    item.pcmFrames = frames;
    queuedAudioBytes += pcm.size();
    queue.push_back(std::move(item));
    samples += frames;
    ready.notify_one();
}

void Recorder::writerLoop()
{
    for (;;) {
        Item item;
        {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait(lock, [this] { return closing || !queue.empty(); });
            if (queue.empty())
                return; // closing and drained
            item = std::move(queue.front());
            queue.pop_front();
            if (item.frame)
                --queuedFrames;
            else
                queuedAudioBytes -= item.pcm.size();
            if (writeFailed)
                continue; // keep emptying the queue so the device never waits
        }
        Status written;
        if (item.frame && item.repeatsBefore > 0 && writer.framesWritten() > 0)
            written = writer.repeatPreviousFrame(item.repeatsBefore);
        if (written)
            written = item.frame ? writer.writeFrame(item.frame.get())
                                 : writer.writeAudio(item.pcm.constData(), item.pcmFrames);
        if (!written) {
            const QString text = written.error();
            {
                std::lock_guard<std::mutex> lock(mutex);
                writeFailed = true;
                writeError = text;
            }
            if (onFailure)
                onFailure(text);
        }
    }
}

Status Recorder::finish()
{
    if (!running)
        return {};
    endTime(steadyMicros());
    {
        std::lock_guard<std::mutex> lock(mutex);
        closing = true;
    }
    ready.notify_all();
    if (thread.joinable())
        thread.join();
    running = false;
    if (writer.framesWritten() == 0 && !writeFailed) {
        writer.discard();
        return fail(QStringLiteral("Nothing was recorded: no picture arrived before the "
                                   "recording ended"));
    }
    if (Status filled = fillToEnd(); !filled && !writeFailed) {
        writeFailed = true;
        writeError = filled.error();
    }
    bool ok = !writeFailed;
    QString text = writeError;
    // close() also after a failed write: it keeps whatever frames reached the disk.
    const Status closed = writer.close();
    // After a failed write the writer's reason is the same, with what was kept of the file.
    ok = ok && closed.ok();
    if (!closed)
        text = closed.error();
    if (!ok)
        return fail(text);
    return {};
}

// The slots from the last picture to the end of the recording that got none: counted as
// dropped and filled with the last picture, so the file lasts as long as the recording.
Status Recorder::fillToEnd()
{
    const qint64 first = firstFrameMicros.load();
    qint64 end = endMicros.load();
    if (first < 0 || end < 0 || writeFailed)
        return {};
    // Stopped by hand: the end is now, on the clock of the pictures' time stamps; one more than
    // two seconds past the last picture cannot be told from a source on another clock, and
    // only the slots up to the last picture are counted then.
    const qint64 last = lastFrameMicros.load();
    if (settings.timeLimit <= 0 && (end < last || end - last > 2'000'000))
        end = last;
    qint64 slotCount = std::llround(double(end - first) * settings.fps / 1e6);
    if (settings.timeLimit > 0)
        slotCount = std::min<qint64>(slotCount, std::llround(settings.timeLimit * settings.fps));
    // Slots dropped after the last queued picture were counted already; the ones after the
    // last picture that came are counted now.
    const qint64 unseen = std::max<qint64>(0, slotCount - nextSlot);
    dropped += int(unseen);
    nextSlot += unseen;
    const qint64 repeats = unseen + pendingRepeats;
    pendingRepeats = 0;
    return writer.repeatPreviousFrame(int(std::min<qint64>(repeats, 1 << 30)));
}

qint64 Recorder::captureTimeMs() const
{
    const qint64 first = firstFrameMicros.load();
    const qint64 begin = first >= 0 ? first : startMicros.load();
    qint64 end = endMicros.load();
    if (end < 0)
        end = steadyMicros();
    return std::max<qint64>(0, (end - begin + 500) / 1000);
}

} // namespace zelvan::capture
