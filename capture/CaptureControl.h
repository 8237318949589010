#pragma once
// The capture control: every operation and event the station uses of its capture device,
// grouped by role. Screens talk only to this interface; FfmpegCaptureControl implements it.
//
// Lists are indexed from 0 and an index of -1 means none. A failed operation throws
// CaptureError; screens show it through captureErrorMessage() (CaptureErrorMessage.h) as
// "Eror code: " + number + " " + description. Events are emitted on the thread the control lives on
// (the user-interface thread).
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <stdexcept>

namespace zelvan::capture
{

struct CaptureError : std::runtime_error {
    CaptureError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number(number), description(description)
    {
    }
    int number;
    QString description;
};

// Error numbers of the control.
enum CaptureErrorNumber {
    ErrNoDevice = 0x1001,       // no such device / index out of range
    ErrNotConnected = 0x1002,   // the operation needs a connected device
    ErrBusy = 0x1003,           // not while recording
    ErrBadValue = 0x1004,       // value out of range
    ErrDeviceFailed = 0x1005,   // the device could not be opened or stopped delivering
    ErrFile = 0x1006,           // capture or still file cannot be written
    ErrNoFrame = 0x1007,        // no picture received yet
    ErrNoDialog = 0x1008,       // dialog not available
    ErrUnknownCategory = 0x1009 // effect category other than "Video Effect 1"
};

// Status codes of statusChange.
enum CaptureStatus {
    StatusStreamSetUp = 301,   // a stream capture is set up (file opened, recording begins)
    StatusCaptureEnded = 302,  // the recording has ended and the file is complete
    StatusCaptureFailed = 303, // the recording ended with an error; see the text
    StatusConnected = 401,
    StatusDisconnected = 402,
    StatusCountersCurrent = 510 // frames captured/dropped, samples and time are current
};

// Dialog ids of dialogAvailable/showDialog.
enum CaptureDialogId {
    DialogVideoSource = 35,              // video source and format
    DialogVideoSourceEffect = 35 + 4096, // the same while an effect is chosen
    DialogVideoCompression = 256,
    DialogAudioFormat = 1032
};

inline const QString kVideoSources = QStringLiteral("Video Capture Sources");
inline const QString kAudioSources = QStringLiteral("Audio Capture Sources");
inline const QString kEffectCategory = QStringLiteral("Video Effect 1");

class CaptureControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~CaptureControl() override = default;

    // Device
    // A network camera (rtsp://, http(s)://, srt://, udp://) listed under `name`; with
    // `check` it is opened first and refused when it sends no picture.
    virtual void addNetworkCamera(const QString& name, const QString& url, bool check) = 0;
    virtual void connectDevice(int videoDeviceIndex) = 0;
    virtual void disconnectDevice() = 0;
    virtual bool connected() const = 0;
    virtual int videoDeviceCount() const = 0;
    virtual QString videoDeviceName(int i) const = 0;
    virtual int videoDeviceIndex() const = 0;
    virtual void setVideoDeviceIndex(int i) = 0;
    virtual int audioDeviceCount() const = 0;
    virtual QString audioDeviceName(int i) const = 0;
    virtual int audioDeviceIndex() const = 0;
    virtual void setAudioDeviceIndex(int i) = 0; // -1: record without sound

    // Picture
    virtual bool preview() const = 0;
    virtual void setPreview(bool on) = 0;
    virtual int resolutionCount() const = 0;
    virtual QString resolutionName(int i) const = 0; // "640x480"
    virtual int resolutionIndex() const = 0;
    virtual void setResolutionIndex(int i) = 0;
    virtual int colorFormatCount() const = 0;
    virtual QString colorFormatName(int i) const = 0;
    virtual int colorFormatIndex() const = 0;
    virtual void setColorFormatIndex(int i) = 0;
    virtual int videoInputCount() const = 0;
    virtual QString videoInputName(int i) const = 0;
    virtual int videoInputIndex() const = 0;
    virtual void setVideoInputIndex(int i) = 0;
    virtual bool hasTuner() const = 0;
    virtual int channel() const = 0;
    virtual void setChannel(int channel) = 0;
    virtual int lowestChannel() const = 0;
    virtual int highestChannel() const = 0;

    // Compression and effects
    virtual int videoCompressorCount() const = 0;
    virtual QString videoCompressorName(int i) const = 0;
    virtual int videoCompressorIndex() const = 0;
    virtual void setVideoCompressorIndex(int i) = 0; // -1: uncompressed
    virtual int audioCompressorCount() const = 0;
    virtual QString audioCompressorName(int i) const = 0;
    virtual int audioCompressorIndex() const = 0;
    virtual void setAudioCompressorIndex(int i) = 0; // -1: PCM
    virtual int effectCount(const QString& category) const = 0;
    virtual QString effectName(const QString& category, int i) const = 0;
    virtual int effectIndex(const QString& category, const QString& name) const = 0; // <0: none
    virtual int currentEffect(const QString& category) const = 0;
    virtual void useEffect(const QString& category, int index) = 0; // -1: none

    // Audio
    virtual int sampleRate() const = 0;
    virtual void setSampleRate(int hz) = 0;
    virtual int channels() const = 0;
    virtual void setChannels(int channels) = 0; // 1 or 2
    virtual int bitsPerSample() const = 0;
    virtual void setBitsPerSample(int bits) = 0; // 8 or 16
    virtual bool listen() const = 0;
    virtual void setListen(bool on) = 0;

    // Recording
    virtual double frameRate() const = 0;
    virtual void setFrameRate(double fps) = 0;
    virtual double timeLimit() const = 0; // seconds; 0: no limit
    virtual void setTimeLimit(double seconds) = 0;
    virtual QString captureFileName() const = 0;
    virtual void setCaptureFileName(const QString& path) = 0;
    virtual void startCapture() = 0;
    virtual void stopCapture() = 0; // the file is complete when it returns; idle: no-op
    virtual bool capturing() const = 0;
    virtual int framesCaptured() const = 0;
    virtual int framesDropped() const = 0;
    virtual qint64 audioSamplesCaptured() const = 0;
    virtual qint64 captureTimeMs() const = 0;
    virtual QString stillFileName() const = 0;
    virtual void setStillFileName(const QString& path) = 0;
    virtual void grabStill() = 0;

    // Seconds kept before Start while the live picture runs (0 to 5; 0: none). Start then
    // writes them first: the file holds them plus the recording's time, which counts from
    // Start, and its frames are numbered from its first one.
    virtual double preTriggerSeconds() const = 0;
    virtual void setPreTriggerSeconds(double seconds) = 0;
    // Of the last recording: file frames that came from the memory, and the file frame at
    // which Start was pressed or the trigger fired.
    virtual int preTriggerFrames() const = 0;
    virtual int startFrame() const = 0;

    // The motion trigger: a zone in picture pixels and a threshold (share of the zone).
    // Armed, the first picture with motion in the zone emits triggerFired(); startCapture()
    // then begins the pass at that picture.
    enum TriggerState { TriggerDisarmed = 0, TriggerArmed = 1, TriggerTriggered = 2 };
    virtual void setTrigger(const QRect& zone, double threshold) = 0;
    virtual void armTrigger() = 0; // needs a connected device and a zone inside its picture
    virtual void disarmTrigger() = 0;
    virtual int triggerState() const = 0;

    // Dialogs
    virtual bool dialogAvailable(int id) const = 0;
    virtual void showDialog(int id, const QString& text = QString()) = 0;

signals:
    void statusChange(int code, const QString& text);
    void statusText(const QString& text);
    void warning(const QString& text);
    void deviceListChange(const QString& category, int action, int index, const QString& name);
    void captureFinished(); // the fourth event: a recording has ended, for whatever reason
    void previewFrame(const QImage& frame);
    void triggerStateChanged(int state);
    void triggerFired();
};

} // namespace zelvan::capture
