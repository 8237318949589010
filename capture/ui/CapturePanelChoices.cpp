// The capture panel's handlers: each list choice written to the control (only when it
// differs) and stored, the frame-rate box, the effect, the configure buttons and the device
// list following arrivals and removals.
#include "app/SettingsStore.h"
#include "capture/CaptureErrorMessage.h"
#include "capture/CapturePanelRules.h"
#include "capture/ui/CapturePanel.h"
#include "capture/ui/PanelWidgets.h"

#include <QCheckBox>
#include <QLineEdit>

namespace zelvan::capture::ui
{

void CapturePanel::wireChoices()
{
    const auto chosen = qOverload<int>(&QComboBox::currentIndexChanged);
    connect(devices_, chosen, this, &CapturePanel::onDevice);
    connect(addCamera_, &QPushButton::clicked, this, &CapturePanel::onAddNetworkCamera);
    connect(resolution_, chosen, this, &CapturePanel::onResolution);
    connect(colorFormat_, chosen, this, &CapturePanel::onColorFormat);
    connect(input_, chosen, this, &CapturePanel::onVideoInput);
    connect(channel_, chosen, this, &CapturePanel::onChannel);
    connect(compression_, chosen, this, &CapturePanel::onCompression);
    connect(audioCompr_, chosen, this, &CapturePanel::onAudioCompression);
    connect(audioDevice_, chosen, this, &CapturePanel::onAudioDevice);
    connect(attrib_, chosen, this, &CapturePanel::onAttribute);
    connect(effect_, chosen, this, &CapturePanel::onEffect);
    connect(listen_, &QCheckBox::toggled, this, &CapturePanel::onListen);
    connect(rate_, &QLineEdit::textChanged, this, &CapturePanel::onRateEdited);
    connect(rate_, &QLineEdit::editingFinished, this, &CapturePanel::onRateFinished);
    connect(connect_, &QPushButton::clicked, this, &CapturePanel::Connect);
    connect(preview_, &QPushButton::clicked, this, &CapturePanel::onPreviewClicked);
    connect(videoConfig_, &QPushButton::clicked, this, &CapturePanel::onVideoConfig);
    connect(comprConfig_, &QPushButton::clicked, this,
            [this] { onDialog(DialogVideoCompression); });
    connect(audioConfig_, &QPushButton::clicked, this, [this] { onDialog(DialogAudioFormat); });
    connect(&control_, &CaptureControl::deviceListChange, this, &CapturePanel::onDeviceListChange);
    connect(&control_, &CaptureControl::statusChange, this, &CapturePanel::onStatus);
    connect(&control_, &CaptureControl::statusText, this,
            [this](const QString& text) { onStatus(0, text); });
}

void CapturePanel::onResolution(int index)
{
    if (index < 0)
        return;
    try {
        const int format = control_.colorFormatIndex();
        if (index != control_.resolutionIndex())
            control_.setResolutionIndex(index);
        store(app::key::VideoResolution, QString::number(index));
        followServedFormat(format);
    } catch (const CaptureError& error) {
        showError(error, false);
    }
}

void CapturePanel::onColorFormat(int index)
{
    if (index < 0)
        return;
    try {
        if (index != control_.colorFormatIndex()) {
            control_.setColorFormatIndex(index);
            // The sizes are the ones the new format serves.
            rereadPictureLists();
            store(app::key::VideoResolution, QString::number(control_.resolutionIndex()));
        }
        store(app::key::ColorFormat, QString::number(control_.colorFormatIndex()));
    } catch (const CaptureError& error) {
        showError(error, false);
    }
}

// A size and rate only another format serves switched the control's format: the lists show
// what the device now uses, and that is what is stored.
void CapturePanel::followServedFormat(int formatBefore)
{
    if (!control_.connected() || formatBefore == control_.colorFormatIndex())
        return;
    rereadPictureLists();
    store(app::key::ColorFormat, QString::number(control_.colorFormatIndex()));
    store(app::key::VideoResolution, QString::number(control_.resolutionIndex()));
}

void CapturePanel::onVideoInput(int index)
{
    if (index < 0)
        return;
    try {
        if (index != control_.videoInputIndex())
            control_.setVideoInputIndex(index);
        store(app::key::VideoInput, QString::number(index));
    } catch (const CaptureError& error) {
        showError(error, false);
    }
}

void CapturePanel::onChannel(int index)
{
    if (index < 0)
        return;
    try {
        if (index + lowestChannel_ != control_.channel())
            control_.setChannel(index + lowestChannel_);
    } catch (const CaptureError& error) {
        const OperatorMessage m = channelErrorMessage(error);
        dialogs_.message(m.text, m.icon, m.title);
    }
}

void CapturePanel::onCompression(int index)
{
    if (index < 0)
        return;
    try {
        if (index - 1 != control_.videoCompressorIndex())
            control_.setVideoCompressorIndex(index - 1);
        EnableVideoCompressionConfig();
        store(app::key::compression, QString::number(index));
    } catch (const CaptureError& error) {
        showError(error, false);
    }
}

void CapturePanel::onAudioCompression(int index)
{
    if (index < 0)
        return;
    try {
        if (index - 1 != control_.audioCompressorIndex())
            control_.setAudioCompressorIndex(index - 1);
    } catch (const CaptureError& error) {
        showError(error, false);
    }
}

void CapturePanel::onAudioDevice(int index)
{
    if (index < 0)
        return;
    try {
        if (index - 1 != control_.audioDeviceIndex())
            control_.setAudioDeviceIndex(index - 1);
        EnableAudioConfig();
        if (control_.connected())
            InitAudioSettings();
    } catch (const CaptureError& error) {
        showError(error, false);
    }
}

void CapturePanel::onAttribute(int index)
{
    const auto format = audioFormatOfEntry(attrib_->itemText(index), index);
    if (!format)
        return;
    try {
        control_.setSampleRate(format->sampleRateHz);
        control_.setChannels(format->channels);
        control_.setBitsPerSample(format->bitsPerSample);
    } catch (const CaptureError& error) {
        InitAudioSettings();
        showError(error, false);
    }
}

void CapturePanel::onEffect(int index)
{
    if (index < 0)
        return;
    int effect = -1;
    if (index > 0) {
        const QString name = effect_->itemText(index);
        effect = control_.effectIndex(kEffectCategory, name);
        if (effect < 0) {
            dialogs_.message(effectNotFoundMessage(name));
            selectQuietly(effect_, 0);
        }
    }
    try {
        control_.useEffect(kEffectCategory, std::max(effect, -1));
    } catch (const CaptureError& error) {
        showError(error, false);
    }
}

void CapturePanel::onListen(bool on)
{
    control_.setListen(on);
}

} // namespace zelvan::capture::ui
