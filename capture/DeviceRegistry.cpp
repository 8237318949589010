#include "capture/DeviceRegistry.h"

#include "capture/CaptureControl.h"
#include "capture/DeviceScan.h"
#include "capture/NetworkCamera.h"

#include <algorithm>

namespace zelvan::capture
{

QList<QSize> virtualVideoSizes()
{
    return {QSize(320, 240), QSize(640, 480),  QSize(720, 480),  QSize(720, 576),
            QSize(800, 600), QSize(1024, 768), QSize(1280, 720), QSize(1920, 1080)};
}

QList<double> virtualVideoRates()
{
    return {15, 25, 30, 50, 60};
}

DeviceRegistry::DeviceRegistry(bool scanReal, QObject* parent) : QObject(parent), scanReal(scanReal)
{
    if (scanReal) {
        realVideo = scanRealVideoDevices();
        realAudio = scanRealAudioDevices();
    }
    video = currentVideo();
    audio = currentAudio();
    connect(&poll, &QTimer::timeout, this, &DeviceRegistry::pollInBackground);
    // Cameras come and go during a tournament; two seconds is quick enough to notice.
    setPollInterval(2000);
}

DeviceRegistry::~DeviceRegistry()
{
    if (scanner.joinable())
        scanner.join();
}

namespace
{

// The names of the lost cameras that open again.
QStringList answering(const QList<VideoDeviceInfo>& lost)
{
    QStringList back;
    for (const VideoDeviceInfo& d : lost)
        if (probeNetworkCamera(d.url))
            back << d.name;
    return back;
}

} // namespace

void DeviceRegistry::pollInBackground()
{
    if ((!scanReal && lost.isEmpty()) || scanning)
        return;
    if (scanner.joinable())
        scanner.join(); // finished: its result has been delivered
    scanning = true;
    const QList<VideoDeviceInfo> tryAgain = lostDevices();
    scanner = std::thread([this, tryAgain] {
        const bool real = scanReal;
        const QList<VideoDeviceInfo> v = real ? scanRealVideoDevices() : QList<VideoDeviceInfo>();
        const QList<AudioDeviceInfo> a = real ? scanRealAudioDevices() : QList<AudioDeviceInfo>();
        const QStringList back = answering(tryAgain);
        // The destructor joins this thread, so `this` outlives the call; the queued call is
        // dropped if the registry is gone by the time it would run.
        QMetaObject::invokeMethod(
            this,
            [this, real, v, a, back] {
                scanning = false;
                if (real) {
                    realVideo = v;
                    realAudio = a;
                }
                takeBack(back);
                apply();
            },
            Qt::QueuedConnection);
    });
}

QList<VideoDeviceInfo> DeviceRegistry::lostDevices() const
{
    QList<VideoDeviceInfo> list;
    for (const VideoDeviceInfo& d : added)
        if (lost.contains(d.name))
            list << d;
    return list;
}

void DeviceRegistry::takeBack(const QStringList& answered)
{
    for (const QString& name : answered)
        lost.removeAll(name);
}

void DeviceRegistry::setAddedSizes(const QString& name, const QList<QSize>& sizes)
{
    for (VideoDeviceInfo& d : added)
        if (d.name == name)
            d.sizes = sizes;
    for (VideoDeviceInfo& d : video)
        if (d.name == name)
            d.sizes = sizes;
}

bool DeviceRegistry::markLost(const QString& name)
{
    const bool known = std::any_of(added.begin(), added.end(),
                                   [&](const VideoDeviceInfo& d) { return d.name == name; });
    if (!known || lost.contains(name))
        return false;
    lost << name;
    apply();
    return true;
}

QList<VideoDeviceInfo> DeviceRegistry::currentVideo() const
{
    QList<VideoDeviceInfo> list = realVideo;
    for (const VideoDeviceInfo& extra : added)
        if (!lost.contains(extra.name) &&
            std::none_of(list.begin(), list.end(),
                         [&](const VideoDeviceInfo& v) { return v.name == extra.name; }))
            list << extra;
    VideoDeviceInfo pattern;
    pattern.name = kTestPattern;
    pattern.kind = DeviceKind::TestPattern;
    pattern.sizes = virtualVideoSizes();
    pattern.rates = virtualVideoRates();
    pattern.colorFormats = QStringList{"I420", "RGB24"};
    pattern.colorFormatCodes = QStringList{"yuvj420p", "bgr24"};
    pattern.inputs = QStringList{"Test Card", "Colour Bars"};
    VideoDeviceInfo site = pattern;
    site.name = kSimulatedSite;
    site.kind = DeviceKind::SimulatedSite;
    site.inputs = QStringList{"Shore Camera"};
    for (const VideoDeviceInfo& v : {pattern, site})
        if (isPresent(v.name))
            list << v;
    return list;
}

QList<AudioDeviceInfo> DeviceRegistry::currentAudio() const
{
    QList<AudioDeviceInfo> list = realAudio;
    for (const AudioDeviceInfo& extra : addedAudio)
        if (std::none_of(list.begin(), list.end(),
                         [&](const AudioDeviceInfo& a) { return a.name == extra.name; }))
            list << extra;
    if (isPresent(kTestTone)) {
        AudioDeviceInfo tone;
        tone.name = kTestTone;
        tone.kind = DeviceKind::TestTone;
        list << tone;
    }
    return list;
}

QList<VideoDeviceInfo> DeviceRegistry::videoDevices() const
{
    return video;
}

QList<AudioDeviceInfo> DeviceRegistry::audioDevices() const
{
    return audio;
}

int DeviceRegistry::videoIndexOf(const QString& name) const
{
    for (int i = 0; i < video.size(); ++i)
        if (video[i].name == name)
            return i;
    return -1;
}

int DeviceRegistry::audioIndexOf(const QString& name) const
{
    for (int i = 0; i < audio.size(); ++i)
        if (audio[i].name == name)
            return i;
    return -1;
}

void DeviceRegistry::setPollInterval(int ms)
{
    if (ms <= 0) {
        poll.stop();
        return;
    }
    poll.start(ms);
}

void DeviceRegistry::applyDiff(const QString& category, QStringList& names,
                               const QStringList& fresh)
{
    // Removals first, each with the index the device had at that moment.
    for (int i = names.size() - 1; i >= 0; --i) {
        if (!fresh.contains(names[i])) {
            const QString gone = names.takeAt(i);
            emit changed(category, 1, i, gone);
        }
    }
    // Then arrivals in the order of the new list.
    for (int i = 0; i < fresh.size(); ++i) {
        if (!names.contains(fresh[i])) {
            names.insert(i, fresh[i]);
            emit changed(category, 0, i, fresh[i]);
        }
    }
}

void DeviceRegistry::refresh()
{
    if (scanReal) {
        realVideo = scanRealVideoDevices();
        realAudio = scanRealAudioDevices();
    }
    takeBack(answering(lostDevices()));
    apply();
}

void DeviceRegistry::apply()
{
    const QList<VideoDeviceInfo> newVideo = currentVideo();
    const QList<AudioDeviceInfo> newAudio = currentAudio();
    QStringList oldVideoNames, newVideoNames, oldAudioNames, newAudioNames;
    for (const auto& v : video)
        oldVideoNames << v.name;
    for (const auto& v : newVideo)
        newVideoNames << v.name;
    for (const auto& a : audio)
        oldAudioNames << a.name;
    for (const auto& a : newAudio)
        newAudioNames << a.name;
    // The lists are replaced before the events so that a handler sees the new state.
    video = newVideo;
    audio = newAudio;
    applyDiff(kVideoSources, oldVideoNames, newVideoNames);
    applyDiff(kAudioSources, oldAudioNames, newAudioNames);
}

bool DeviceRegistry::addVideoDevice(const VideoDeviceInfo& device)
{
    if (device.name.isEmpty() || videoIndexOf(device.name) >= 0 || device.name == kTestPattern ||
        device.name == kSimulatedSite || lost.contains(device.name))
        return false;
    VideoDeviceInfo d = device;
    d.kind = DeviceKind::Ffmpeg;
    if (!d.modes.isEmpty())
        describeModes(d);
    if (d.sizes.isEmpty())
        d.sizes = {QSize(640, 480)};
    if (d.rates.isEmpty())
        d.rates = {30};
    added << d;
    apply();
    return true;
}

bool DeviceRegistry::removeVideoDevice(const QString& name)
{
    for (int i = 0; i < added.size(); ++i) {
        if (added[i].name == name) {
            added.removeAt(i);
            lost.removeAll(name);
            apply();
            return true;
        }
    }
    return false;
}

bool DeviceRegistry::addAudioDevice(const AudioDeviceInfo& device)
{
    if (device.name.isEmpty() || audioIndexOf(device.name) >= 0 || device.name == kTestTone)
        return false;
    AudioDeviceInfo d = device;
    d.kind = DeviceKind::Ffmpeg;
    addedAudio << d;
    apply();
    return true;
}

bool DeviceRegistry::removeAudioDevice(const QString& name)
{
    for (int i = 0; i < addedAudio.size(); ++i) {
        if (addedAudio[i].name == name) {
            addedAudio.removeAt(i);
            apply();
            return true;
        }
    }
    return false;
}

bool DeviceRegistry::unplug(const QString& name)
{
    if (name != kTestPattern && name != kSimulatedSite && name != kTestTone)
        return false;
    {
        std::lock_guard<std::mutex> lock(unpluggedMutex);
        if (unplugged.contains(name))
            return false;
        unplugged << name;
    }
    apply();
    return true;
}

bool DeviceRegistry::plug(const QString& name)
{
    {
        std::lock_guard<std::mutex> lock(unpluggedMutex);
        if (!unplugged.removeOne(name))
            return false;
    }
    apply();
    return true;
}

bool DeviceRegistry::isPresent(const QString& name) const
{
    std::lock_guard<std::mutex> lock(unpluggedMutex);
    return !unplugged.contains(name);
}

} // namespace zelvan::capture
