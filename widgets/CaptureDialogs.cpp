#include "widgets/CaptureDialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <functional>
#include <memory>

namespace zelvan::widgets
{

using namespace capture;

namespace
{

QComboBox* addCombo(QFormLayout* form, const QString& label, const QString& objectName,
                    const QStringList& items, int current)
{
    auto* combo = new QComboBox;
    combo->setObjectName(objectName);
    combo->addItems(items);
    combo->setCurrentIndex(current);
    auto* caption = new QLabel(label);
    caption->setBuddy(combo);
    combo->setAccessibleName(QString(label).remove('&').remove(':'));
    form->addRow(caption, combo);
    return combo;
}

QStringList listOf(int count, const std::function<QString(int)>& name)
{
    QStringList items;
    for (int i = 0; i < count; ++i)
        items << name(i);
    return items;
}

QDialog* frame(const QString& title, QWidget* parent, QFormLayout** form)
{
    auto* dialog = new QDialog(parent);
    dialog->setWindowTitle(title);
    auto* layout = new QVBoxLayout(dialog);
    *form = new QFormLayout;
    layout->addLayout(*form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName("buttons");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog;
}

const QList<int> kRates{8000, 11025, 22050, 32000, 44100, 48000};

QDialog* videoSourceDialog(CaptureControl& c, bool withEffect, QWidget* parent)
{
    QFormLayout* form = nullptr;
    QDialog* d = frame(QStringLiteral("Video Source"), parent, &form);
    addCombo(form, "&Resolution:", "cboResolution",
             listOf(c.resolutionCount(), [&](int i) { return c.resolutionName(i); }),
             c.resolutionIndex());
    addCombo(form, "&Color Format:", "cboColorFormat",
             listOf(c.colorFormatCount(), [&](int i) { return c.colorFormatName(i); }),
             c.colorFormatIndex());
    addCombo(form, "&Input:", "cboInput",
             listOf(c.videoInputCount(), [&](int i) { return c.videoInputName(i); }),
             c.videoInputIndex());
    if (withEffect) {
        const QStringList effects =
            QStringList{"None"} + listOf(c.effectCount(kEffectCategory),
                                         [&](int i) { return c.effectName(kEffectCategory, i); });
        addCombo(form, "&Effect:", "cboEffect", effects, c.currentEffect(kEffectCategory) + 1);
    }
    return d;
}

// The quality box exists only for the FFmpeg control and only counts for MJPEG.
void addQualityBox(QFormLayout* form, QComboBox* compressor, const FfmpegCaptureControl& ff)
{
    auto* quality = new QSpinBox;
    quality->setObjectName("spnQuality");
    quality->setRange(2, 31);
    quality->setValue(ff.compressionQuality());
    quality->setAccessibleName("Quality (2 best, 31 smallest)");
    auto* caption = new QLabel("&Quality (2 best, 31 smallest):");
    caption->setBuddy(quality);
    form->addRow(caption, quality);
    auto enable = [compressor, quality] {
        quality->setEnabled(compressor->currentText() == "MJPEG");
    };
    QObject::connect(compressor, &QComboBox::currentIndexChanged, quality, enable);
    enable();
}

QDialog* compressionDialog(CaptureControl& c, QWidget* parent)
{
    QFormLayout* form = nullptr;
    QDialog* d = frame(QStringLiteral("Video Compression"), parent, &form);
    auto* combo =
        addCombo(form, "&Compressor:", "cboCompressor",
                 listOf(c.videoCompressorCount(), [&](int i) { return c.videoCompressorName(i); }),
                 c.videoCompressorIndex());
    if (const auto* ff = dynamic_cast<const FfmpegCaptureControl*>(&c))
        addQualityBox(form, combo, *ff);
    return d;
}

QDialog* audioFormatDialog(CaptureControl& c, QWidget* parent)
{
    QFormLayout* form = nullptr;
    QDialog* d = frame(QStringLiteral("Audio Format"), parent, &form);
    QStringList rates;
    for (int r : kRates)
        rates << QStringLiteral("%1 Hz").arg(r);
    int rate = int(kRates.indexOf(c.sampleRate()));
    if (rate < 0) {
        rates << QStringLiteral("%1 Hz").arg(c.sampleRate());
        rate = int(rates.size()) - 1;
    }
    addCombo(form, "&Sample rate:", "cboSampleRate", rates, rate);
    addCombo(form, "&Channels:", "cboChannels", {"Mono", "Stereo"}, c.channels() == 2 ? 1 : 0);
    addCombo(form, "&Bits per sample:", "cboBits", {"8", "16"}, c.bitsPerSample() == 8 ? 0 : 1);
    return d;
}

} // namespace

QDialog* createCaptureDialog(int id, CaptureControl& c, QWidget* parent)
{
    switch (id) {
    case DialogVideoSource:
    case DialogVideoSourceEffect:
        return videoSourceDialog(c, id == DialogVideoSourceEffect, parent);
    case DialogVideoCompression:
        return compressionDialog(c, parent);
    case DialogAudioFormat:
        return audioFormatDialog(c, parent);
    default:
        return nullptr;
    }
}

void applyCaptureDialog(int id, QDialog& d, CaptureControl& c)
{
    auto combo = [&d](const char* name) { return d.findChild<QComboBox*>(name); };
    switch (id) {
    case DialogVideoSource:
    case DialogVideoSourceEffect:
        if (auto* r = combo("cboResolution");
            r && r->currentIndex() >= 0 && r->currentIndex() != c.resolutionIndex())
            c.setResolutionIndex(r->currentIndex());
        if (auto* f = combo("cboColorFormat");
            f && f->currentIndex() >= 0 && f->currentIndex() != c.colorFormatIndex())
            c.setColorFormatIndex(f->currentIndex());
        if (auto* in = combo("cboInput");
            in && in->currentIndex() >= 0 && in->currentIndex() != c.videoInputIndex())
            c.setVideoInputIndex(in->currentIndex());
        if (auto* e = combo("cboEffect");
            e && e->currentIndex() - 1 != c.currentEffect(kEffectCategory))
            c.useEffect(kEffectCategory, e->currentIndex() - 1);
        break;
    case DialogVideoCompression:
        if (auto* k = combo("cboCompressor"); k && k->currentIndex() != c.videoCompressorIndex())
            c.setVideoCompressorIndex(k->currentIndex());
        if (auto* q = d.findChild<QSpinBox*>("spnQuality"))
            if (auto* ff = dynamic_cast<FfmpegCaptureControl*>(&c))
                ff->setCompressionQuality(q->value());
        break;
    case DialogAudioFormat: {
        const QString rateText = combo("cboSampleRate")->currentText();
        const int rate = rateText.section(' ', 0, 0).toInt();
        if (rate != c.sampleRate())
            c.setSampleRate(rate);
        const int channels = combo("cboChannels")->currentIndex() == 1 ? 2 : 1;
        if (channels != c.channels())
            c.setChannels(channels);
        const int bits = combo("cboBits")->currentIndex() == 0 ? 8 : 16;
        if (bits != c.bitsPerSample())
            c.setBitsPerSample(bits);
        break;
    }
    default:
        break;
    }
}

void QtCaptureDialogs::show(int id, CaptureControl& control)
{
    std::unique_ptr<QDialog> dialog(createCaptureDialog(id, control, parent));
    if (!dialog)
        throw CaptureError(ErrNoDialog, QStringLiteral("Dialog %1 is not available").arg(id));
    if (dialog->exec() == QDialog::Accepted)
        applyCaptureDialog(id, *dialog, control);
}

} // namespace zelvan::widgets
