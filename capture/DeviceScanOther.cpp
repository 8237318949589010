// Systems without a device scan of their own: no real devices, only the built-in ones and
// those added by name (network cameras, FFmpeg filter sources).
#include "capture/DeviceScan.h"

namespace zelvan::capture
{

QList<VideoDeviceInfo> platformVideoDevices()
{
    return {};
}

QList<AudioDeviceInfo> platformAudioDevices()
{
    return {};
}

} // namespace zelvan::capture
