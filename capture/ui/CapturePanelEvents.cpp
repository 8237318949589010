// The capture panel's frame-rate box, preview and configure buttons, and the device lists
// following cameras and sound inputs plugged in and removed.
#include "app/SettingsStore.h"
#include "capture/CapturePanelRules.h"
#include "capture/ui/CapturePanel.h"
#include "capture/ui/PanelWidgets.h"

#include <QLineEdit>

namespace zelvan::capture::ui
{

void CapturePanel::onRateEdited(const QString& text)
{
    // A text that is no rate (yet) leaves the control alone; leaving the box tells.
    if (const auto rate = controlFrameRate(text)) {
        try {
            const int format = control_.colorFormatIndex();
            if (*rate != control_.frameRate())
                control_.setFrameRate(*rate);
            keptRate_ = control_.frameRate();
            store(app::key::framerate, text);
            followServedFormat(format);
        } catch (const CaptureError& error) {
            showError(error, false);
        }
    }
    emit rateTextChanged(text);
}

void CapturePanel::onRateFinished()
{
    if (controlFrameRate(rate_->text()))
        return;
    dialogs_.message(badFrameRateMessage(rate_->text(), control_.frameRate()), Icon::Warning);
    rate_->setText(QString::number(control_.frameRate()));
}

void CapturePanel::onPreviewClicked()
{
    const bool on = !previewWanted_;
    control_.setPreview(on);
    showPreviewWanted(on);
}

void CapturePanel::onVideoConfig()
{
    const int id = effect_->currentIndex() > 0 ? DialogVideoSourceEffect : DialogVideoSource;
    if (!control_.dialogAvailable(id))
        return;
    try {
        control_.showDialog(id);
        rereadPictureLists();
    } catch (const CaptureError& error) {
        showError(error, true);
    }
}

// After the device's own dialog the lists show what the device now uses.
void CapturePanel::rereadPictureLists()
{
    fillQuietly(
        colorFormat_,
        namesOf(control_.colorFormatCount(), [this](int i) { return control_.colorFormatName(i); }),
        control_.colorFormatIndex());
    fillQuietly(
        resolution_,
        namesOf(control_.resolutionCount(), [this](int i) { return control_.resolutionName(i); }),
        control_.resolutionIndex());
    if (control_.hasTuner())
        selectQuietly(channel_, control_.channel() - lowestChannel_);
    if (control_.videoInputCount() > 0)
        fillQuietly(input_,
                    namesOf(control_.videoInputCount(),
                            [this](int i) { return control_.videoInputName(i); }),
                    control_.videoInputIndex());
}

void CapturePanel::onDialog(int id)
{
    if (!control_.dialogAvailable(id))
        return;
    try {
        control_.showDialog(id);
        if (id == DialogAudioFormat)
            InitAudioSettings();
    } catch (const CaptureError& error) {
        showError(error, true);
    }
}

void CapturePanel::onDeviceListChange(const QString& category, int action, int index,
                                      const QString& name)
{
    try {
        if (category == kVideoSources)
            onVideoListChange(action, index, name);
        else if (category == kAudioSources)
            onAudioListChange(action, index, name);
    } catch (const CaptureError& error) {
        showError(error, true);
    }
    if (shownConnected_ && action == 1 && !control_.connected())
        OnDisconnect();
}

void CapturePanel::onVideoListChange(int action, int index, const QString& name)
{
    const ListChange change = videoListAfter(itemsOf(devices_), action, index, name);
    fillQuietly(devices_, change.items, devices_->currentIndex());
    if (change.replacedPlaceholder) {
        selectQuietly(devices_, 0);
        control_.setVideoDeviceIndex(0);
        return;
    }
    if (change.added && offerArrival(control_.connected(), control_.videoDeviceIndex(), index) &&
        dialogs_.askYesNo(pluggedInQuestion(name), QString())) {
        useArrivedDevice(index);
        return;
    }
    if (control_.videoDeviceCount() > 0)
        selectQuietly(devices_, control_.videoDeviceIndex());
    else
        fillQuietly(devices_, {kNoCaptureDevices}, 0);
}

void CapturePanel::onAudioListChange(int action, int index, const QString& name)
{
    const ListChange change = audioListAfter(itemsOf(audioDevice_), action, index, name);
    fillQuietly(audioDevice_, change.items, audioDevice_->currentIndex());
    if (change.added && offerArrival(control_.connected(), control_.audioDeviceIndex(), index) &&
        dialogs_.askYesNo(pluggedInQuestion(name), QString()))
        control_.setAudioDeviceIndex(index);
    selectQuietly(audioDevice_,
                  control_.audioDeviceCount() > 0 ? control_.audioDeviceIndex() + 1 : 0);
    EnableAudioConfig();
}

} // namespace zelvan::capture::ui
