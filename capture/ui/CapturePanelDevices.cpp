// The capture panel's video devices: the one connected at start-up, choosing another in the
// list, a camera plugged back in, and network cameras added by their address.
#include "app/SettingsStore.h"
#include "capture/CapturePanelRules.h"
#include "capture/NetworkCamera.h"
#include "capture/SourceChoice.h"
#include "capture/ui/CapturePanel.h"
#include "capture/ui/PanelWidgets.h"

namespace zelvan::capture::ui
{

// The cameras added in earlier runs come back before the lists are filled; one that is not
// answering now is listed all the same and connects when it does.
void CapturePanel::restoreNetworkCameras()
{
    QStringList unreadable;
    const auto cameras = networkCamerasFromText(
        station_.settings().read(QString::fromLatin1(kNetworkCamerasKey)), &unreadable);
    for (const QString& why : unreadable)
        dialogs_.message(why, Icon::Warning, kAddCameraTitle);
    for (const NetworkCameraEntry& camera : cameras) {
        try {
            control_.addNetworkCamera(camera.name, camera.url, false);
        } catch (const CaptureError& error) {
            dialogs_.message(error.description, Icon::Warning, kAddCameraTitle);
        }
    }
}

StartDevice CapturePanel::storedStartDevice() const
{
    const QStringList names =
        namesOf(control_.videoDeviceCount(), [this](int i) { return control_.videoDeviceName(i); });
    return startDevice(names, station_.settings().read(QString::fromLatin1(kDeviceNameKey)),
                       station_.settings().device());
}

// Choosing a device in the list connects it.
void CapturePanel::onDevice(int index)
{
    if (index < 0 || index >= control_.videoDeviceCount())
        return;
    if (control_.connected() && index == control_.videoDeviceIndex())
        return;
    try {
        control_.setVideoDeviceIndex(index); // refused while recording
        if (shownConnected_)
            OnDisconnect();
    } catch (const CaptureError& error) {
        selectQuietly(devices_, control_.videoDeviceIndex());
        showError(error, true);
        return;
    }
    Connect();
}

// A camera plugged in (or back in, or a network camera answering again) that the operator
// wants is connected at once.
void CapturePanel::useArrivedDevice(int index)
{
    control_.setVideoDeviceIndex(index);
    selectQuietly(devices_, index);
    if (!control_.connected())
        Connect();
}

void CapturePanel::onAddNetworkCamera()
{
    const auto url = dialogs_.input(kCameraAddressPrompt, kAddCameraTitle);
    if (!url)
        return;
    const auto name = dialogs_.input(kCameraNamePrompt, kAddCameraTitle);
    if (!name)
        return;
    // The camera found now is the one stored: a pasted address's stray blanks go from both.
    const NetworkCameraEntry camera{name->trimmed(), url->trimmed()};
    try {
        const BusyPointer busy;
        control_.addNetworkCamera(camera.name, camera.url, true);
    } catch (const CaptureError& error) {
        dialogs_.message(error.description, Icon::Warning, kAddCameraTitle);
        return;
    }
    auto cameras =
        networkCamerasFromText(station_.settings().read(QString::fromLatin1(kNetworkCamerasKey)));
    cameras << camera;
    store(kNetworkCamerasKey, networkCamerasText(cameras));
}

} // namespace zelvan::capture::ui
