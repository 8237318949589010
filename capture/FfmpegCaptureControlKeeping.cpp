// The capture control before Start: the last seconds of the live picture kept compressed in
// memory, and the motion trigger that starts a pass by itself. Both run on the device thread
// against every picture; the user-interface thread only (re)starts them and takes them over.
#include "capture/FfmpegCaptureControl.h"

#include <QDir>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

namespace zelvan::capture
{

namespace
{

// The brightness of a picture as the trigger reads it, without converting it: the Y plane of
// planar YUV, every second byte of packed YUV, the green of RGB. False for other formats.
bool lumaOf(const AVFrame* f, LumaPlane& plane)
{
    plane.size = QSize(f->width, f->height);
    plane.stride = f->linesize[0];
    plane.data = f->data[0];
    plane.step = 1;
    const AVPixelFormat format = AVPixelFormat(f->format);
    switch (format) {
    case AV_PIX_FMT_YUYV422:
    case AV_PIX_FMT_YVYU422:
        plane.step = 2;
        return true;
    case AV_PIX_FMT_UYVY422:
        plane.data += 1;
        plane.step = 2;
        return true;
    case AV_PIX_FMT_RGB24:
    case AV_PIX_FMT_BGR24:
        plane.data += 1;
        plane.step = 3;
        return true;
    case AV_PIX_FMT_BGRA:
    case AV_PIX_FMT_RGBA:
    case AV_PIX_FMT_BGR0:
    case AV_PIX_FMT_RGB0:
        plane.data += 1;
        plane.step = 4;
        return true;
    default:
        break;
    }
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    return desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB) && desc->comp[0].plane == 0 &&
           desc->comp[0].depth == 8 && desc->comp[0].step == 1 &&
           (desc->nb_components == 1 || (desc->flags & AV_PIX_FMT_FLAG_PLANAR));
}

bool sameKeeping(const RecorderSettings& a, const RecorderSettings& b)
{
    return a.size == b.size && a.fps == b.fps && a.codec == b.codec && a.quality == b.quality &&
           a.stored == b.stored && a.audio.sampleRate == b.audio.sampleRate &&
           a.audio.channels == b.audio.channels && a.audio.bitsPerSample == b.audio.bitsPerSample;
}

} // namespace

void FfmpegCaptureControl::setPreTriggerSeconds(double seconds)
{
    requireIdle();
    if (!(seconds >= 0 && seconds <= kMaxPreTriggerSeconds))
        throw CaptureError(ErrBadValue,
                           QStringLiteral("The seconds before Start must be from 0 to %1, not %2")
                               .arg(kMaxPreTriggerSeconds)
                               .arg(seconds));
    if (seconds == preSeconds)
        return;
    preSeconds = seconds;
    stopKeeping(); // the memory's length changes: begin again
    refreshKeeping();
}

qint64 FfmpegCaptureControl::preTriggerBytes() const
{
    std::lock_guard<std::mutex> lock(sinkMutex);
    return keeper ? keeper->bufferBytes() : 0;
}

// Keeps while wanted, with the recording's settings; a change of them begins again. Settings
// that stay the same keep what was kept (the capture panel applies its values before Start).
void FfmpegCaptureControl::refreshKeeping()
{
    // A firing not yet taken by Start keeps its picture, whatever a setter does before Start.
    const bool wanted = connected() && !capturing() &&
                        (preSeconds > 0 || triggerNow.load() == TriggerArmed ||
                         firedSlot.load() >= 0 || storedStream());
    if (!wanted) {
        stopKeeping();
        return;
    }
    const RecorderSettings settings = recorderSettings();
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        if (keeper && sameKeeping(keeper->keptWith(), settings) &&
            keeper->keptSeconds() == preSeconds)
            return;
    }
    stopKeeping();
    auto rec = std::make_shared<Recorder>();
    watchRecorder(rec);
    if (const Status started = rec->startBuffering(settings, preSeconds); !started) {
        emit warning(QStringLiteral("The seconds before Start cannot be kept: ") + started.error());
        return;
    }
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        keeper = std::move(rec);
    }
    wantPackets();
}

// A camera's own stream whose key frames are too far apart to be kept before Start is
// compressed again from now on, so no pass waits for a key frame.
void FfmpegCaptureControl::onSparseKeyFrames(quint64 generation)
{
    sparseNoticePosted = false;
    if (generation != sourceGeneration || sparseKeyFrames || capturing())
        return;
    sparseKeyFrames = true;
    emit statusText(sparseKeyFrameText(connectedName));
    refreshKeeping();
}

void FfmpegCaptureControl::stopKeeping()
{
    std::shared_ptr<Recorder> rec;
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        rec = std::move(keeper);
        keeper.reset();
    }
    wantPackets();
    if (rec)
        static_cast<void>(rec->finish());
}

void FfmpegCaptureControl::onKeepingFailed(const std::shared_ptr<Recorder>& rec,
                                           const QString& text)
{
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        if (keeper != rec)
            return;
        keeper.reset();
    }
    wantPackets();
    static_cast<void>(rec->finish());
    emit warning(QStringLiteral("The seconds before Start cannot be kept: ") + text);
}

// Start with pictures kept: at the picture that fired, when the trigger fired a moment ago
// (within what the memory holds), else at the next picture.
void FfmpegCaptureControl::startFromKept(const std::shared_ptr<Recorder>& rec)
{
    const qint64 next = rec->nextPictureSlot();
    const qint64 fired = firedSlot.exchange(-1);
    const bool byTrigger = fired >= 0 && next - fired <= qint64(recorderSettings().fps);
    // Pressed by hand: this pass needs no trigger any more. Disarmed without keeping again:
    // the pictures kept so far are this recording's now, and a new keeper would take over the
    // recording's limit and failure reports.
    if (triggerNow.load() == TriggerArmed)
        stopTrigger();
    if (const Status begun =
            rec->beginFile(captureFile, limitSeconds, byTrigger ? fired : next, next);
        !begun) {
        stopKeeping(); // rec: what it kept went with the file that could not begin
        QFile::remove(captureFile + QStringLiteral(".part"));
        refreshKeeping();
        throw CaptureError(ErrFile, begun.error());
    }
}

// Device thread, for each kept picture.
void FfmpegCaptureControl::feedTrigger(const AVFrame* frame, qint64 slot)
{
    if (triggerNow.load() != TriggerArmed || slot < 0)
        return;
    LumaPlane plane;
    if (!lumaOf(frame, plane))
        return;
    {
        std::lock_guard<std::mutex> lock(triggerMutex);
        if (trigger.state() != MotionTrigger::State::Armed || !trigger.feed(plane))
            return;
    }
    firedSlot = slot;
    triggerNow = TriggerTriggered;
    QMetaObject::invokeMethod(
        this,
        [this] {
            emit triggerStateChanged(TriggerTriggered);
            emit statusText(QStringLiteral("Triggered"));
            emit triggerFired();
        },
        Qt::QueuedConnection);
}

void FfmpegCaptureControl::setTrigger(const QRect& zone, double threshold)
{
    if (!(threshold > 0 && threshold <= 1))
        throw CaptureError(ErrBadValue,
                           QStringLiteral("The trigger threshold must be above 0 and at most 1"));
    std::lock_guard<std::mutex> lock(triggerMutex);
    if (zone != trigger.zone())
        trigger.setZone(zone);
    trigger.setThreshold(threshold);
}

void FfmpegCaptureControl::armTrigger()
{
    if (!connected())
        throw CaptureError(ErrNotConnected, QStringLiteral("No capture device is connected"));
    {
        std::lock_guard<std::mutex> lock(triggerMutex);
        const QRect zone = trigger.zone();
        if (zone.isEmpty() || !QRect(QPoint(0, 0), frameSize()).contains(zone))
            throw CaptureError(ErrBadValue,
                               QStringLiteral("Draw the trigger zone on the live picture first"));
        trigger.arm();
    }
    firedSlot = -1;
    setTriggerState(TriggerArmed);
    refreshKeeping();
}

void FfmpegCaptureControl::disarmTrigger()
{
    stopTrigger();
    if (!capturing())
        refreshKeeping();
}

void FfmpegCaptureControl::stopTrigger()
{
    {
        std::lock_guard<std::mutex> lock(triggerMutex);
        trigger.disarm();
    }
    firedSlot = -1;
    setTriggerState(TriggerDisarmed);
}

void FfmpegCaptureControl::setTriggerState(int state)
{
    if (triggerNow.exchange(state) != state)
        emit triggerStateChanged(state);
}

} // namespace zelvan::capture
