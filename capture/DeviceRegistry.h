#pragma once
// The capture devices the station can use: real cameras and sound inputs found through the
// operating system, followed by the built-in devices that always exist ("Test Pattern",
// "Simulated Jump Site", "Test Tone"). The list is polled; arrivals and removals are reported
// with the index they have (arrival) or had (removal) in the list.
#include "capture/SourceModes.h"

#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace zelvan::capture
{

enum class DeviceKind { TestPattern, SimulatedSite, TestTone, Ffmpeg };

inline const QString kTestPattern = QStringLiteral("Test Pattern");
inline const QString kSimulatedSite = QStringLiteral("Simulated Jump Site");
inline const QString kTestTone = QStringLiteral("Test Tone");

struct VideoDeviceInfo {
    QString name;
    DeviceKind kind = DeviceKind::Ffmpeg;
    QString inputFormat;          // FFmpeg input device: "video4linux2", "dshow"
    QString url;                  // what that input device opens: "/dev/video0", "video=Name"
    QList<QSize> sizes;           // every size of every format
    QList<double> rates;          // every rate of every format
    QList<VideoMode> modes;       // what the driver lists; empty: any size and rate is asked for
    QStringList colorFormats;     // names shown to the user
    QStringList colorFormatCodes; // FFmpeg names for the same entries ("yuyv422", "mjpeg")
    QStringList inputs;
};

struct AudioDeviceInfo {
    QString name;
    DeviceKind kind = DeviceKind::Ffmpeg;
    QString inputFormat; // "alsa", "dshow"
    QString url;
};

// What the operating system offers right now (one DeviceScan file per platform).
QList<VideoDeviceInfo> scanRealVideoDevices();
QList<AudioDeviceInfo> scanRealAudioDevices();

// Sizes and rates the built-in video devices offer.
QList<QSize> virtualVideoSizes();
QList<double> virtualVideoRates();

class DeviceRegistry : public QObject
{
    Q_OBJECT
public:
    // scanReal = false keeps the list to the built-in devices (deterministic tests).
    explicit DeviceRegistry(bool scanReal = true, QObject* parent = nullptr);
    ~DeviceRegistry() override;

    QList<VideoDeviceInfo> videoDevices() const;
    QList<AudioDeviceInfo> audioDevices() const;
    int videoIndexOf(const QString& name) const;
    int audioIndexOf(const QString& name) const;

    // Re-reads the devices and emits a change for every arrival and removal.
    void refresh();
    // Polling reads the devices on a worker thread (asking the system can take a while) and
    // reports the changes on this object's thread.
    void setPollInterval(int ms); // 0 stops polling

    // A source the operating system does not list, such as a network camera or an FFmpeg
    // filter source ("lavfi"); it is listed with the real devices. False if the name is taken.
    bool addVideoDevice(const VideoDeviceInfo& device);
    bool removeVideoDevice(const QString& name);
    bool addAudioDevice(const AudioDeviceInfo& device);
    bool removeAudioDevice(const QString& name);

    // A network camera whose stream broke leaves the list as if unplugged; polling (and
    // refresh()) tries it again and lists it once more when it answers. False if no added
    // device has that name or it is already lost.
    bool markLost(const QString& name);
    // The sizes of an added device, once it has said what it sends.
    void setAddedSizes(const QString& name, const QList<QSize>& sizes);

    // A built-in device can be taken away and given back, as if unplugged: a recording from
    // it ends as it would when a camera is pulled out.
    bool unplug(const QString& name);
    bool plug(const QString& name);
    // Thread-safe: sources ask this for every frame.
    bool isPresent(const QString& name) const;

signals:
    // category: "Video Capture Sources" or "Audio Capture Sources"; action 0 arrived,
    // 1 removed.
    void changed(const QString& category, int action, int index, const QString& name);

private:
    QList<VideoDeviceInfo> currentVideo() const;
    QList<AudioDeviceInfo> currentAudio() const;
    void apply(); // recomputes the lists from the last scan and reports the differences
    void pollInBackground();
    void applyDiff(const QString& category, QStringList& names, const QStringList& fresh);
    QList<VideoDeviceInfo> lostDevices() const;
    void takeBack(const QStringList& answered);

    bool scanReal;
    QList<VideoDeviceInfo> video;
    QList<AudioDeviceInfo> audio;
    QList<VideoDeviceInfo> added;
    QList<AudioDeviceInfo> addedAudio;
    QStringList lost;                 // added devices that stopped answering
    QList<VideoDeviceInfo> realVideo; // last scan
    QList<AudioDeviceInfo> realAudio;
    std::thread scanner;
    bool scanning = false;
    QTimer poll;
    mutable std::mutex unpluggedMutex;
    QStringList unplugged;
};

} // namespace zelvan::capture
