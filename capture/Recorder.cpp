#include "capture/Recorder.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
}

namespace zelvan::capture
{

Recorder::Recorder() = default;

namespace
{

// A file of the camera's own packets begins at a key frame, so its first pictures decode.
bool startsStoredFile(const AVFrame* frame)
{
    const SourcePacket own = sourcePacketOf(frame);
    return own.packet && (own.packet->flags & AV_PKT_FLAG_KEY);
}

} // namespace

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
    slotted = false;
    fileBegun = false;
    if (settings.audio.sampleRate > 0)
        writer.setAudioFormat(settings.audio);
    writer.setQuality(settings.quality);
    if (Status opened =
            settings.stored
                ? writer.openCopy(settings.path, settings.stored, settings.fps)
                : writer.open(settings.path, settings.size, settings.fps, settings.codec);
        !opened)
        return opened;
    begin();
    return {};
}

// A trigger with no seconds asked before Start still keeps a second: the picture that fired
// is in memory when the file opens a moment later.
constexpr double kTriggerHoldSeconds = 1;

Status Recorder::startBuffering(const RecorderSettings& s, double preSeconds)
{
    if (running || thread.joinable())
        return fail(QStringLiteral("A recording is already running"));
    settings = s;
    slotted = true;
    fileBegun = false;
    preSecondsWish = preSeconds;
    takenFrames = 0;
    startFileFrame = 0;
    if (Status kept = buffer.configure(std::max(preSeconds, kTriggerHoldSeconds), settings.fps);
        !kept)
        return kept;
    buffer.setGroupCap(settings.stored ? std::llround(kStoredGroupSeconds * settings.fps) : 0);
    if (settings.audio.sampleRate > 0)
        writer.setAudioFormat(settings.audio);
    writer.setQuality(settings.quality);
    writer.setPacketSink([this](const AVPacket* packet) {
        const qint64 micros = qint64(std::llround(double(packet->pts) * 1e6 / settings.fps));
        return buffer.push(clonePacket(packet), packet->pts, micros);
    });
    if (Status opened = settings.stored
                            ? writer.keepCopies(settings.stored, settings.fps)
                            : writer.openEncoder(settings.size, settings.fps, settings.codec);
        !opened)
        return opened;
    begin();
    return {};
}

void Recorder::begin()
{
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
}

qint64 Recorder::nextPictureSlot() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return nextSlot;
}

Status Recorder::beginFile(const QString& path, double timeLimit, qint64 startSlot,
                           qint64 pressedSlot)
{
    if (!slotted || fileBegun || !running)
        return fail(QStringLiteral("No pictures are being kept to begin a recording with"));
    std::lock_guard<std::mutex> writing(writerMutex);
    PreTriggerPackets taken = buffer.takeForRecording();
    // The memory may hold more than asked (a trigger keeps a second): the file begins at the
    // wish before Start.
    const qint64 earliest = startSlot - std::llround(preSecondsWish * settings.fps);
    auto from = std::find_if(taken.packets.begin(), taken.packets.end(),
                             [earliest](const BufferedPacket& p) { return p.slot >= earliest; });
    // A camera's own packets lean on the ones before: the file begins at the key frame before
    // Start, and the pictures after it follow from the memory and the queue.
    if (settings.stored)
        while (from != taken.packets.begin() && (from == taken.packets.end() || !from->keyFrame))
            --from;
    const qint64 first = from != taken.packets.end() ? std::min(from->slot, startSlot) : startSlot;
    if (Status opened = writer.attachFile(path, first); !opened) {
        std::lock_guard<std::mutex> lock(mutex);
        writeFailed = true;
        writeError = opened.error();
        return opened;
    }
    keptToWrite.assign(std::make_move_iterator(from), std::make_move_iterator(taken.packets.end()));
    // The sound begins at Start: silence before it keeps it with its pictures.
    const qint64 before = startSlot - first;
    keptSilence = settings.audio.sampleRate > 0 && before > 0
                      ? int(std::llround(double(before) * settings.audio.sampleRate / settings.fps))
                      : 0;
    std::lock_guard<std::mutex> lock(mutex);
    // The writer thread writes them before anything queued after them.
    Item wake;
    wake.keptFirst = true;
    queue.push_front(std::move(wake));
    ready.notify_one();
    settings.path = path;
    settings.timeLimit = timeLimit;
    startSlotValue = startSlot;
    fileFirstSlot = first;
    // Everything before Start came from the memory; the pictures that arrive while the file
    // begins are the recording's own.
    takenFrames = std::max<qint64>(0, std::max(startSlot, pressedSlot) - first);
    startFileFrame = before;
    captured = int(before);
    dropped = 0;
    fileBegun = true;
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

bool Recorder::pastLimit(qint64 slot) const
{
    return fileBegun && settings.timeLimit > 0 &&
           slot >= startSlotValue + std::llround(settings.timeLimit * settings.fps);
}

void Recorder::limitReached(qint64 micros)
{
    endTime(micros);
    if (!limitHit.exchange(true) && onLimit)
        onLimit();
}

qint64 Recorder::pushVideo(FramePtr frame, qint64 timeMicros)
{
    if (!running || limitHit || !frame)
        return -1;
    qint64 first = firstFrameMicros.load();
    if (first < 0 && settings.stored && !slotted && !startsStoredFile(frame.get()))
        return -1;
    if (first < 0) {
        firstFrameMicros = timeMicros;
        first = timeMicros;
    }
    if (slotted)
        return pushSlotted(std::move(frame), timeMicros, first);
    if (settings.timeLimit > 0) {
        // A picture belongs to the recording while it starts within the limit; half a frame
        // of tolerance absorbs clock jitter, so rate x seconds pictures are kept.
        const double elapsed = double(timeMicros - first) / 1e6;
        if (elapsed >= settings.timeLimit - 0.5 / settings.fps) {
            limitReached(first + qint64(std::llround(settings.timeLimit * 1e6)));
            return -1;
        }
    }
    std::lock_guard<std::mutex> lock(mutex);
    if (closing)
        return -1;
    lastFrameMicros = timeMicros;
    const int missed = missedSlotsBefore(timeMicros, first);
    dropped += missed;
    pendingRepeats += missed;
    if (queuedFrames >= capacity) {
        ++dropped;
        ++pendingRepeats;
        return nextSlot - 1;
    }
    Item item;
    item.frame = std::move(frame);
    item.repeatsBefore = pendingRepeats;
    pendingRepeats = 0;
    queue.push_back(std::move(item));
    ++queuedFrames;
    ++captured;
    ready.notify_one();
    return nextSlot - 1;
}

// Pictures kept before Start are counted as the file's only once it begins (beginFile).
qint64 Recorder::pushSlotted(FramePtr frame, qint64 timeMicros, qint64 first)
{
    qint64 slot = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (closing)
            return -1;
        const int missed = missedSlotsBefore(timeMicros, first);
        slot = nextSlot - 1;
        if (!pastLimit(slot)) {
            lastFrameMicros = timeMicros;
            const bool counted = inFile(slot);
            if (counted)
                dropped += missed;
            if (queuedFrames >= capacity) {
                if (counted)
                    ++dropped;
                return slot;
            }
            Item item;
            item.frame = std::move(frame);
            item.slot = slot;
            queue.push_back(std::move(item));
            ++queuedFrames;
            if (counted)
                ++captured;
            ready.notify_one();
            return slot;
        }
    }
    const qint64 end = startSlotValue + std::llround(settings.timeLimit * settings.fps);
    limitReached(first + qint64(std::llround(double(end) * 1e6 / settings.fps)));
    return slot;
}

void Recorder::pushAudio(const QByteArray& pcm, int frames, qint64)
{
    if (!running || limitHit || settings.audio.sampleRate <= 0 || frames <= 0 ||
        (slotted && !fileBegun))
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
        if (const Status written = write(item); !written) {
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

Status Recorder::write(Item& item)
{
    if (slotted) {
        std::lock_guard<std::mutex> writing(writerMutex);
        // A picture taken from the queue while the file began comes after the kept ones.
        if (Status kept = writeKept(); !kept || item.keptFirst)
            return kept;
        return item.frame ? writer.encodeFrame(item.frame.get(), item.slot)
                          : writer.writeAudio(item.pcm.constData(), item.pcmFrames);
    }
    Status written;
    if (item.frame && item.repeatsBefore > 0 && writer.framesWritten() > 0)
        written = writer.repeatPreviousFrame(item.repeatsBefore);
    if (written)
        written = item.frame ? writer.writeFrame(item.frame.get())
                             : writer.writeAudio(item.pcm.constData(), item.pcmFrames);
    return written;
}

// The pictures a begun file took from the memory, then the silence before Start; writerMutex
// held.
Status Recorder::writeKept()
{
    const std::vector<BufferedPacket> packets = std::move(keptToWrite);
    keptToWrite.clear();
    const int silent = std::exchange(keptSilence, 0);
    Status written;
    for (auto p = packets.begin(); written && p != packets.end(); ++p)
        written = writer.writePacket(p->packet.get(), p->slot);
    if (written && silent > 0) {
        const QByteArray zeros(silent * settings.audio.bytesPerSample(),
                               settings.audio.bitsPerSample == 8 ? char(0x80) : char(0));
        written = writer.writeAudio(zeros.constData(), silent);
    }
    return written;
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
    keptToWrite.clear(); // left behind only by a failed write
    keptSilence = 0;
    if (slotted && !fileBegun) {
        writer.discard(); // nothing was started: the kept pictures go
        return {};
    }
    if (writer.framesWritten() == 0 && !writeFailed) {
        writer.discard();
        return fail(QStringLiteral("Nothing was recorded: no picture arrived before the "
                                   "recording ended"));
    }
    if (Status filled = slotted ? fillSlottedToEnd() : fillToEnd(); !filled && !writeFailed) {
        writeFailed = true;
        writeError = filled.error();
    }
    bool ok = !writeFailed;
    QString text = writeError;
    // close() also after a failed write: it keeps whatever frames reached the disk.
    const Status closed = writer.close();
    if (slotted || settings.stored) {
        // Exact now that every picture is in: the file's frames are pictures or repeats.
        captured = writer.picturesWritten();
        dropped = writer.framesWritten() - writer.picturesWritten();
    }
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
// The end of the recording on the clock of the pictures' time stamps, -1 when nothing is to
// be filled. Stopped by hand, the end is now; one more than two seconds past the last picture
// cannot be told from a source on another clock, and the last picture ends it then.
qint64 Recorder::fillEndMicros() const
{
    const qint64 first = firstFrameMicros.load();
    const qint64 end = endMicros.load();
    if (first < 0 || end < 0 || writeFailed)
        return -1;
    const qint64 last = lastFrameMicros.load();
    if (settings.timeLimit <= 0 && (end < last || end - last > 2'000'000))
        return last;
    return end;
}

Status Recorder::fillToEnd()
{
    const qint64 first = firstFrameMicros.load();
    const qint64 end = fillEndMicros();
    if (end < 0)
        return {};
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

// The frame slots up to the end of the recording that got no picture repeat the last one.
Status Recorder::fillSlottedToEnd()
{
    const qint64 first = firstFrameMicros.load();
    const qint64 end = fillEndMicros();
    if (end < 0)
        return {};
    qint64 endSlot = std::max(nextSlot, std::llround(double(end - first) * settings.fps / 1e6));
    if (settings.timeLimit > 0)
        endSlot =
            std::min(endSlot, startSlotValue + std::llround(settings.timeLimit * settings.fps));
    const qint64 repeats = endSlot - fileFirstSlot - writer.framesWritten();
    if (repeats <= 0 || writer.framesWritten() == 0)
        return {};
    return writer.repeatPreviousFrame(int(std::min<qint64>(repeats, 1 << 30)));
}

qint64 Recorder::captureTimeMs() const
{
    const qint64 first = firstFrameMicros.load();
    qint64 begin = first >= 0 ? first : startMicros.load();
    if (slotted && first >= 0)
        begin += qint64(std::llround(double(fileFirstSlot) * 1e6 / settings.fps));
    qint64 end = endMicros.load();
    if (end < 0)
        end = steadyMicros();
    return std::max<qint64>(0, (end - begin + 500) / 1000);
}

} // namespace zelvan::capture
