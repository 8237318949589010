#include "capture/SourceKinds.h"
#include "capture/Sources.h"

namespace zelvan::capture
{

std::unique_ptr<VideoSource> makeVideoSource(const VideoDeviceInfo& device,
                                             const VideoSettings& settings,
                                             const DeviceRegistry* registry)
{
    switch (device.kind) {
    case DeviceKind::TestPattern:
        return makeTestPatternSource(device.name, settings, registry);
    case DeviceKind::SimulatedSite:
        return makeSimulatedSiteSource(device.name, settings, registry);
    case DeviceKind::Ffmpeg:
        return makeFfmpegVideoSource(device, settings);
    case DeviceKind::TestTone:
        break;
    }
    return nullptr;
}

std::unique_ptr<AudioSource> makeAudioSource(const AudioDeviceInfo& device,
                                             const AudioSettings& settings,
                                             const DeviceRegistry* registry)
{
    if (device.kind == DeviceKind::TestTone)
        return makeTestToneSource(device.name, settings, registry);
    if (device.kind == DeviceKind::Ffmpeg)
        return makeFfmpegAudioSource(device, settings);
    return nullptr;
}

} // namespace zelvan::capture
