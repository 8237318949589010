#include "capture/AudioMonitor.h"

#include <map>
#include <mutex>

namespace zelvan::capture
{

// One running sound device handing every block to each of its listeners. The device stops
// when the last holder lets go.
class SharedSound
{
public:
    explicit SharedSound(std::unique_ptr<AudioSource> device) : device(std::move(device)) {}
    ~SharedSound() { device->stop(); }

    Status start()
    {
        device->setSamplesHandler([this](const QByteArray& pcm, int frames, qint64 time) {
            std::lock_guard<std::mutex> lock(mutex);
            for (const auto& [id, listener] : listeners)
                listener.samples(pcm, frames, time);
        });
        device->setEndHandler([this](const QString& reason) {
            std::lock_guard<std::mutex> lock(mutex);
            for (const auto& [id, listener] : listeners)
                listener.end(reason);
        });
        return device->start();
    }
    // No call reaches a listener after remove() returns.
    int add(AudioSource::SamplesFn samples, Source::EndFn end)
    {
        std::lock_guard<std::mutex> lock(mutex);
        listeners[next] = {std::move(samples), std::move(end)};
        return next++;
    }
    void remove(int id)
    {
        std::lock_guard<std::mutex> lock(mutex);
        listeners.erase(id);
    }

private:
    struct Listener {
        AudioSource::SamplesFn samples;
        Source::EndFn end;
    };
    std::unique_ptr<AudioSource> device;
    std::mutex mutex;
    std::map<int, Listener> listeners;
    int next = 0;
};

namespace
{

// A recording's sound taken from the device already opened for listening.
class SharedSoundSource : public AudioSource
{
public:
    explicit SharedSoundSource(std::shared_ptr<SharedSound> sound) : sound(std::move(sound)) {}
    ~SharedSoundSource() override { stop(); }

protected:
    Status open() override
    {
        id = sound->add(
            [this](const QByteArray& pcm, int frames, qint64 time) {
                if (onSamples)
                    onSamples(pcm, frames, time);
            },
            [this](const QString& reason) { ended(reason); });
        return {};
    }
    void run() override
    {
        while (waitUntil(steadyMicros() + 1000000)) {
        }
    }
    void close() override
    {
        if (id >= 0)
            sound->remove(id);
        id = -1;
    }

private:
    std::shared_ptr<SharedSound> sound;
    int id = -1;
};

bool sameFormat(const AudioSettings& a, const AudioSettings& b)
{
    return a.sampleRate == b.sampleRate && a.channels == b.channels &&
           a.bitsPerSample == b.bitsPerSample;
}

} // namespace

AudioMonitor::AudioMonitor(QObject* parent) : QObject(parent) {}

AudioMonitor::~AudioMonitor()
{
    stop();
}

Status AudioMonitor::listenTo(const QString& device, const AudioSettings& format,
                              const MakeSource& make)
{
    if (sound && device == heardDevice && sameFormat(format, heardFormat))
        return {};
    stop();
    std::unique_ptr<AudioSource> source = make();
    if (!source)
        return fail(QStringLiteral("No sound device is chosen"));
    auto opened = std::make_shared<SharedSound>(std::move(source));
    if (Status started = opened->start(); !started)
        return started;
    player = std::make_unique<SoundPlayer>(output, format, [this](const QString& reason) {
        tell(QStringLiteral("Listen: ") + reason);
    });
    SoundPlayer* playing = player.get();
    playerListener = opened->add(
        [playing](const QByteArray& pcm, int frames, qint64) { playing->push(pcm, frames); },
        [this](const QString& reason) { tell(QStringLiteral("Listen: ") + reason); });
    sound = std::move(opened);
    heardDevice = device;
    heardFormat = format;
    return {};
}

void AudioMonitor::stop()
{
    if (sound)
        sound->remove(playerListener);
    // A recording sharing the device keeps it running until it ends.
    sound.reset();
    player.reset();
    heardDevice.clear();
}

std::unique_ptr<AudioSource> AudioMonitor::share(const QString& device,
                                                 const AudioSettings& format) const
{
    if (!sound || device != heardDevice || !sameFormat(format, heardFormat))
        return nullptr;
    return std::make_unique<SharedSoundSource>(sound);
}

qint64 AudioMonitor::framesPlayed() const
{
    return player ? player->framesPlayed() : 0;
}

void AudioMonitor::tell(const QString& text)
{
    // From the device or playback thread; the signal goes out on the monitor's own thread.
    QMetaObject::invokeMethod(
        this, [this, text] { emit trouble(text); }, Qt::QueuedConnection);
}

} // namespace zelvan::capture
