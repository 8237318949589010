#pragma once
// The capture control on FFmpeg: real devices through libavdevice plus the built-in ones,
// preview pictures to the user-interface thread (never more than one pending), recording on a
// writer thread behind a bounded queue, stills as BMP files.
#include "capture/AudioMonitor.h"
#include "capture/CaptureControl.h"
#include "capture/DeviceRegistry.h"
#include "capture/MotionTrigger.h"
#include "capture/Recorder.h"
#include "capture/SourceRate.h"
#include "capture/Sources.h"
#include "capture/VideoEffects.h"

#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace zelvan::capture
{

// Shows the configure dialogs; the Qt implementation lives in CaptureDialogs.
class CaptureDialogHost
{
public:
    virtual ~CaptureDialogHost() = default;
    virtual void show(int id, CaptureControl& control) = 0;
};

// The status line when a camera's own stream is compressed again for want of key frames.
QString sparseKeyFrameText(const QString& camera);

class FfmpegCaptureControl : public CaptureControl
{
    Q_OBJECT
public:
    // scanRealDevices = false offers only the built-in devices (deterministic tests).
    explicit FfmpegCaptureControl(bool scanRealDevices = true, QObject* parent = nullptr);
    ~FfmpegCaptureControl() override;

    DeviceRegistry& devices() { return registry; }
    void setDialogHost(CaptureDialogHost* host) { dialogs = host; }
    // MJPEG quality as a quantiser scale (2 best .. 31 smallest files), for dialog 256.
    int compressionQuality() const { return quality; }
    void setCompressionQuality(int q);
    QSize frameSize() const; // of the current resolution
    // The rate the connected device really delivers when it is clearly below the asked one
    // (0 until measured or when it keeps up); measured all the time, recordings are made at
    // the rate it has when they start.
    double deliveredFrameRate() const { return deliveredFps; }
    // The connected device's rate has been measured (a second of pictures after connecting).
    bool deliveryMeasured() const { return deliveryKnown; }
    // The rate of the last recording's file.
    double recordingFrameRate() const;
    // Milliseconds from a network camera's time stamp to its live picture (-1: not known).
    int liveLatencyMs() const { return latencyMs; }

    // Device
    void addNetworkCamera(const QString& name, const QString& url, bool check) override;
    void connectDevice(int videoDeviceIndex) override;
    void disconnectDevice() override;
    bool connected() const override;
    int videoDeviceCount() const override;
    QString videoDeviceName(int i) const override;
    int videoDeviceIndex() const override;
    void setVideoDeviceIndex(int i) override;
    int audioDeviceCount() const override;
    QString audioDeviceName(int i) const override;
    int audioDeviceIndex() const override;
    void setAudioDeviceIndex(int i) override;

    // Picture
    bool preview() const override;
    void setPreview(bool on) override;
    int resolutionCount() const override;
    QString resolutionName(int i) const override;
    int resolutionIndex() const override;
    void setResolutionIndex(int i) override;
    int colorFormatCount() const override;
    QString colorFormatName(int i) const override;
    int colorFormatIndex() const override;
    void setColorFormatIndex(int i) override;
    int videoInputCount() const override;
    QString videoInputName(int i) const override;
    int videoInputIndex() const override;
    void setVideoInputIndex(int i) override;
    bool hasTuner() const override { return false; }
    int channel() const override { return 0; }
    void setChannel(int channel) override;
    int lowestChannel() const override { return 0; }
    int highestChannel() const override { return 0; }

    // Compression and effects
    int videoCompressorCount() const override;
    QString videoCompressorName(int i) const override;
    int videoCompressorIndex() const override;
    void setVideoCompressorIndex(int i) override;
    int audioCompressorCount() const override;
    QString audioCompressorName(int i) const override;
    int audioCompressorIndex() const override;
    void setAudioCompressorIndex(int i) override;
    int effectCount(const QString& category) const override;
    QString effectName(const QString& category, int i) const override;
    int effectIndex(const QString& category, const QString& name) const override;
    int currentEffect(const QString& category) const override;
    void useEffect(const QString& category, int index) override;

    // Audio
    int sampleRate() const override { return audioFormat.sampleRate; }
    void setSampleRate(int hz) override;
    int channels() const override { return audioFormat.channels; }
    void setChannels(int channels) override;
    int bitsPerSample() const override { return audioFormat.bitsPerSample; }
    void setBitsPerSample(int bits) override;
    bool listen() const override { return listenOn; }
    void setListen(bool on) override;
    AudioMonitor& monitor() { return soundMonitor; } // where "Listen" plays

    // Recording
    double frameRate() const override { return fps; }
    void setFrameRate(double fps) override;
    double timeLimit() const override { return limitSeconds; }
    void setTimeLimit(double seconds) override;
    QString captureFileName() const override { return captureFile; }
    void setCaptureFileName(const QString& path) override;
    void startCapture() override;
    void stopCapture() override;
    bool capturing() const override;
    int framesCaptured() const override;
    int framesDropped() const override;
    qint64 audioSamplesCaptured() const override;
    qint64 captureTimeMs() const override;
    QString stillFileName() const override { return stillFile; }
    void setStillFileName(const QString& path) override { stillFile = path; }
    void grabStill() override;

    // Before Start
    double preTriggerSeconds() const override { return preSeconds; }
    void setPreTriggerSeconds(double seconds) override;
    int preTriggerFrames() const override;
    int startFrame() const override;
    void setTrigger(const QRect& zone, double threshold) override;
    void armTrigger() override;
    void disarmTrigger() override;
    int triggerState() const override { return triggerNow.load(); }
    // Memory the pictures kept before Start take now, and the most they took.
    qint64 preTriggerBytes() const;
    qint64 preTriggerPeakBytes() const { return keptPeak.load(); }

    // Dialogs
    bool dialogAvailable(int id) const override;
    void showDialog(int id, const QString& text = QString()) override;

private:
    void requireIdle() const;
    void requireCategory(const QString& category) const;
    VideoDeviceInfo selectedVideo() const;
    void resetPictureSettings();
    QList<QSize> formatSizes() const; // the sizes the chosen colour format serves
    void followServedMode();
    QStringList compressorList() const;
    QString streamCompressor() const;  // the compressor of the codec a network camera sends
    StreamFormat storedStream() const; // the camera's format when its packets are stored
    void startSource();                // (re)starts the connected device with the current settings
    void stopSource();
    void restartIfConnected();
    void onDeviceFrame(FramePtr frame, qint64 timeMicros, quint64 generation);
    void showPreview(FramePtr frame, qint64 timeMicros);
    void onRateMeasured(quint64 generation, double measured);
    void onPreviewShown(qint64 timeMicros);
    void onRegistryChange(const QString& category, int action, int index, const QString& name);
    void onSourceEnded(quint64 generation, const QString& reason);
    // The steps of startCapture(); each throws CaptureError.
    void requireRecordable() const;
    RecorderSettings recorderSettings() const;
    std::unique_ptr<AudioSource> makeSoundSource(); // null when recording without sound
    std::shared_ptr<Recorder> startRecorder(const RecorderSettings& settings);
    void startSound(AudioSource& sound, const std::shared_ptr<Recorder>& rec);
    void finishRecording(const QString& why);
    void watchRecorder(const std::shared_ptr<Recorder>& rec);
    void refreshKeeping(); // (re)starts or stops keeping pictures before Start
    void stopKeeping();
    void onSparseKeyFrames(quint64 generation);
    void wantPackets();
    void onKeepingFailed(const std::shared_ptr<Recorder>& rec, const QString& text);
    void startFromKept(const std::shared_ptr<Recorder>& rec);
    void feedTrigger(const AVFrame* frame, qint64 slot);
    void stopTrigger(); // disarms, leaving what is kept as it is
    void setTriggerState(int state);
    void emitCounters();

    DeviceRegistry registry;
    CaptureDialogHost* dialogs = nullptr;

    QString videoName; // selected video device
    QString audioName; // selected audio device; empty: none
    QString connectedName;
    std::unique_ptr<VideoSource> source;
    std::unique_ptr<AudioSource> audioSource;
    quint64 sourceGeneration = 0;
    RateWatch rateWatch; // device thread only while a source runs
    double deliveredFps = 0;
    bool deliveryKnown = false;
    int latencyMs = -1;
    bool sparseKeyFrames = false; // the camera's key frames too far apart to store its packets
    std::atomic<bool> sparseNoticePosted{false}; // one notice on its way to the interface thread
    qint64 latencyShownMicros = 0;

    int resolution = -1;
    int colorFormat = 0;
    int input = 0;
    QString compressor = QStringLiteral("MJPEG"); // empty: uncompressed
    int quality = 4;
    AudioFormat audioFormat{22050, 1, 16};
    bool listenOn = false;
    AudioMonitor soundMonitor;
    void followListen(); // (re)opens the heard device after a change of listen, device or format
    double fps = 30;
    double limitSeconds = 0;
    QString captureFile;
    QString stillFile;
    bool previewOn = false;

    VideoEffect effect;
    std::atomic<bool> previewWanted{false};
    std::atomic<bool> previewPending{false};
    std::atomic<qint64> lastPreviewMicros{0};
    mutable std::mutex sinkMutex; // guards `recorder` use from the device threads and `latest`
    std::shared_ptr<Recorder> recorder;
    std::shared_ptr<Recorder> lastRecording; // counters after the stop
    std::shared_ptr<Recorder> keeper;        // pictures kept before Start; guarded likewise
    double preSeconds = 0;
    std::atomic<qint64> keptPeak{0};
    std::mutex triggerMutex; // the trigger between the device thread and the controls
    MotionTrigger trigger{QRect()};
    std::atomic<int> triggerNow{TriggerDisarmed};
    std::atomic<qint64> firedSlot{-1};
    FramePtr latest;
    QTimer counterTimer;
    bool finishing = false;
    bool dropWarned = false;
    quint64 recordingSerial = 0;
};

} // namespace zelvan::capture
