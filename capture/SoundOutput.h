#pragma once
// Plays PCM on a sound output through libavdevice (or writes it through any FFmpeg muxer), on
// a thread of its own behind a short queue: a blocked or missing output never holds up the
// thread that hands it sound.
#include "capture/Source.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace zelvan::capture
{

// An FFmpeg output format and the address it writes to ("pulse", "default").
struct SoundOutput {
    QString format; // empty: this computer has no sound output FFmpeg can play on
    QString url;
};

// The first sound output device this FFmpeg build offers (PulseAudio, ALSA, OSS).
SoundOutput systemSoundOutput();

class SoundPlayer
{
public:
    // Told at most once, from the playback thread, why the sound cannot be played.
    using ProblemFn = std::function<void(const QString& reason)>;
    SoundPlayer(const SoundOutput& output, const AudioSettings& format, ProblemFn problem);
    // Finishes the output; a thread stuck in the output is left behind rather than waited for.
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Interleaved PCM in the player's format; never blocks. Beyond half a second waiting, the
    // oldest sound is dropped: listening is about now.
    void push(const QByteArray& pcm, int frames);
    qint64 framesPlayed() const; // handed to the output so far

    struct State;

private:
    std::shared_ptr<State> state;
};

} // namespace zelvan::capture
