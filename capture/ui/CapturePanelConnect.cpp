// The capture panel's connection: Connect, its disconnected state, the audio format entry,
// the configure buttons' enabling and the recording parameters.
#include "app/SettingsStore.h"
#include "base/Numbers.h"
#include "capture/CapturePanelRules.h"
#include "capture/SourceChoice.h"
#include "capture/ui/CapturePanel.h"
#include "capture/ui/PanelWidgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>

namespace zelvan::capture::ui
{

void CapturePanel::Connect()
{
    if (control_.videoDeviceCount() < 1) {
        dialogs_.message(kNoMciDevices);
        return;
    }
    try {
        if (control_.connected()) {
            control_.disconnectDevice();
            OnDisconnect();
        } else {
            connectSteps();
        }
        if (capturingStreams()) {
            EnableAudioConfig();
            EnableVideoCompressionConfig();
        }
    } catch (const CaptureError& error) {
        showError(error, true);
    }
}

void CapturePanel::connectSteps()
{
    const int device = storedIndexOrFirst(devices_->currentIndex(), control_.videoDeviceCount());
    {
        const BusyPointer busy;
        control_.connectDevice(device);
    }
    store(app::key::device, QString::number(device));
    store(kDeviceNameKey, control_.videoDeviceName(device));
    preview_->setEnabled(true);
    fillPictureLists();
    fillInputAndChannel();
    // Setting the box runs its edit handler, so the rate the device reports is stored.
    const QString rate = QString::number(control_.frameRate());
    if (rate_->text() == rate)
        onRateEdited(rate);
    else
        rate_->setText(rate);
    limit_->setText(QString::number(control_.timeLimit()));
    cap_->setEnabled(true);
    videoConfig_->setEnabled(control_.dialogAvailable(DialogVideoSource));
    showConnected(true);
    InitAudioSettings();
    if (previewWanted_) {
        control_.setPreview(true);
        station_.showScreen(app::Station::Screen::Capture);
        station_.setPreviewOn(true);
    }
}

void CapturePanel::fillPictureLists()
{
    resolLabel_->setEnabled(true);
    resolution_->setEnabled(true);
    const int resolutions = control_.resolutionCount();
    fillQuietly(resolution_,
                namesOf(resolutions, [this](int i) { return control_.resolutionName(i); }),
                control_.resolutionIndex());
    const int resolution = storedOrDeviceIndex(station_.settings().videoResolution(),
                                               control_.resolutionIndex(), resolutions);
    selectQuietly(resolution_, resolution);
    onResolution(resolution);

    colorLabel_->setEnabled(true);
    colorFormat_->setEnabled(true);
    const int formats = control_.colorFormatCount();
    fillQuietly(colorFormat_,
                namesOf(formats, [this](int i) { return control_.colorFormatName(i); }),
                control_.colorFormatIndex());
    const int format = storedOrDeviceIndex(station_.settings().colorFormat(),
                                           control_.colorFormatIndex(), formats);
    selectQuietly(colorFormat_, format);
    onColorFormat(format);
}

void CapturePanel::fillInputAndChannel()
{
    const int inputs = control_.videoInputCount();
    inputLabel_->setEnabled(inputs > 0);
    input_->setEnabled(inputs > 0);
    if (inputs > 0) {
        const int chosen = storedIndexOrFirst(station_.settings().videoInput(), inputs);
        fillQuietly(input_, namesOf(inputs, [this](int i) { return control_.videoInputName(i); }),
                    chosen);
        onVideoInput(chosen);
    }
    const bool tuner = control_.hasTuner();
    channelLabel_->setEnabled(tuner);
    channel_->setEnabled(tuner);
    if (tuner) {
        lowestChannel_ = control_.lowestChannel();
        const QStringList items = channelItems(lowestChannel_, control_.highestChannel());
        const int current = control_.channel() - lowestChannel_;
        fillQuietly(channel_, items, current >= 0 && current < items.size() ? current : 0);
    }
}

void CapturePanel::setPictureControlsEnabled(bool on)
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{resolLabel_, resolution_, colorLabel_, colorFormat_,
                                         inputLabel_, input_, channelLabel_, channel_})
        w->setEnabled(on);
}

void CapturePanel::OnDisconnect()
{
    showConnected(false);
    cap_->setEnabled(false);
    preview_->setEnabled(false);
    videoConfig_->setEnabled(false);
    setPictureControlsEnabled(false);
    for (QComboBox* list : {resolution_, colorFormat_, channel_, input_})
        fillQuietly(list, {}, -1);
    if (station_.currentScreen() == app::Station::Screen::Capture)
        station_.showScreen(app::Station::Screen::Main);
    station_.setPreviewOn(false);
    // The configure buttons need a connected device.
    EnableAudioConfig();
    EnableVideoCompressionConfig();
}

void CapturePanel::InitAudioSettings()
{
    // Quietly: selecting an entry here must not write that entry's format to the control.
    selectQuietly(attrib_, 0);
    const QString text =
        audioFormatText(control_.sampleRate(), control_.bitsPerSample(), control_.channels());
    const int found = findAttributeEntry(itemsOf(attrib_), text);
    if (found >= 0) {
        selectQuietly(attrib_, found);
        return;
    }
    const QSignalBlocker quiet(attrib_);
    attrib_->addItem(text);
    attrib_->setCurrentIndex(attrib_->count() - 1);
}

void CapturePanel::EnableVideoCompressionConfig()
{
    comprConfig_->setEnabled(compression_->currentIndex() > 0 && control_.connected() &&
                             control_.dialogAvailable(DialogVideoCompression));
}

void CapturePanel::EnableAudioConfig()
{
    const bool on = audioDevice_->currentIndex() > 0 && control_.connected();
    for (QWidget* w : std::initializer_list<QWidget*>{attribLabel_, attrib_, audioCompLabel_,
                                                      audioCompr_, listen_})
        w->setEnabled(on);
    listen_->setToolTip(audioDevice_->currentIndex() > 0 ? QString() : kNoSoundTip);
    audioConfig_->setEnabled(on && control_.dialogAvailable(DialogAudioFormat));
}

Status CapturePanel::SetCaptureValues()
{
    if (!capturingStreams())
        return {};
    try {
        control_.setCaptureFileName(file_->text());
        if (const auto rate = controlFrameRate(rate_->text()))
            control_.setFrameRate(*rate);
        else
            throw CaptureError(ErrBadValue, badFrameRateMessage(rate_->text(), keptRate_));
        control_.setTimeLimit(std::max(0.0, leadingNumber(limit_->text())));
        if (const auto format =
                audioFormatOfEntry(attrib_->currentText(), attrib_->currentIndex())) {
            control_.setSampleRate(format->sampleRateHz);
            control_.setChannels(format->channels);
            control_.setBitsPerSample(format->bitsPerSample);
        }
    } catch (const CaptureError& error) {
        showError(error, true);
        return fail(error.description);
    }
    return {};
}

void CapturePanel::showCounters()
{
    frames_->setText(QString::number(control_.framesCaptured()));
    dropped_->setText(QString::number(control_.framesDropped()));
    samples_->setText(QString::number(control_.audioSamplesCaptured()));
    time_->setText(QString::number(control_.captureTimeMs()));
}

void CapturePanel::onStatus(int code, const QString& text)
{
    // A stream capture is set up: the capture button says so, the status line stays.
    if (code == StatusStreamSetUp) {
        cap_->setText(QStringLiteral("Capture Stream"));
        return;
    }
    status_->setText(text);
    if (code == StatusCountersCurrent)
        showCounters();
}

} // namespace zelvan::capture::ui
