#pragma once
// "Listen": the chosen sound device played on the computer's sound output. The device is
// opened once; a recording started meanwhile shares it (a sound card opened for listening
// could not be opened a second time), so listening and recording hear the same sound.
#include "capture/SoundOutput.h"
#include "capture/Source.h"

#include <QObject>
#include <functional>
#include <memory>

namespace zelvan::capture
{

class SharedSound;

class AudioMonitor : public QObject
{
    Q_OBJECT
public:
    using MakeSource = std::function<std::unique_ptr<AudioSource>()>;
    explicit AudioMonitor(QObject* parent = nullptr);
    ~AudioMonitor() override;

    // Where the sound is played; a test writes it to a file instead.
    void setOutput(const SoundOutput& out) { output = out; }
    // Hears `device` in `format`, opening it with `make`; nothing changes while that is what
    // is heard already. Fails when the device cannot be opened.
    Status listenTo(const QString& device, const AudioSettings& format, const MakeSource& make);
    void stop();
    bool listening() const { return sound != nullptr; }
    // A source on the device being heard, for a recording in `format`; null when that device
    // is not heard in that format.
    std::unique_ptr<AudioSource> share(const QString& device, const AudioSettings& format) const;
    qint64 framesPlayed() const; // since listening began

signals:
    // Why the sound is not heard (no output, output failed, device lost); once per listening.
    void trouble(const QString& text);

private:
    void tell(const QString& text);

    SoundOutput output = systemSoundOutput();
    std::shared_ptr<SharedSound> sound;
    std::unique_ptr<SoundPlayer> player;
    int playerListener = -1;
    QString heardDevice;
    AudioSettings heardFormat;
};

} // namespace zelvan::capture
