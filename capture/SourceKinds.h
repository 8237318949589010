#pragma once
// Inside the capture library: one maker per source family, for the factory in Sources.h.
#include "capture/DeviceRegistry.h"
#include "capture/Source.h"

#include <memory>

namespace zelvan::capture
{

std::unique_ptr<VideoSource> makeTestPatternSource(const QString& name,
                                                   const VideoSettings& settings,
                                                   const DeviceRegistry* registry);
std::unique_ptr<VideoSource> makeSimulatedSiteSource(const QString& name,
                                                     const VideoSettings& settings,
                                                     const DeviceRegistry* registry);
std::unique_ptr<VideoSource> makeFfmpegVideoSource(const VideoDeviceInfo& device,
                                                   const VideoSettings& settings);
std::unique_ptr<AudioSource> makeTestToneSource(const QString& name, const AudioSettings& settings,
                                                const DeviceRegistry* registry);
std::unique_ptr<AudioSource> makeFfmpegAudioSource(const AudioDeviceInfo& device,
                                                   const AudioSettings& settings);

} // namespace zelvan::capture
