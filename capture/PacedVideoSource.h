#pragma once
// Inside the capture library: the built-in video devices' clock. Frames are due at absolute
// deadlines start + n / fps; a source that falls behind by more than half a second (a stalled
// machine) starts counting again from now instead of bursting.
#include "capture/DeviceRegistry.h"
#include "capture/Source.h"

namespace zelvan::capture
{

class PacedVideoSource : public VideoSource
{
public:
    PacedVideoSource(QString name, VideoSettings settings, const DeviceRegistry* registry)
        : name(std::move(name)), settings(std::move(settings)), registry(registry)
    {
    }
    ~PacedVideoSource() override { stop(); }

protected:
    // Frame number `n` of everything this source has produced; null when out of memory.
    virtual FramePtr renderFrame(qint64 n) = 0;
    void run() override;

    QString name;
    VideoSettings settings;
    const DeviceRegistry* registry;

private:
    // The picture for frame `serial` in the chosen colour format; null when out of memory.
    FramePtr nextFrame(qint64 serial);
};

} // namespace zelvan::capture
