// The configure dialogs show the control's current values and write back what the user
// changed.
#include "AccessibleName.h"
#include "widgets/CaptureDialogs.h"

#include "WidgetTestApp.h"

#include <QComboBox>
#include <QDialog>
#include <QSpinBox>
#include <gtest/gtest.h>
#include <memory>

using namespace zelvan::capture;
using namespace zelvan::widgets;

namespace
{

// A dialog host that records what it was asked to show instead of blocking on exec().
struct RecordingHost : CaptureDialogHost {
    void show(int id, CaptureControl&) override { shown << id; }
    QList<int> shown;
};

} // namespace

TEST(CaptureDialogs, AvailabilityFollowsConnectionEffectCompressorAndAudioDevice)
{
    FfmpegCaptureControl control(false);
    control.devices().setPollInterval(0);
    RecordingHost host;
    control.setDialogHost(&host);
    EXPECT_FALSE(control.dialogAvailable(DialogVideoSource));     // not connected
    EXPECT_TRUE(control.dialogAvailable(DialogVideoCompression)); // MJPEG chosen
    EXPECT_FALSE(control.dialogAvailable(DialogAudioFormat));     // no audio device
    EXPECT_FALSE(control.dialogAvailable(999));
    control.connectDevice(0);
    EXPECT_TRUE(control.dialogAvailable(DialogVideoSource));
    EXPECT_FALSE(control.dialogAvailable(DialogVideoSourceEffect));
    control.useEffect(kEffectCategory, 0);
    EXPECT_TRUE(control.dialogAvailable(DialogVideoSourceEffect));
    control.setAudioDeviceIndex(0);
    EXPECT_TRUE(control.dialogAvailable(DialogAudioFormat));
    control.setVideoCompressorIndex(-1);
    EXPECT_FALSE(control.dialogAvailable(DialogVideoCompression));
    control.showDialog(DialogVideoSourceEffect);
    EXPECT_THROW(control.showDialog(DialogVideoCompression), CaptureError);
    EXPECT_EQ(host.shown, QList<int>{DialogVideoSourceEffect});
}

TEST(CaptureDialogs, SourceDialogShowsAndAppliesResolutionInputAndEffect)
{
    FfmpegCaptureControl control(false);
    control.devices().setPollInterval(0);
    control.connectDevice(0);
    std::unique_ptr<QDialog> d(createCaptureDialog(DialogVideoSourceEffect, control));
    ASSERT_TRUE(d);
    auto* res = d->findChild<QComboBox*>("cboResolution");
    auto* input = d->findChild<QComboBox*>("cboInput");
    auto* effect = d->findChild<QComboBox*>("cboEffect");
    ASSERT_TRUE(res && input && effect);
    EXPECT_EQ(res->count(), control.resolutionCount());
    EXPECT_EQ(res->currentText(), "640x480");
    EXPECT_EQ(effect->itemText(0), "None");
    EXPECT_EQ(effect->currentIndex(), 0);
    EXPECT_FALSE(zelvan::test::accessibleNameOf(res).isEmpty());
    res->setCurrentIndex(res->findText("320x240"));
    input->setCurrentIndex(1);
    effect->setCurrentIndex(effect->findText("Mirror"));
    applyCaptureDialog(DialogVideoSourceEffect, *d, control);
    EXPECT_EQ(control.resolutionName(control.resolutionIndex()), "320x240");
    EXPECT_EQ(control.frameSize(), QSize(320, 240));
    EXPECT_EQ(control.videoInputIndex(), 1);
    EXPECT_EQ(control.currentEffect(kEffectCategory),
              control.effectIndex(kEffectCategory, "Mirror"));
    EXPECT_TRUE(control.connected()); // restarted with the new size, still connected
    // The plain source dialog has no effect list.
    std::unique_ptr<QDialog> plain(createCaptureDialog(DialogVideoSource, control));
    EXPECT_EQ(plain->findChild<QComboBox*>("cboEffect"), nullptr);
    EXPECT_EQ(createCaptureDialog(12345, control), nullptr);
}

TEST(CaptureDialogs, CompressionAndAudioDialogsWriteTheirValues)
{
    FfmpegCaptureControl control(false);
    control.devices().setPollInterval(0);
    std::unique_ptr<QDialog> comp(createCaptureDialog(DialogVideoCompression, control));
    auto* codec = comp->findChild<QComboBox*>("cboCompressor");
    auto* quality = comp->findChild<QSpinBox*>("spnQuality");
    ASSERT_TRUE(codec && quality);
    EXPECT_EQ(codec->currentText(), "MJPEG");
    EXPECT_TRUE(quality->isEnabled());
    quality->setValue(9);
    codec->setCurrentIndex(codec->findText("Uncompressed"));
    EXPECT_FALSE(quality->isEnabled());
    applyCaptureDialog(DialogVideoCompression, *comp, control);
    EXPECT_EQ(control.videoCompressorName(control.videoCompressorIndex()), "Uncompressed");
    EXPECT_EQ(control.compressionQuality(), 9);

    control.setSampleRate(8000);
    control.setChannels(1);
    control.setBitsPerSample(16);
    std::unique_ptr<QDialog> audio(createCaptureDialog(DialogAudioFormat, control));
    auto* rate = audio->findChild<QComboBox*>("cboSampleRate");
    auto* channels = audio->findChild<QComboBox*>("cboChannels");
    auto* bits = audio->findChild<QComboBox*>("cboBits");
    ASSERT_TRUE(rate && channels && bits);
    EXPECT_EQ(rate->currentText(), "8000 Hz");
    EXPECT_EQ(channels->currentText(), "Mono");
    EXPECT_EQ(bits->currentText(), "16");
    rate->setCurrentIndex(rate->findText("44100 Hz"));
    channels->setCurrentIndex(1);
    bits->setCurrentIndex(0);
    applyCaptureDialog(DialogAudioFormat, *audio, control);
    EXPECT_EQ(control.sampleRate(), 44100);
    EXPECT_EQ(control.channels(), 2);
    EXPECT_EQ(control.bitsPerSample(), 8);
}
