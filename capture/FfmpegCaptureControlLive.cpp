// The capture control's live side: each picture of the device to the recording, the still
// and the preview; the rate the device really delivers; a network camera's latency; adding
// network cameras.
#include "capture/FfmpegCaptureControl.h"
#include "capture/NetworkCamera.h"
#include "capture/RecorderCompressors.h"

extern "C" {
#include <libavcodec/codec_desc.h>
#include <libavcodec/codec_par.h>
}

namespace zelvan::capture
{

// Device thread: effect, still, recording, preview. Nothing here waits for the user
// interface.
void FfmpegCaptureControl::onDeviceFrame(FramePtr frame, qint64 timeMicros, quint64 generation)
{
    if (const double delivered = rateWatch.add(timeMicros); delivered > 0) {
        QMetaObject::invokeMethod(
            this, [this, generation, delivered] { onRateMeasured(generation, delivered); },
            Qt::QueuedConnection);
    }
    frame = effect.apply(std::move(frame));
    if (!frame)
        return;
    std::shared_ptr<Recorder> rec;
    bool kept = false;
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        latest = cloneFrame(frame.get());
        rec = recorder ? recorder : keeper;
        kept = !recorder && keeper;
    }
    if (rec) {
        const qint64 slot = rec->pushVideo(cloneFrame(frame.get()), timeMicros);
        if (kept) {
            keptPeak = std::max(keptPeak.load(), rec->bufferBytes());
            feedTrigger(frame.get(), slot);
            if (rec->sparseKeyFrames() && !sparseNoticePosted.exchange(true))
                QMetaObject::invokeMethod(
                    this, [this, generation] { onSparseKeyFrames(generation); },
                    Qt::QueuedConnection);
        }
    }
    showPreview(std::move(frame), timeMicros);
}

// The device's own packets travel with its pictures only while a recording or a keeper takes
// them.
void FfmpegCaptureControl::wantPackets()
{
    bool wanted = false;
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        wanted = recorder || keeper;
    }
    if (source)
        source->setPacketsWanted(wanted);
}

void FfmpegCaptureControl::showPreview(FramePtr frame, qint64 timeMicros)
{
    // Every picture of a camera up to 60 frames a second is shown live (a display shows no
    // more); converting more would only cost the device thread time that recording needs.
    if (previewWanted && timeMicros - lastPreviewMicros >= 16000 &&
        !previewPending.exchange(true)) {
        lastPreviewMicros = timeMicros;
        const QImage image = imageFromFrame(frame.get());
        QMetaObject::invokeMethod(
            this,
            [this, image, timeMicros] {
                previewPending = false;
                if (!previewOn)
                    return;
                emit previewFrame(image);
                onPreviewShown(timeMicros);
            },
            Qt::QueuedConnection);
    }
}

// A device that delivers clearly fewer pictures than asked is told once for each rate it falls
// to, and recorded at the rate it delivers, so no repeated picture is invented and counted as
// dropped. One that keeps up again is recorded at the asked rate again.
void FfmpegCaptureControl::onRateMeasured(quint64 generation, double delivered)
{
    if (generation != sourceGeneration || !connected())
        return;
    deliveryKnown = true;
    const double before = deliveredFps;
    deliveredFps = deliversSlower(delivered, fps) ? delivered : 0;
    if (deliveredFps == before)
        return;
    if (deliveredFps > 0)
        emit warning(slowDeliveryText(connectedName, delivered, fps));
    else
        emit statusText(fullDeliveryText(connectedName, fps));
    // What was kept was numbered at the asked rate: keep again at the delivered one.
    if (!capturing())
        refreshKeeping();
}

// A network camera's latency, from its time stamp to the live picture, in the status label
// once a second.
void FfmpegCaptureControl::onPreviewShown(qint64 timeMicros)
{
    if (!isNetworkUrl(selectedVideo().url))
        return;
    const qint64 now = steadyMicros();
    const qint64 lag = source ? source->clockLagMicros() : 0;
    latencyMs = int(std::max<qint64>(0, (now - timeMicros + lag + 500) / 1000));
    if (now - latencyShownMicros < 1'000'000 || capturing())
        return;
    latencyShownMicros = now;
    emit statusText(QStringLiteral("%1: latency %2 ms").arg(connectedName).arg(latencyMs));
}

namespace
{

bool intraOnly(const StreamFormat& format)
{
    const AVCodecDescriptor* desc = avcodec_descriptor_get(format->codec_id);
    return desc && (desc->props & AV_CODEC_PROP_INTRA_ONLY);
}

// The network camera's format where its packets lean on each other (H.264, HEVC); pictures
// that stand alone (MJPEG) are stored picture by picture instead, which also serves the
// seconds kept before Start.
StreamFormat interFrameFormat(const VideoSource* source)
{
    const StreamFormat format = source ? source->storableFormat() : StreamFormat();
    return format && !intraOnly(format) ? format : StreamFormat();
}

} // namespace

QString FfmpegCaptureControl::streamCompressor() const
{
    const StreamFormat format = interFrameFormat(source.get());
    if (!format)
        return {};
    for (const QString& name : compressorCandidates())
        if (VideoFileWriter::compressorCodec(name) == int(format->codec_id))
            return name;
    return {};
}

// A network camera's packets are written as they came when the compressor chosen writes the
// codec the camera sends, at its size, and no effect changes the pictures: no quality is lost
// and the computer compresses nothing.
StreamFormat FfmpegCaptureControl::storedStream() const
{
    StreamFormat format = interFrameFormat(source.get());
    if (!format || sparseKeyFrames || effect.selected() >= 0 || compressor.isEmpty() ||
        VideoFileWriter::compressorCodec(compressor) != int(format->codec_id) ||
        QSize(format->width, format->height) != frameSize())
        return {};
    return format;
}

QString sparseKeyFrameText(const QString& camera)
{
    return QStringLiteral("%1 sends too few key frames to store its pictures as they came: "
                          "they are compressed again")
        .arg(camera);
}

double FfmpegCaptureControl::recordingFrameRate() const
{
    return lastRecording ? lastRecording->frameRate() : fps;
}

void FfmpegCaptureControl::addNetworkCamera(const QString& name, const QString& url, bool check)
{
    const auto checkedName = checkedCameraName(name);
    if (!checkedName)
        throw CaptureError(ErrBadValue, checkedName.error());
    const auto checkedUrl = checkedCameraUrl(url);
    if (!checkedUrl)
        throw CaptureError(ErrBadValue, checkedUrl.error());
    if (registry.videoIndexOf(*checkedName) >= 0)
        throw CaptureError(ErrBadValue,
                           QStringLiteral("A video device is already called ") + *checkedName);
    if (check) {
        if (const Status answered = probeNetworkCamera(*checkedUrl); !answered)
            throw CaptureError(ErrDeviceFailed, answered.error());
    }
    VideoDeviceInfo cam;
    cam.name = *checkedName;
    cam.url = *checkedUrl;
    cam.colorFormats = QStringList{QStringLiteral("As sent")};
    cam.colorFormatCodes = QStringList{QString()};
    if (!registry.addVideoDevice(cam))
        throw CaptureError(ErrBadValue,
                           QStringLiteral("A video device is already called ") + *checkedName);
}

} // namespace zelvan::capture
