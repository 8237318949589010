#pragma once
// Inside the capture library: what this operating system lists as cameras and sound inputs.
// One file per platform holds these (DeviceScanLinux.cpp, DeviceScanWindows.cpp,
// DeviceScanOther.cpp); CMake builds the one for the target. Names may repeat here;
// scanRealVideoDevices() and scanRealAudioDevices() make them unique.
#include "capture/DeviceRegistry.h"

namespace zelvan::capture
{

QList<VideoDeviceInfo> platformVideoDevices();
QList<AudioDeviceInfo> platformAudioDevices();

// Fills a camera's `sizes` and `rates` (every format together) from its `modes`.
void describeModes(VideoDeviceInfo& info);

} // namespace zelvan::capture
