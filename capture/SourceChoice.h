#pragma once
// Which video device the station connects at start-up, and the texts of choosing and adding
// devices. The device is stored by name as well as by list position: positions move when
// cameras come and go, and a stored camera that is missing must be named, not silently
// replaced by another device.
#include <QString>
#include <QStringList>

namespace zelvan::capture
{

// The settings key of the stored device's name (beside its list position `device`).
inline constexpr const char* kDeviceNameKey = "deviceName";

struct StartDevice {
    int index = -1;         // the device to connect; -1: none
    QString missingMessage; // set when the stored device is not there
};

// `names` is the device list; `storedName` and `storedIndex` what the settings hold
// (empty, -1 when never stored). A stored name wins over the position.
StartDevice startDevice(const QStringList& names, const QString& storedName, int storedIndex);

QString missingDeviceMessage(const QString& name);

inline const QString kAddCameraTitle = QStringLiteral("Add network camera");
inline const QString kCameraAddressPrompt =
    QStringLiteral("Address of the network camera (rtsp://, http://, https://, srt:// or udp://):");
inline const QString kCameraNamePrompt =
    QStringLiteral("Name of the camera, as the device list shows it:");
inline const QString kNoSoundTip = QStringLiteral("The video device has no sound to listen to");

} // namespace zelvan::capture
