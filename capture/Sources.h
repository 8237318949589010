#pragma once
// The sources of every device kind, made from a device description. The source classes
// themselves live one family a file (TestPatternSource.cpp, FfmpegVideoSource.cpp, ...).
#include "capture/DeviceRegistry.h"
#include "capture/Source.h"
#include "capture/TestPatternGenerator.h"

#include <memory>

namespace zelvan::capture
{

// `registry` is asked for every frame whether the built-in device is still there.
std::unique_ptr<VideoSource> makeVideoSource(const VideoDeviceInfo& device,
                                             const VideoSettings& settings,
                                             const DeviceRegistry* registry);
std::unique_ptr<AudioSource> makeAudioSource(const AudioDeviceInfo& device,
                                             const AudioSettings& settings,
                                             const DeviceRegistry* registry);

} // namespace zelvan::capture
