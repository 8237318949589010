#include "capture/FfmpegCaptureControl.h"

#include "capture/RecorderCompressors.h"
#include "review/cDIB.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <chrono>
#include <thread>

extern "C" {
#include <libavutil/frame.h>
}

namespace zelvan::capture
{

namespace
{

QString sizeName(QSize s)
{
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

// 640x480 is the station's usual picture; otherwise the first size.
int preferredSizeIndex(const QList<QSize>& sizes)
{
    const int usual = int(sizes.indexOf(QSize(640, 480)));
    return usual >= 0 ? usual : (sizes.isEmpty() ? -1 : 0);
}

[[noreturn]] void throwError(int number, const QString& text)
{
    throw CaptureError(number, text);
}

void checkIndex(int i, int count, const QString& what)
{
    if (i < 0 || i >= count)
        throwError(ErrBadValue, QStringLiteral("%1 index %2 is out of range").arg(what).arg(i));
}

} // namespace

FfmpegCaptureControl::FfmpegCaptureControl(bool scanRealDevices, QObject* parent)
    : CaptureControl(parent), registry(scanRealDevices)
{
    const auto video = registry.videoDevices();
    if (!video.isEmpty())
        videoName = video.first().name;
    resetPictureSettings();
    connect(&registry, &DeviceRegistry::changed, this, &FfmpegCaptureControl::onRegistryChange);
    counterTimer.setInterval(500);
    connect(&counterTimer, &QTimer::timeout, this, &FfmpegCaptureControl::emitCounters);
}

FfmpegCaptureControl::~FfmpegCaptureControl()
{
    // Leave a complete file behind even when the program closes mid-recording.
    std::shared_ptr<Recorder> rec;
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        rec = std::move(recorder);
    }
    if (audioSource)
        audioSource->stop();
    stopSource(); // lets go of the kept seconds too
    if (rec)
        static_cast<void>(rec->finish());
}

// ---------------------------------------------------------------------------- helpers

void FfmpegCaptureControl::requireIdle() const
{
    if (capturing())
        throwError(ErrBusy, QStringLiteral("Not possible while recording"));
}

void FfmpegCaptureControl::requireCategory(const QString& category) const
{
    if (category != kEffectCategory)
        throwError(ErrUnknownCategory, QStringLiteral("Unknown effect category: ") + category);
}

VideoDeviceInfo FfmpegCaptureControl::selectedVideo() const
{
    const auto list = registry.videoDevices();
    const int i = registry.videoIndexOf(connectedName.isEmpty() ? videoName : connectedName);
    return i >= 0 ? list[i] : VideoDeviceInfo{};
}

void FfmpegCaptureControl::resetPictureSettings()
{
    const VideoDeviceInfo dev = selectedVideo();
    colorFormat = dev.colorFormats.isEmpty() ? -1 : 0;
    resolution = preferredSizeIndex(formatSizes());
    input = dev.inputs.isEmpty() ? -1 : 0;
}

QList<QSize> FfmpegCaptureControl::formatSizes() const
{
    const VideoDeviceInfo dev = selectedVideo();
    if (dev.modes.isEmpty())
        return dev.sizes;
    return sizesServed(dev.modes, dev.colorFormatCodes.value(colorFormat));
}

QSize FfmpegCaptureControl::frameSize() const
{
    const QList<QSize> sizes = formatSizes();
    return resolution >= 0 && resolution < sizes.size() ? sizes[resolution] : QSize();
}

// A size the chosen format does not serve is not opened as asked: the format that serves
// it (and the rate) is taken instead, and the status label says so.
void FfmpegCaptureControl::followServedMode()
{
    const VideoDeviceInfo dev = selectedVideo();
    const QString code = dev.colorFormatCodes.value(colorFormat);
    const ModeChoice choice = chooseMode(dev.modes, dev.colorFormatCodes, code, frameSize(), fps);
    if (!choice.switched)
        return;
    const QString from = dev.colorFormats.value(colorFormat);
    colorFormat = int(dev.colorFormatCodes.indexOf(choice.format));
    resolution = int(formatSizes().indexOf(choice.size));
    emit statusText(formatSwitchText(dev.colorFormats.value(colorFormat), from, choice.size, fps));
}

void FfmpegCaptureControl::startSource()
{
    followServedMode();
    const VideoDeviceInfo dev = selectedVideo();
    VideoSettings settings;
    settings.size = frameSize();
    settings.fps = fps;
    settings.colorFormatCode = dev.colorFormatCodes.value(colorFormat);
    settings.input = std::max(0, input);
    auto src = makeVideoSource(dev, settings, &registry);
    if (!src)
        throwError(ErrDeviceFailed, dev.name + QStringLiteral(" is not available in this build"));
    const quint64 generation = ++sourceGeneration;
    rateWatch.reset();
    deliveryKnown = false;
    deliveredFps = 0;
    latencyMs = -1;
    src->setFrameHandler([this, generation](FramePtr frame, qint64 time) {
        onDeviceFrame(std::move(frame), time, generation);
    });
    src->setEndHandler([this, generation](const QString& reason) {
        QMetaObject::invokeMethod(
            this, [this, generation, reason] { onSourceEnded(generation, reason); },
            Qt::QueuedConnection);
    });
    // Keeping begins with the device's first picture: slots count from it.
    refreshKeeping();
    if (const Status started = src->start(); !started) {
        stopKeeping();
        throwError(ErrDeviceFailed, started.error());
    }
    // A network camera sends the size it was set up for; that is the only size it has.
    if (const QSize sent = src->sentSize(); sent.isValid() && sent != settings.size) {
        registry.setAddedSizes(dev.name, {sent});
        resolution = 0;
    }
    source = std::move(src);
    sparseKeyFrames = false;
    // A camera whose packets are stored keeps its current key-frame group from now on.
    refreshKeeping();
}

void FfmpegCaptureControl::stopSource()
{
    if (source) {
        source->stop();
        source.reset();
    }
    ++sourceGeneration;
    stopKeeping();
    std::lock_guard<std::mutex> lock(sinkMutex);
    latest.reset();
}

void FfmpegCaptureControl::restartIfConnected()
{
    if (!connected())
        return;
    stopSource();
    try {
        startSource();
    } catch (const CaptureError&) {
        connectedName.clear();
        emit statusChange(StatusDisconnected, QStringLiteral("Disconnected"));
        throw;
    }
}

// ---------------------------------------------------------------------------- device

void FfmpegCaptureControl::connectDevice(int index)
{
    requireIdle();
    const auto list = registry.videoDevices();
    if (list.isEmpty())
        throwError(ErrNoDevice, QStringLiteral("No video capture device"));
    checkIndex(index, list.size(), QStringLiteral("Video device"));
    if (connected())
        disconnectDevice();
    if (videoName != list[index].name) {
        videoName = list[index].name;
        resetPictureSettings();
    }
    connectedName = videoName;
    try {
        startSource();
    } catch (const CaptureError&) {
        connectedName.clear();
        throw;
    }
    emit statusChange(StatusConnected, QStringLiteral("Connected to ") + connectedName);
}

void FfmpegCaptureControl::disconnectDevice()
{
    if (capturing())
        finishRecording(QStringLiteral("disconnected"));
    stopSource();
    if (!connectedName.isEmpty()) {
        connectedName.clear();
        emit statusChange(StatusDisconnected, QStringLiteral("Disconnected"));
    }
}

bool FfmpegCaptureControl::connected() const
{
    return !connectedName.isEmpty();
}

int FfmpegCaptureControl::videoDeviceCount() const
{
    return int(registry.videoDevices().size());
}

QString FfmpegCaptureControl::videoDeviceName(int i) const
{
    const auto list = registry.videoDevices();
    checkIndex(i, list.size(), QStringLiteral("Video device"));
    return list[i].name;
}

int FfmpegCaptureControl::videoDeviceIndex() const
{
    return registry.videoIndexOf(videoName);
}

void FfmpegCaptureControl::setVideoDeviceIndex(int i)
{
    requireIdle();
    const auto list = registry.videoDevices();
    checkIndex(i, list.size(), QStringLiteral("Video device"));
    if (list[i].name == videoName)
        return;
    if (connected())
        disconnectDevice();
    videoName = list[i].name;
    resetPictureSettings();
}

int FfmpegCaptureControl::audioDeviceCount() const
{
    return int(registry.audioDevices().size());
}

QString FfmpegCaptureControl::audioDeviceName(int i) const
{
    const auto list = registry.audioDevices();
    checkIndex(i, list.size(), QStringLiteral("Audio device"));
    return list[i].name;
}

int FfmpegCaptureControl::audioDeviceIndex() const
{
    return audioName.isEmpty() ? -1 : registry.audioIndexOf(audioName);
}

void FfmpegCaptureControl::setAudioDeviceIndex(int i)
{
    requireIdle();
    if (i == -1) {
        audioName.clear();
        followListen();
        refreshKeeping();
        return;
    }
    const auto list = registry.audioDevices();
    checkIndex(i, list.size(), QStringLiteral("Audio device"));
    audioName = list[i].name;
    followListen();
    refreshKeeping();
}

// ---------------------------------------------------------------------------- picture

bool FfmpegCaptureControl::preview() const
{
    return previewOn;
}

void FfmpegCaptureControl::setPreview(bool on)
{
    previewOn = on;
    previewWanted = on;
}

int FfmpegCaptureControl::resolutionCount() const
{
    return int(formatSizes().size());
}

QString FfmpegCaptureControl::resolutionName(int i) const
{
    const auto sizes = formatSizes();
    checkIndex(i, sizes.size(), QStringLiteral("Resolution"));
    return sizeName(sizes[i]);
}

int FfmpegCaptureControl::resolutionIndex() const
{
    return resolution;
}

void FfmpegCaptureControl::setResolutionIndex(int i)
{
    requireIdle();
    checkIndex(i, resolutionCount(), QStringLiteral("Resolution"));
    if (i == resolution)
        return;
    resolution = i;
    restartIfConnected();
}

int FfmpegCaptureControl::colorFormatCount() const
{
    return int(selectedVideo().colorFormats.size());
}

QString FfmpegCaptureControl::colorFormatName(int i) const
{
    const auto names = selectedVideo().colorFormats;
    checkIndex(i, names.size(), QStringLiteral("Colour format"));
    return names[i];
}

int FfmpegCaptureControl::colorFormatIndex() const
{
    return colorFormat;
}

void FfmpegCaptureControl::setColorFormatIndex(int i)
{
    requireIdle();
    checkIndex(i, colorFormatCount(), QStringLiteral("Colour format"));
    if (i == colorFormat)
        return;
    // The size stays when the new format serves it at the rate; the lists follow the format.
    const VideoDeviceInfo dev = selectedVideo();
    const QSize size = dev.modes.isEmpty() ? frameSize()
                                           : sizeForFormat(dev.modes, dev.colorFormatCodes.value(i),
                                                           frameSize(), fps);
    colorFormat = i;
    const QList<QSize> sizes = formatSizes();
    resolution = int(sizes.indexOf(size));
    if (resolution < 0)
        resolution = preferredSizeIndex(sizes);
    restartIfConnected();
}

int FfmpegCaptureControl::videoInputCount() const
{
    return int(selectedVideo().inputs.size());
}

QString FfmpegCaptureControl::videoInputName(int i) const
{
    const auto names = selectedVideo().inputs;
    checkIndex(i, names.size(), QStringLiteral("Video input"));
    return names[i];
}

int FfmpegCaptureControl::videoInputIndex() const
{
    return input;
}

void FfmpegCaptureControl::setVideoInputIndex(int i)
{
    requireIdle();
    checkIndex(i, videoInputCount(), QStringLiteral("Video input"));
    if (i == input)
        return;
    input = i;
    restartIfConnected();
}

void FfmpegCaptureControl::setChannel(int)
{
    throwError(ErrBadValue, QStringLiteral("The device has no tuner"));
}

// ---------------------------------------------------------------------------- compression

// The compressors that keep up at the chosen size and rate; the built-in default size when
// no device is chosen.
QStringList FfmpegCaptureControl::compressorList() const
{
    const QSize size = frameSize();
    QStringList names = liveCompressors(size.isValid() ? size : QSize(640, 480), fps);
    // A camera's own compression is always a choice: its packets are stored, not compressed.
    if (const QString own = streamCompressor(); !own.isEmpty() && !names.contains(own))
        names << own;
    return names;
}

int FfmpegCaptureControl::videoCompressorCount() const
{
    return int(compressorList().size());
}

QString FfmpegCaptureControl::videoCompressorName(int i) const
{
    const QStringList names = compressorList();
    checkIndex(i, names.size(), QStringLiteral("Video compressor"));
    return names[i];
}

// The chosen compressor is kept by name, as the list follows the size and rate.
int FfmpegCaptureControl::videoCompressorIndex() const
{
    return compressor.isEmpty() ? -1 : int(compressorList().indexOf(compressor));
}

void FfmpegCaptureControl::setVideoCompressorIndex(int i)
{
    requireIdle();
    if (i != -1)
        checkIndex(i, videoCompressorCount(), QStringLiteral("Video compressor"));
    compressor = i < 0 ? QString() : compressorList().value(i);
    refreshKeeping();
}

void FfmpegCaptureControl::setCompressionQuality(int q)
{
    if (q < 2 || q > 31)
        throwError(ErrBadValue, QStringLiteral("Quality must be 2 to 31"));
    quality = q;
    if (!capturing())
        refreshKeeping();
}

// Sound is always written as PCM; the list says so instead of being empty.
int FfmpegCaptureControl::audioCompressorCount() const
{
    return 1;
}

QString FfmpegCaptureControl::audioCompressorName(int i) const
{
    checkIndex(i, 1, QStringLiteral("Audio compressor"));
    return QStringLiteral("PCM");
}

int FfmpegCaptureControl::audioCompressorIndex() const
{
    return -1;
}

void FfmpegCaptureControl::setAudioCompressorIndex(int i)
{
    if (i != -1 && i != 0)
        checkIndex(i, 1, QStringLiteral("Audio compressor"));
}

int FfmpegCaptureControl::effectCount(const QString& category) const
{
    return category == kEffectCategory ? int(videoEffectNames().size()) : 0;
}

QString FfmpegCaptureControl::effectName(const QString& category, int i) const
{
    requireCategory(category);
    const QStringList names = videoEffectNames();
    checkIndex(i, names.size(), QStringLiteral("Effect"));
    return names[i];
}

int FfmpegCaptureControl::effectIndex(const QString& category, const QString& name) const
{
    if (category != kEffectCategory)
        return -1;
    return int(videoEffectNames().indexOf(name));
}

int FfmpegCaptureControl::currentEffect(const QString& category) const
{
    requireCategory(category);
    return effect.selected();
}

void FfmpegCaptureControl::useEffect(const QString& category, int index)
{
    requireCategory(category);
    if (index != -1)
        checkIndex(index, effectCount(category), QStringLiteral("Effect"));
    effect.select(index);
}

// ---------------------------------------------------------------------------- audio

void FfmpegCaptureControl::setSampleRate(int hz)
{
    requireIdle();
    if (hz < 4000 || hz > 192000)
        throwError(ErrBadValue, QStringLiteral("Unsupported sample rate %1 Hz").arg(hz));
    audioFormat.sampleRate = hz;
    followListen();
    refreshKeeping();
}

void FfmpegCaptureControl::setChannels(int n)
{
    requireIdle();
    if (n != 1 && n != 2)
        throwError(ErrBadValue, QStringLiteral("Channels must be 1 or 2"));
    audioFormat.channels = n;
    followListen();
    refreshKeeping();
}

void FfmpegCaptureControl::setBitsPerSample(int bits)
{
    requireIdle();
    if (bits != 8 && bits != 16)
        throwError(ErrBadValue, QStringLiteral("Bits per sample must be 8 or 16"));
    audioFormat.bitsPerSample = bits;
    followListen();
    refreshKeeping();
}

void FfmpegCaptureControl::setListen(bool on)
{
    listenOn = on;
    followListen();
}

// Listening never stops the station: what goes wrong is said in the status line.
void FfmpegCaptureControl::followListen()
{
    connect(&soundMonitor, &AudioMonitor::trouble, this, &CaptureControl::statusText,
            Qt::UniqueConnection);
    if (!listenOn || audioName.isEmpty()) {
        soundMonitor.stop();
        return;
    }
    const AudioSettings as{audioFormat.sampleRate, audioFormat.channels, audioFormat.bitsPerSample};
    try {
        // The monitor has let go of the device before it makes the new source, so
        // makeSoundSource() opens the device itself.
        const Status heard =
            soundMonitor.listenTo(audioName, as, [this] { return makeSoundSource(); });
        if (!heard)
            emit statusText(QStringLiteral("Listen: ") + heard.error());
    } catch (const CaptureError& error) {
        emit statusText(QStringLiteral("Listen: ") + error.description);
    }
}

// ---------------------------------------------------------------------------- recording

void FfmpegCaptureControl::setFrameRate(double rate)
{
    requireIdle();
    if (!(rate >= 1 && rate <= 240))
        throwError(ErrBadValue, QStringLiteral("Unsupported frame rate %1").arg(rate));
    if (rate == fps)
        return;
    fps = rate;
    // The device delivers at the recording's rate, so a new rate restarts it.
    restartIfConnected();
}

void FfmpegCaptureControl::setTimeLimit(double seconds)
{
    requireIdle();
    if (!(seconds >= 0 && seconds <= 24 * 3600))
        throwError(ErrBadValue, QStringLiteral("Unsupported time limit %1").arg(seconds));
    limitSeconds = seconds;
}

void FfmpegCaptureControl::setCaptureFileName(const QString& path)
{
    requireIdle();
    captureFile = path;
}

bool FfmpegCaptureControl::capturing() const
{
    return recorder != nullptr;
}

void FfmpegCaptureControl::requireRecordable() const
{
    requireIdle();
    if (!connected())
        throwError(ErrNotConnected, QStringLiteral("No capture device is connected"));
    if (captureFile.trimmed().isEmpty())
        throwError(ErrFile, QStringLiteral("No capture file name"));
    const QFileInfo info(captureFile);
    if (!info.absoluteDir().exists())
        throwError(ErrFile, QStringLiteral("Folder does not exist: ") +
                                QDir::toNativeSeparators(info.absolutePath()));
}

RecorderSettings FfmpegCaptureControl::recorderSettings() const
{
    RecorderSettings settings;
    settings.path = captureFile;
    settings.size = frameSize();
    settings.fps = deliveredFps > 0 ? deliveredFps : fps;
    settings.codec = compressor.isEmpty() ? QStringLiteral("Uncompressed") : compressor;
    settings.quality = quality;
    settings.timeLimit = limitSeconds;
    settings.stored = storedStream();
    if (!audioName.isEmpty())
        settings.audio = audioFormat;
    return settings;
}

std::unique_ptr<AudioSource> FfmpegCaptureControl::makeSoundSource()
{
    if (audioName.isEmpty())
        return nullptr;
    const int a = registry.audioIndexOf(audioName);
    if (a < 0)
        throwError(ErrNoDevice, audioName + QStringLiteral(" is not present"));
    const AudioSettings as{audioFormat.sampleRate, audioFormat.channels, audioFormat.bitsPerSample};
    if (auto heard = soundMonitor.share(audioName, as)) // the device is open for listening
        return heard;
    return makeAudioSource(registry.audioDevices()[a], as, &registry);
}

std::shared_ptr<Recorder> FfmpegCaptureControl::startRecorder(const RecorderSettings& settings)
{
    auto rec = std::make_shared<Recorder>();
    watchRecorder(rec);
    if (const Status started = rec->start(settings); !started)
        throwError(ErrFile, started.error());
    return rec;
}

void FfmpegCaptureControl::watchRecorder(const std::shared_ptr<Recorder>& rec)
{
    // These arrive late (queued); they must only end the recording that raised them, not a
    // new one started in between. One that fails while it only keeps pictures is dropped.
    const quint64 which = ++recordingSerial;
    std::weak_ptr<Recorder> weak = rec;
    rec->setLimitHandler([this, which] {
        QMetaObject::invokeMethod(
            this,
            [this, which] {
                if (recorder && recordingSerial == which)
                    finishRecording(QStringLiteral("time limit reached"));
            },
            Qt::QueuedConnection);
    });
    rec->setFailureHandler([this, which, weak](const QString& text) {
        QMetaObject::invokeMethod(
            this,
            [this, which, weak, text] {
                if (recorder && recordingSerial == which)
                    finishRecording(text);
                else if (auto failed = weak.lock())
                    onKeepingFailed(failed, text);
            },
            Qt::QueuedConnection);
    });
}

void FfmpegCaptureControl::startSound(AudioSource& sound, const std::shared_ptr<Recorder>& rec)
{
    std::weak_ptr<Recorder> weak = rec;
    sound.setSamplesHandler([weak](const QByteArray& pcm, int frames, qint64 time) {
        if (auto r = weak.lock())
            r->pushAudio(pcm, frames, time);
    });
    // Losing the sound does not end the recording; the operator is told.
    sound.setEndHandler([this](const QString& reason) {
        QMetaObject::invokeMethod(
            this, [this, reason] { emit warning(reason); }, Qt::QueuedConnection);
    });
    if (const Status started = sound.start(); !started) {
        static_cast<void>(rec->finish());
        QFile::remove(captureFile);
        {
            std::lock_guard<std::mutex> lock(sinkMutex);
            if (keeper == rec)
                keeper.reset(); // its pictures went with the start that failed
        }
        refreshKeeping();
        throwError(ErrDeviceFailed, started.error());
    }
}

void FfmpegCaptureControl::startCapture()
{
    requireRecordable();
    const RecorderSettings settings = recorderSettings();
    std::unique_ptr<AudioSource> sound = makeSoundSource();
    std::shared_ptr<Recorder> rec;
    {
        // The keeper goes on taking every picture while the file begins; it becomes the
        // recorder in one step below, so no picture falls between the two.
        std::lock_guard<std::mutex> lock(sinkMutex);
        rec = keeper;
    }
    if (rec && rec->keptWith().stored && !rec->holdsKeyFrame()) {
        // No key frame of the camera's yet: waiting for one could miss the landing.
        stopKeeping();
        rec.reset();
        emit statusText(sparseKeyFrameText(connectedName));
    }
    if (rec) {
        startFromKept(rec);
    } else {
        RecorderSettings encoded = settings;
        encoded.stored.reset();
        rec = startRecorder(encoded);
    }
    if (sound)
        startSound(*sound, rec);
    audioSource = std::move(sound);
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        keeper.reset();
        recorder = rec;
    }
    wantPackets();
    lastRecording = rec;
    dropWarned = false;
    counterTimer.start();
    emit statusChange(StatusStreamSetUp,
                      QStringLiteral("Capturing to ") + QDir::toNativeSeparators(captureFile));
    emit statusText(QStringLiteral("Capturing to ") + QDir::toNativeSeparators(captureFile));
}

void FfmpegCaptureControl::finishRecording(const QString& why)
{
    if (!recorder || finishing)
        return;
    finishing = true;
    std::shared_ptr<Recorder> rec;
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        rec = std::move(recorder);
        recorder.reset();
    }
    wantPackets();
    if (audioSource) {
        audioSource->stop();
        audioSource.reset();
    }
    counterTimer.stop();
    const Status finished = rec->finish();
    finishing = false;
    emitCounters();
    if (finished) {
        emit statusChange(StatusCaptureEnded, QStringLiteral("Capture complete (%1)").arg(why));
    } else {
        emit statusChange(StatusCaptureFailed,
                          QStringLiteral("Capture failed: ") + finished.error());
        emit warning(QStringLiteral("The recording could not be saved: ") + finished.error());
    }
    refreshKeeping();
    emit captureFinished();
}

void FfmpegCaptureControl::stopCapture()
{
    // Stopping while idle is harmless: the screens stop on ESC whatever the state.
    finishRecording(QStringLiteral("stopped"));
}

void FfmpegCaptureControl::emitCounters()
{
    const QString text = QStringLiteral("Captured %1 frames (%2 dropped) %3 ms")
                             .arg(framesCaptured())
                             .arg(framesDropped())
                             .arg(captureTimeMs());
    emit statusChange(StatusCountersCurrent, text);
    emit statusText(text);
    // Said once per recording: the operator should know the machine cannot keep up.
    if (framesDropped() > 0 && !dropWarned) {
        dropWarned = true;
        emit warning(QStringLiteral("Frames are being dropped: the computer cannot keep up "
                                    "with the device at this size and rate"));
    }
}

int FfmpegCaptureControl::preTriggerFrames() const
{
    return lastRecording ? int(lastRecording->preFrames()) : 0;
}

int FfmpegCaptureControl::startFrame() const
{
    return lastRecording ? int(lastRecording->startFrame()) : 0;
}

int FfmpegCaptureControl::framesCaptured() const
{
    return lastRecording ? lastRecording->framesCaptured() : 0;
}

int FfmpegCaptureControl::framesDropped() const
{
    return lastRecording ? lastRecording->framesDropped() : 0;
}

qint64 FfmpegCaptureControl::audioSamplesCaptured() const
{
    return lastRecording ? lastRecording->audioSamples() : 0;
}

qint64 FfmpegCaptureControl::captureTimeMs() const
{
    return lastRecording ? lastRecording->captureTimeMs() : 0;
}

void FfmpegCaptureControl::grabStill()
{
    if (!connected())
        throwError(ErrNotConnected, QStringLiteral("No capture device is connected"));
    if (stillFile.trimmed().isEmpty())
        throwError(ErrFile, QStringLiteral("No still file name"));
    // Right after connecting the first picture may still be on its way.
    FramePtr frame;
    for (int waited = 0; waited <= 2000; waited += 10) {
        {
            std::lock_guard<std::mutex> lock(sinkMutex);
            frame = cloneFrame(latest.get());
        }
        if (frame)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!frame)
        throwError(ErrNoFrame, QStringLiteral("No picture received from the device"));
    const QImage image = imageFromFrame(frame.get());
    if (image.isNull())
        throwError(ErrFile, QStringLiteral("Cannot write ") + stillFile);
    if (const Status written = review::writeImageAsBmp(image, stillFile); !written)
        throwError(ErrFile, written.error());
    emit statusText(QStringLiteral("Still saved to ") + QDir::toNativeSeparators(stillFile));
}

// ---------------------------------------------------------------------------- dialogs

bool FfmpegCaptureControl::dialogAvailable(int id) const
{
    if (!dialogs)
        return false;
    switch (id) {
    case DialogVideoSource:
        return connected();
    case DialogVideoSourceEffect:
        return connected() && effect.selected() >= 0;
    case DialogVideoCompression:
        return !compressor.isEmpty();
    case DialogAudioFormat:
        return !audioName.isEmpty();
    default:
        return false;
    }
}

void FfmpegCaptureControl::showDialog(int id, const QString&)
{
    if (!dialogAvailable(id))
        throwError(ErrNoDialog, QStringLiteral("Dialog %1 is not available").arg(id));
    dialogs->show(id, *this);
}

// ---------------------------------------------------------------------------- events

void FfmpegCaptureControl::onRegistryChange(const QString& category, int action, int index,
                                            const QString& name)
{
    if (action == 1 && category == kVideoSources && name == connectedName) {
        // The camera is gone: keep every picture received, close the file, then tell.
        finishRecording(name + QStringLiteral(" was removed"));
        stopSource();
        connectedName.clear();
        emit warning(name + QStringLiteral(" was removed"));
        emit statusChange(StatusDisconnected, QStringLiteral("Disconnected"));
    }
    if (action == 1 && category == kAudioSources && name == audioName) {
        if (audioSource) {
            audioSource->stop();
            audioSource.reset();
        }
        audioName.clear();
    }
    if (category == kVideoSources && registry.videoIndexOf(videoName) < 0) {
        const auto list = registry.videoDevices();
        videoName = list.isEmpty() ? QString() : list.first().name;
        if (!connected())
            resetPictureSettings();
    }
    emit deviceListChange(category, action, index, name);
}

void FfmpegCaptureControl::onSourceEnded(quint64 generation, const QString& reason)
{
    if (generation != sourceGeneration || !connected())
        return; // a source that was already replaced
    const QString lostName = connectedName;
    finishRecording(reason);
    stopSource();
    connectedName.clear();
    emit warning(reason);
    emit statusChange(StatusDisconnected, QStringLiteral("Disconnected"));
    // A camera that really left is reported as removed; a network camera leaves the list
    // until it answers again.
    if (!registry.markLost(lostName))
        registry.refresh();
}

} // namespace zelvan::capture
