#pragma once
// The effects of the "Video Effect 1" category: a few FFmpeg filters applied to every picture
// of the device before it is previewed, recorded or grabbed.
#include "capture/Sources.h"

#include <QStringList>
#include <memory>
#include <mutex>

namespace zelvan::capture
{

QStringList videoEffectNames();
QString videoEffectFilter(int index); // FFmpeg filter description; empty when out of range

class VideoEffect
{
public:
    VideoEffect();
    ~VideoEffect();
    void select(int index); // -1: none; thread-safe
    int selected() const;
    // Returns the filtered picture, or the input unchanged when no effect is selected or the
    // filter fails (a broken effect must never stop a recording).
    FramePtr apply(FramePtr frame);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zelvan::capture
