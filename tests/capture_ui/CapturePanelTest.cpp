// The capture panel with real widgets, offscreen, on the control's real built-in devices
// ("Test Pattern", "Simulated Jump Site", "Test Tone"), answered by scripted dialogs.
#include "AccessibleName.h"
#include "capture/ui/CapturePanel.h"

#include "FileFailures.h"
#include "NetworkServers.h"
#include "ScriptedDialogs.h"
#include "WidgetTestApp.h"
#include "app/StartUp.h"
#include "base/Clock.h"
#include "capture/FfmpegCaptureControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::capture;
using zelvan::capture::ui::CapturePanel;

namespace
{

QStringList entries(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

class CapturePanelTest : public ::testing::Test
{
protected:
    CapturePanelTest() { control.devices().setPollInterval(0); }

    // The panel as start-up makes it: built, then prepared (which connects).
    CapturePanel& prepared()
    {
        panel = std::make_unique<CapturePanel>(station, dialogs, control);
        panel->prepare();
        return *panel;
    }
    template <class W = QComboBox> W* control_(const char* name) const
    {
        W* w = panel->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QComboBox* list(const char* name) const { return control_<QComboBox>(name); }
    QString stored(const char* key) const { return station.settings().read(key, "<missing>"); }
    void seed(const char* key, const QString& value)
    {
        ASSERT_TRUE(station.settings().write(key, value));
    }
    // Starts a short recording so that the control refuses changes.
    void startRecording()
    {
        control.setCaptureFileName(dir.filePath("busy.avi"));
        control.startCapture();
        ASSERT_TRUE(control.capturing());
    }

    QTemporaryDir dir;
    FixedClock clock{QDateTime(QDate(2026, 7, 4), QTime(9, 30, 0))};
    app::Station station{
        clock, std::make_unique<QSettings>(dir.filePath("DI05.ini"), QSettings::IniFormat),
        dir.path(), dir.filePath("zqio")};
    ScriptedDialogs dialogs;
    FfmpegCaptureControl control{false};
    std::unique_ptr<CapturePanel> panel;
};

} // namespace

TEST_F(CapturePanelTest, StartUpFillsTheListsAndConnectsTheFirstDevice)
{
    CapturePanel& p = prepared();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(entries(list("Combo1")), (QStringList{kTestPattern, kSimulatedSite}));
    EXPECT_EQ(list("Combo1")->currentIndex(), 0);
    EXPECT_TRUE(control.connected());
    EXPECT_EQ(stored("device"), "0");
    EXPECT_EQ(control_<QPushButton>("CmdConnect")->text(), "Disconnect");
    EXPECT_EQ(list("lstCaptureType")->currentText(), "Streams");
    EXPECT_EQ(entries(list("AudioDevice")), (QStringList{"None", kTestTone}));
    EXPECT_EQ(list("CompressionCombo")->itemText(0), "None");
    EXPECT_EQ(list("CompressionCombo")->itemText(1), "MJPEG");
    // Never chosen: MJPEG, stored at once.
    EXPECT_EQ(list("CompressionCombo")->currentText(), "MJPEG");
    EXPECT_EQ(control.videoCompressorIndex(), 0);
    EXPECT_EQ(stored("compression"), "1");
    EXPECT_EQ(entries(list("AudioCompr")), (QStringList{"None", "PCM"}));
    EXPECT_EQ(list("Effect")->itemText(0), "None");
    EXPECT_GT(list("Effect")->count(), 1);
    EXPECT_TRUE(list("Effect")->isEnabled());
    // The connected device's lists, with the device's own choices.
    EXPECT_TRUE(list("ResolutionCombo")->isEnabled());
    EXPECT_EQ(list("ResolutionCombo")->currentText(), "640x480");
    EXPECT_EQ(entries(list("ColorFormatCombo")), (QStringList{"I420", "RGB24"}));
    EXPECT_EQ(entries(list("VideoInput")), (QStringList{"Test Card", "Colour Bars"}));
    EXPECT_FALSE(list("Channel")->isEnabled()); // no tuner
    EXPECT_EQ(control_<QLineEdit>("EdtRate")->text(), "30");
    EXPECT_EQ(stored("framerate"), "30");
    EXPECT_EQ(control_<QLineEdit>("EdtLimit")->text(), "0");
    EXPECT_TRUE(control_<QPushButton>("CmdCap")->isEnabled());
    EXPECT_TRUE(control_<QPushButton>("CmdPreview")->isEnabled());
    EXPECT_EQ(control_<QPushButton>("CmdPreview")->text(), "Preview On");
    // Without a dialog host no configure dialog exists, so its button stays off.
    EXPECT_FALSE(control_<QPushButton>("VideoConfig")->isEnabled());
    EXPECT_FALSE(control_<QPushButton>("ComprConfig")->isEnabled());
    EXPECT_FALSE(p.optionPanelsVisible());
    EXPECT_FALSE(station.previewOn());
}

TEST_F(CapturePanelTest, LaterStartUpStepsAndShowingTheOptions)
{
    CapturePanel& p = prepared();
    control_<QLineEdit>("EdtFile")->setText("other.avi");
    p.startPreview();
    EXPECT_TRUE(control.preview());
    p.finishStartUp();
    EXPECT_EQ(control_<QLineEdit>("EdtFile")->text(), "testvid.avi");
    EXPECT_TRUE(control_<QLabel>("LblStatus")->isHidden());
    p.setOptionPanelsVisible(true);
    EXPECT_TRUE(p.optionPanelsVisible());
    EXPECT_FALSE(control_<QLabel>("LblStatus")->isHidden());
    EXPECT_FALSE(panel->findChild<QWidget*>("fraCommands")->isHidden());
    p.setOptionPanelsVisible(false);
    EXPECT_TRUE(panel->findChild<QWidget*>("fraOptions")->isHidden());
    EXPECT_TRUE(panel->findChild<QWidget*>("lstPauseTime")->isHidden());
    EXPECT_TRUE(panel->findChild<QWidget*>("lblPauseTime")->isHidden());
    // The controls the operator never sees exist with their names.
    for (const char* name : {"CmdConnect", "CmdPreview", "EdtLimit", "lblLimit", "fraCapture",
                             "lstCaptureType", "EdtFile", "CmdCap"})
        EXPECT_FALSE(panel->findChild<QWidget*>(name)->isVisibleTo(panel.get())) << name;
}

TEST_F(CapturePanelTest, AudioFormatOfTheControlSelectsItsEntry)
{
    control.setSampleRate(44100);
    control.setBitsPerSample(16);
    control.setChannels(1);
    prepared();
    QComboBox* attrib = list("ComboAttrib");
    EXPECT_EQ(attrib->count(), 16);
    EXPECT_EQ(attrib->currentIndex(), 14);
    EXPECT_EQ(attrib->currentText(), "44.100 Khz, 16 Bit, Mono");
    // Selecting the entry did not change the control's format.
    EXPECT_EQ(control.sampleRate(), 44100);

    attrib->setCurrentIndex(7);
    EXPECT_EQ(control.sampleRate(), 22050);
    EXPECT_EQ(control.channels(), 2);
    EXPECT_EQ(control.bitsPerSample(), 16);
}

TEST_F(CapturePanelTest, UnlistedAudioFormatIsAddedAsSeventeenthEntry)
{
    control.setSampleRate(8000);
    control.setBitsPerSample(8);
    control.setChannels(1);
    CapturePanel& p = prepared();
    QComboBox* attrib = list("ComboAttrib");
    ASSERT_EQ(attrib->count(), 17); // added once, although start-up and connect both look
    EXPECT_EQ(attrib->itemText(16), "8.000 Khz, 8 bit, Mono");
    EXPECT_EQ(attrib->currentIndex(), 16);

    attrib->setCurrentIndex(3);
    EXPECT_EQ(control.sampleRate(), 11025);
    EXPECT_EQ(control.channels(), 2);
    attrib->setCurrentIndex(16);
    EXPECT_EQ(control.sampleRate(), 8000);
    EXPECT_EQ(control.channels(), 1);
    EXPECT_EQ(control.bitsPerSample(), 8);
    ASSERT_TRUE(p.SetCaptureValues());
    EXPECT_EQ(control.sampleRate(), 8000);
}

TEST_F(CapturePanelTest, FrameRatesReachTheControlAndTheRateText)
{
    CapturePanel& p = prepared();
    QSignalSpy texts(&p, &CapturePanel::rateTextChanged);
    QLineEdit* rate = control_<QLineEdit>("EdtRate");
    struct Case {
        const char* text;
        double fps;
        const char* label;
    };
    for (const Case c : {Case{"24.6", 25, "Currently Configured for L"},
                         Case{"20", 20, "Currently Configured for L"},
                         Case{"4", 4, "Currently Configured for R"}}) {
        rate->selectAll();
        QTest::keyClicks(rate, c.text);
        EXPECT_EQ(p.rateText(), c.text);
        EXPECT_EQ(control.frameRate(), c.fps) << c.text;
        EXPECT_EQ(stored("framerate"), c.text);
        ASSERT_FALSE(texts.isEmpty());
        const QString last = texts.last().at(0).toString();
        EXPECT_EQ(last, c.text);
        EXPECT_EQ(app::captureRateLabel(last), c.label);
    }
    // Recording takes the same rounded rate.
    rate->setText("24.6");
    control.setFrameRate(30);
    ASSERT_TRUE(p.SetCaptureValues());
    EXPECT_EQ(control.frameRate(), 25);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(CapturePanelTest, StoredFrameRateOrTheDevicesOwn)
{
    seed("framerate", "20");
    CapturePanel& p = prepared();
    EXPECT_EQ(control.frameRate(), 20);
    EXPECT_EQ(p.rateText(), "20");
    panel.reset();
    control.disconnectDevice();

    seed("framerate", "0");
    control.setFrameRate(50);
    prepared();
    EXPECT_EQ(panel->rateText(), "50");
    EXPECT_EQ(control.frameRate(), 50);
}

TEST_F(CapturePanelTest, RateThatIsNoNumberIsToldAndTheCameraKeepsItsRate)
{
    CapturePanel& p = prepared();
    QLineEdit* rate = control_<QLineEdit>("EdtRate");
    rate->setFocus();
    rate->selectAll();
    QTest::keyClicks(rate, "fast");
    EXPECT_EQ(control.frameRate(), 30);
    EXPECT_EQ(stored("framerate"), "30");
    EXPECT_TRUE(dialogs.shown.isEmpty()); // not while typing
    QTest::keyClick(rate, Qt::Key_Return);
    ASSERT_EQ(dialogs.messages(),
              QStringList{"The frame rate \"fast\" is not a number from 1 to 240; the camera "
                          "keeps 30 frames per second."});
    EXPECT_EQ(dialogs.shown.first().icon, Icon::Warning);
    EXPECT_EQ(p.rateText(), "30");
    EXPECT_EQ(stored("framerate"), "30");
}

TEST_F(CapturePanelTest, ChoicesReachTheControlAndTheSettings)
{
    prepared();
    list("ResolutionCombo")->setCurrentIndex(0);
    EXPECT_EQ(control.resolutionIndex(), 0);
    EXPECT_EQ(stored("VideoResolution"), "0");
    list("ColorFormatCombo")->setCurrentIndex(1);
    EXPECT_EQ(control.colorFormatIndex(), 1);
    EXPECT_EQ(stored("ColorFormat"), "1");
    list("VideoInput")->setCurrentIndex(1);
    EXPECT_EQ(control.videoInputIndex(), 1);
    EXPECT_EQ(stored("VideoInput"), "1");
    list("CompressionCombo")->setCurrentIndex(1);
    EXPECT_EQ(control.videoCompressorIndex(), 0);
    EXPECT_EQ(stored("compression"), "1");
    list("AudioDevice")->setCurrentIndex(1);
    EXPECT_EQ(control.audioDeviceIndex(), 0);
    EXPECT_TRUE(list("ComboAttrib")->isEnabled());
    list("AudioDevice")->setCurrentIndex(0);
    EXPECT_EQ(control.audioDeviceIndex(), -1);
    EXPECT_FALSE(list("ComboAttrib")->isEnabled());
    control_<QCheckBox>("Check1")->setChecked(true);
    EXPECT_TRUE(control.listen());
    list("Effect")->setCurrentIndex(1);
    EXPECT_EQ(control.currentEffect(kEffectCategory), 0);
    list("Effect")->setCurrentIndex(0);
    EXPECT_EQ(control.currentEffect(kEffectCategory), -1);
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join('\n').toStdString();
}

TEST_F(CapturePanelTest, StoredIndicesAreUsedAndOnesBeyondTheirListSelectTheFirst)
{
    seed("device", "1");
    seed("VideoResolution", "4");
    seed("ColorFormat", "1");
    seed("VideoInput", "0");
    seed("compression", "1");
    prepared();
    EXPECT_EQ(list("Combo1")->currentText(), kSimulatedSite);
    EXPECT_EQ(control.videoDeviceIndex(), 1);
    EXPECT_EQ(list("ResolutionCombo")->currentText(), "800x600");
    EXPECT_EQ(control.resolutionIndex(), 4);
    EXPECT_EQ(control.colorFormatIndex(), 1);
    EXPECT_EQ(list("CompressionCombo")->currentText(), "MJPEG");
    EXPECT_EQ(control.videoCompressorIndex(), 0);
    panel.reset();
    control.disconnectDevice();

    seed("device", "5");
    seed("deviceName", ""); // an older station stored the position only
    seed("VideoResolution", "99");
    seed("ColorFormat", "7");
    seed("VideoInput", "9");
    seed("compression", "999");
    prepared();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(list("Combo1")->currentIndex(), 0);
    EXPECT_EQ(control.videoDeviceIndex(), 0);
    EXPECT_TRUE(control.connected());
    EXPECT_EQ(stored("device"), "0");
    EXPECT_EQ(control.resolutionIndex(), 0);
    EXPECT_EQ(stored("VideoResolution"), "0");
    EXPECT_EQ(control.colorFormatIndex(), 0);
    EXPECT_EQ(stored("ColorFormat"), "0");
    EXPECT_EQ(control.videoInputIndex(), 0);
    EXPECT_EQ(stored("VideoInput"), "0");
    EXPECT_EQ(list("CompressionCombo")->currentIndex(), 0);
    EXPECT_EQ(stored("compression"), "0");
}

TEST_F(CapturePanelTest, DevicePluggedInWhileNoCaptureDevicesShows)
{
    control.devices().unplug(kTestPattern);
    control.devices().unplug(kSimulatedSite);
    prepared();
    EXPECT_EQ(dialogs.messages(),
              QStringList{"No MCI capture devices are installed on this system"});
    EXPECT_EQ(entries(list("Combo1")), QStringList{"No Capture Devices"});
    EXPECT_FALSE(control.connected());
    dialogs.clear();

    control.devices().plug(kSimulatedSite);
    EXPECT_TRUE(dialogs.shown.isEmpty()); // it takes the entry's place without a question
    EXPECT_EQ(entries(list("Combo1")), QStringList{kSimulatedSite});
    EXPECT_EQ(list("Combo1")->currentIndex(), 0);
    EXPECT_EQ(control.videoDeviceIndex(), 0);

    // A second camera is offered; No keeps the one chosen.
    control.devices().plug(kTestPattern);
    ASSERT_EQ(dialogs.texts(),
              QStringList{"Test Pattern is plugged into your computer. Do you want to use it?"});
    EXPECT_EQ(dialogs.shown.first().kind, ScriptedDialogs::Kind::YesNo);
    EXPECT_EQ(entries(list("Combo1")), (QStringList{kTestPattern, kSimulatedSite}));
    EXPECT_EQ(control.videoDeviceIndex(), 1);
    EXPECT_EQ(list("Combo1")->currentText(), kSimulatedSite);
}

TEST_F(CapturePanelTest, DeviceRemovedWhileConnectedDisconnectsThePanel)
{
    prepared();
    station.setPreviewOn(true);
    station.showScreen(app::Station::Screen::Capture);
    control.devices().unplug(kTestPattern);
    EXPECT_FALSE(control.connected());
    EXPECT_EQ(entries(list("Combo1")), QStringList{kSimulatedSite});
    EXPECT_EQ(control_<QPushButton>("CmdConnect")->text(), "Connect");
    EXPECT_EQ(list("ResolutionCombo")->count(), 0);
    EXPECT_FALSE(list("ResolutionCombo")->isEnabled());
    EXPECT_EQ(list("VideoInput")->count(), 0);
    EXPECT_FALSE(control_<QPushButton>("CmdCap")->isEnabled());
    EXPECT_FALSE(station.previewOn());
    EXPECT_EQ(station.currentScreen(), app::Station::Screen::Main);

    // Plugged in again it is offered; Yes makes it the device.
    dialogs.yesNoAnswers.enqueue(true);
    control.devices().plug(kTestPattern);
    EXPECT_EQ(dialogs.texts(),
              QStringList{"Test Pattern is plugged into your computer. Do you want to use it?"});
    EXPECT_EQ(control.videoDeviceIndex(), 0);
    EXPECT_EQ(list("Combo1")->currentText(), kTestPattern);

    // The last camera gone: the list says so.
    control.devices().unplug(kTestPattern);
    control.devices().unplug(kSimulatedSite);
    EXPECT_EQ(entries(list("Combo1")), QStringList{"No Capture Devices"});
    // Connect with nothing there tells and stays disconnected.
    dialogs.clear();
    panel->Connect();
    EXPECT_EQ(dialogs.messages(),
              QStringList{"No MCI capture devices are installed on this system"});
}

TEST_F(CapturePanelTest, SoundInputRemovedAndPluggedIn)
{
    prepared();
    list("AudioDevice")->setCurrentIndex(1);
    control.devices().unplug(kTestTone);
    EXPECT_EQ(entries(list("AudioDevice")), QStringList{"None"});
    EXPECT_EQ(list("AudioDevice")->currentIndex(), 0);
    EXPECT_TRUE(control.connected()); // the camera stays
    EXPECT_EQ(control_<QPushButton>("CmdConnect")->text(), "Disconnect");
    control.devices().plug(kTestTone);
    // Connected: no question; the list shows it and "None" stays chosen.
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(entries(list("AudioDevice")), (QStringList{"None", kTestTone}));
    EXPECT_EQ(list("AudioDevice")->currentIndex(), 0);
}

TEST_F(CapturePanelTest, ControlErrorsAreToldWithTheirCodes)
{
    CapturePanel& p = prepared();
    startRecording();
    list("ResolutionCombo")->setCurrentIndex(0);
    list("ComboAttrib")->setCurrentIndex(0);
    ASSERT_FALSE(p.SetCaptureValues());
    control.stopCapture();
    EXPECT_EQ(dialogs.messages(), (QStringList{"Eror code: 4099 Not possible while recording",
                                               "Eror code: 4099 Not possible while recording",
                                               "Eror code: 1003 Not possible while recording"}));
    for (const auto& shown : dialogs.shown)
        EXPECT_EQ(shown.title, "Error");
    // The failed choices left the control, and the attribute list, as they were.
    EXPECT_EQ(control.resolutionIndex(), 1);
    EXPECT_EQ(list("ComboAttrib")->currentText(), "22.050 Khz, 16 Bit, Mono");
    EXPECT_EQ(control.sampleRate(), 22050);
}

TEST_F(CapturePanelTest, EffectTheControlDoesNotKnowIsToldAndNoneChosen)
{
    prepared();
    list("Effect")->addItem("Sepia Dreams");
    list("Effect")->setCurrentIndex(list("Effect")->count() - 1);
    EXPECT_EQ(dialogs.messages(), QStringList{"Cannot find Sepia Dreams effect"});
    EXPECT_EQ(list("Effect")->currentIndex(), 0);
    EXPECT_EQ(control.currentEffect(kEffectCategory), -1);
}

TEST_F(CapturePanelTest, StatusAndCountersFollowTheControl)
{
    prepared();
    control.setTimeLimit(1);
    control.setCaptureFileName(dir.filePath("counted.avi"));
    control.startCapture();
    QSignalSpy finished(&control, &CaptureControl::captureFinished);
    ASSERT_TRUE(finished.wait(10000));
    QTest::qWait(50);
    panel->showCounters();
    EXPECT_EQ(control_<QLabel>("LblFrames")->text(), QString::number(control.framesCaptured()));
    EXPECT_GT(control.framesCaptured(), 0);
    EXPECT_EQ(control_<QLabel>("LblTime")->text(), QString::number(control.captureTimeMs()));
    EXPECT_FALSE(control_<QLabel>("LblStatus")->text().isEmpty());
}

// With ZELVAN_SCREENSHOTS set to a folder, the panel is saved there beside a stand-in for the
// main screen's frame, at both screen sizes.
TEST_F(CapturePanelTest, Screenshots)
{
    const QString folder = qEnvironmentVariable("ZELVAN_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "ZELVAN_SCREENSHOTS not set";
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    panel = std::make_unique<CapturePanel>(station, dialogs, control, &window);
    panel->prepare();
    panel->setOptionPanelsVisible(true);
    auto* frame = new QLabel("Zelvan Controls and Configuration");
    frame->setFrameShape(QFrame::Box);
    frame->setAlignment(Qt::AlignCenter);
    row->addWidget(panel.get(), 0, Qt::AlignTop);
    row->addWidget(frame, 1);
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
        window.resize(size);
        window.show();
        QApplication::processEvents();
        ASSERT_TRUE(window.grab().save(
            QDir(folder).filePath(QStringLiteral("capture_panel_%1.png").arg(size.width()))));
    }
    static_cast<void>(panel.release()); // owned by the window
}

TEST_F(CapturePanelTest, ControlsCarryTheirNamesAndTabInReadingOrder)
{
    CapturePanel& p = prepared();
    p.setOptionPanelsVisible(true);
    p.show();
    const QStringList named = {
        "Label4",          "Combo1",         "VideoConfig",      "ResolLabel",
        "ResolutionCombo", "ColorLabel",     "ColorFormatCombo", "InputLabel",
        "VideoInput",      "ChannelLabel",   "Channel",          "Label1",
        "Effect",          "Label3",         "Label24",          "CompressionCombo",
        "ComprConfig",     "Label17",        "EdtRate",          "Label22",
        "Label23",         "AudioDevice",    "AudioConfig",      "AttribLabel",
        "ComboAttrib",     "AudioCompLabel", "AudioCompr",       "Check1",
        "Label13",         "Label14",        "Label15",          "Label16",
        "LblFrames",       "LblFrmDrop",     "LblSamples",       "LblTime",
        "LblStatus",       "CmdConnect",     "CmdPreview",       "EdtLimit",
        "lblLimit",        "fraCapture",     "lstCaptureType",   "EdtFile",
        "CmdCap",          "lstPauseTime",   "lblPauseTime",     "cmdAddNetworkCamera"};
    for (const QString& name : named) {
        const QWidget* w = panel->findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name.toStdString();
        EXPECT_EQ(w->accessibleDescription(), name);
        EXPECT_FALSE(zelvan::test::accessibleNameOf(w).isEmpty()) << name.toStdString();
    }
    // A list is read out by its label's caption.
    EXPECT_EQ(list("ComboAttrib")->accessibleName(), "Attributes:");
    EXPECT_EQ(list("Combo1")->accessibleName(), "Video Device:");
    EXPECT_EQ(control_<QLineEdit>("EdtRate")->accessibleName(), "Frame Rate (fps)");

    // Tab walks the enabled controls top to bottom.
    list("AudioDevice")->setCurrentIndex(1);
    QStringList order;
    QWidget* w = list("Combo1");
    for (int i = 0; i < 13; ++i) {
        order << w->objectName();
        do
            w = w->nextInFocusChain();
        while (!(w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus)));
    }
    EXPECT_EQ(order,
              (QStringList{"Combo1", "cmdAddNetworkCamera", "ResolutionCombo", "ColorFormatCombo",
                           "VideoInput", "Effect", "CompressionCombo", "EdtRate", "AudioDevice",
                           "ComboAttrib", "AudioCompr", "Check1", "Combo1"}));
}

#ifdef Q_OS_UNIX
TEST_F(CapturePanelTest, SettingThatCannotBeStoredIsToldAndTheChoiceStays)
{
    prepared();
    {
        const test::FileSizeLimit full(1);
        list("ResolutionCombo")->setCurrentIndex(0);
    }
    EXPECT_EQ(control.resolutionIndex(), 0);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown.first().icon, Icon::Warning);
    EXPECT_FALSE(dialogs.shown.first().text.isEmpty());
    // The file keeps the last value it took, whole.
    QFile onDisk(dir.filePath("DI05.ini"));
    ASSERT_TRUE(onDisk.open(QIODevice::ReadOnly));
    const QByteArray bytes = onDisk.readAll();
    EXPECT_TRUE(bytes.contains("VideoResolution=1")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("framerate=30")) << bytes.toStdString();
}
#endif

namespace
{

// Stands in for the operator in the control's own configure dialogs: records which one was
// opened and makes the choice a person would make there, through the control.
class OperatorInDialogs : public CaptureDialogHost
{
public:
    void show(int id, CaptureControl& control) override
    {
        opened << id;
        if (id == DialogVideoSource || id == DialogVideoSourceEffect)
            control.setResolutionIndex(0);
        if (id == DialogAudioFormat)
            control.setSampleRate(44100);
    }
    QList<int> opened;
};

} // namespace

TEST_F(CapturePanelTest, ConfigureButtonsOpenTheControlsDialogsAndTheListsFollow)
{
    OperatorInDialogs host;
    control.setDialogHost(&host);
    prepared();
    auto* videoConfig = control_<QPushButton>("VideoConfig");
    ASSERT_TRUE(videoConfig->isEnabled());
    EXPECT_EQ(list("ResolutionCombo")->currentText(), "640x480");
    videoConfig->click();
    EXPECT_EQ(list("ResolutionCombo")->currentText(), "320x240");
    list("Effect")->setCurrentIndex(1);
    videoConfig->click();

    auto* comprConfig = control_<QPushButton>("ComprConfig");
    list("CompressionCombo")->setCurrentIndex(0);
    EXPECT_FALSE(comprConfig->isEnabled()); // "None" has nothing to configure
    list("CompressionCombo")->setCurrentIndex(1);
    ASSERT_TRUE(comprConfig->isEnabled());
    comprConfig->click();

    auto* audioConfig = control_<QPushButton>("AudioConfig");
    EXPECT_FALSE(audioConfig->isEnabled());
    list("AudioDevice")->setCurrentIndex(1);
    ASSERT_TRUE(audioConfig->isEnabled());
    audioConfig->click();
    EXPECT_EQ(list("ComboAttrib")->currentText(), "44.100 Khz, 16 Bit, Mono");

    EXPECT_EQ(host.opened, (QList<int>{DialogVideoSource, DialogVideoSourceEffect,
                                       DialogVideoCompression, DialogAudioFormat}));
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join('\n').toStdString();
}

TEST_F(CapturePanelTest, ConnectButtonDisconnectsAndConnectsAgain)
{
    prepared();
    auto* connectButton = control_<QPushButton>("CmdConnect");
    connectButton->click();
    EXPECT_FALSE(control.connected());
    EXPECT_EQ(connectButton->text(), "Connect");
    EXPECT_EQ(list("ColorFormatCombo")->count(), 0);
    EXPECT_FALSE(control_<QPushButton>("CmdPreview")->isEnabled());
    connectButton->click();
    EXPECT_TRUE(control.connected());
    EXPECT_EQ(connectButton->text(), "Disconnect");
    EXPECT_EQ(list("ColorFormatCombo")->count(), 2);

    auto* preview = control_<QPushButton>("CmdPreview");
    preview->click();
    EXPECT_TRUE(control.preview());
    EXPECT_EQ(preview->text(), "Preview Off");
    preview->click();
    EXPECT_FALSE(control.preview());
    EXPECT_EQ(preview->text(), "Preview On");
}

TEST_F(CapturePanelTest, ControlAlreadyPreviewingShowsTheCaptureScreenOnConnect)
{
    control.setPreview(true);
    prepared();
    EXPECT_EQ(control_<QPushButton>("CmdPreview")->text(), "Preview Off");
    EXPECT_EQ(station.currentScreen(), app::Station::Screen::Capture);
    EXPECT_TRUE(station.previewOn());
}

TEST_F(CapturePanelTest, StreamSetUpRenamesTheCaptureButtonOnly)
{
    CapturePanel& p = prepared();
    emit control.statusText("Connected");
    emit control.statusChange(StatusStreamSetUp, "Stream set up");
    EXPECT_EQ(control_<QPushButton>("CmdCap")->text(), "Capture Stream");
    EXPECT_EQ(control_<QLabel>("LblStatus")->text(), "Connected");
    emit control.statusChange(StatusCaptureEnded, "Capture complete");
    EXPECT_EQ(control_<QLabel>("LblStatus")->text(), "Capture complete");
    (void)p;
}

namespace
{

// A USB camera as the scan lists it (its pictures come from an FFmpeg test source): YUYV up
// to 1920x1080 but there only at 5 fps, MJPEG at 30 and 60.
VideoDeviceInfo usbCamera()
{
    VideoDeviceInfo cam;
    cam.name = "USB Camera";
    cam.inputFormat = "lavfi";
    cam.url = "testsrc=size=320x240:rate=30,realtime";
    cam.colorFormats = QStringList{"YUYV 4:2:2", "Motion-JPEG"};
    cam.colorFormatCodes = QStringList{"yuyv422", "mjpeg"};
    cam.modes = {{"yuyv422", {640, 480}, 30},  {"yuyv422", {1280, 720}, 10},
                 {"yuyv422", {1920, 1080}, 5}, {"mjpeg", {640, 480}, 30},
                 {"mjpeg", {1280, 720}, 60},   {"mjpeg", {1920, 1080}, 30},
                 {"mjpeg", {1920, 1080}, 60}};
    return cam;
}

} // namespace

TEST_F(CapturePanelTest, SizeAndRateOnlyAnotherFormatServesSwitchTheFormatAndSaySo)
{
    ASSERT_TRUE(control.devices().addVideoDevice(usbCamera()));
    prepared();
    ASSERT_EQ(list("Combo1")->currentText(), "USB Camera");
    ASSERT_TRUE(control.connected());
    EXPECT_EQ(list("ColorFormatCombo")->currentText(), "YUYV 4:2:2");
    EXPECT_EQ(entries(list("ResolutionCombo")), (QStringList{"640x480", "1280x720", "1920x1080"}));
    auto* status = control_<QLabel>("LblStatus");

    list("ResolutionCombo")->setCurrentText("1920x1080"); // YUYV gives it at 5 fps only
    EXPECT_EQ(list("ColorFormatCombo")->currentText(), "Motion-JPEG");
    EXPECT_EQ(control.colorFormatName(control.colorFormatIndex()), "Motion-JPEG");
    EXPECT_EQ(list("ResolutionCombo")->currentText(), "1920x1080");
    EXPECT_EQ(status->text(), "Motion-JPEG chosen: YUYV 4:2:2 does not serve 1920x1080 at 30 fps");
    EXPECT_EQ(stored("ColorFormat"), "1");
    EXPECT_EQ(stored("VideoResolution"), "2");

    // Back to YUYV: the size it serves at 30 fps.
    list("ColorFormatCombo")->setCurrentIndex(0);
    EXPECT_EQ(list("ResolutionCombo")->currentText(), "640x480");
    EXPECT_EQ(control.frameSize(), QSize(640, 480));
    // A rate only MJPEG serves at 1280x720.
    list("ResolutionCombo")->setCurrentText("1280x720");
    // No format serves 1280x720 at 30: YUYV, which has the size, stays.
    EXPECT_EQ(list("ColorFormatCombo")->currentText(), "YUYV 4:2:2");
    control_<QLineEdit>("EdtRate")->setText("60");
    EXPECT_EQ(list("ColorFormatCombo")->currentText(), "Motion-JPEG");
    EXPECT_EQ(status->text(), "Motion-JPEG chosen: YUYV 4:2:2 does not serve 1280x720 at 60 fps");
    EXPECT_EQ(entries(list("ResolutionCombo")), (QStringList{"640x480", "1280x720", "1920x1080"}));
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.texts().join('\n').toStdString();
}

TEST_F(CapturePanelTest, CameraPluggedBackInIsConnectedOnYes)
{
    prepared();
    ASSERT_TRUE(control.connected());
    control.devices().unplug(kTestPattern);
    EXPECT_FALSE(control.connected());
    EXPECT_EQ(control_<QPushButton>("CmdConnect")->text(), "Connect");
    EXPECT_EQ(entries(list("Combo1")), (QStringList{kSimulatedSite}));
    dialogs.shown.clear();
    dialogs.yesNoAnswers.enqueue(true);
    control.devices().plug(kTestPattern);
    ASSERT_EQ(dialogs.shown.size(), 1) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(dialogs.shown[0].text,
              "Test Pattern is plugged into your computer. Do you want to use it?");
    EXPECT_TRUE(control.connected());
    EXPECT_EQ(control.videoDeviceName(control.videoDeviceIndex()), kTestPattern);
    EXPECT_EQ(list("Combo1")->currentText(), kTestPattern);
    EXPECT_EQ(control_<QPushButton>("CmdConnect")->text(), "Disconnect");
    EXPECT_TRUE(list("ResolutionCombo")->isEnabled());
    // The connected camera records again.
    control.setCaptureFileName(dir.filePath("back.avi"));
    EXPECT_NO_THROW(control.startCapture());
    control.stopCapture();
}

TEST_F(CapturePanelTest, ChoosingAnotherDeviceInTheListConnectsIt)
{
    prepared();
    list("Combo1")->setCurrentIndex(1);
    EXPECT_TRUE(control.connected());
    EXPECT_EQ(control.videoDeviceName(control.videoDeviceIndex()), kSimulatedSite);
    EXPECT_EQ(stored("device"), "1");
    EXPECT_EQ(stored("deviceName"), kSimulatedSite);
    EXPECT_EQ(entries(list("VideoInput")), (QStringList{"Shore Camera"}));
    // Not while recording: the recording goes on and the list shows its device.
    startRecording();
    list("Combo1")->setCurrentIndex(0);
    EXPECT_TRUE(control.capturing());
    EXPECT_EQ(list("Combo1")->currentIndex(), 1);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "Eror code: 1003 Not possible while recording");
    control.stopCapture();
}

TEST_F(CapturePanelTest, StoredCameraMissingAtStartUpIsNamedAndTheListShowsWhatIsThere)
{
    seed("device", "0");
    seed("deviceName", "Lake Camera");
    prepared();
    ASSERT_EQ(dialogs.shown.size(), 1) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(dialogs.shown[0].text,
              "The video device \"Lake Camera\" is not connected. Plug it in and answer Yes when "
              "the station offers it, or choose another device in the list.");
    EXPECT_FALSE(control.connected()) << "no other device is connected in its place";
    EXPECT_EQ(entries(list("Combo1")), (QStringList{kTestPattern, kSimulatedSite}));
    EXPECT_EQ(stored("deviceName"), "Lake Camera");
    // Stored by name: a camera that moved in the list is found where it is now.
    panel.reset();
    seed("device", "0");
    seed("deviceName", kSimulatedSite);
    dialogs.shown.clear();
    prepared();
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(control.videoDeviceName(control.videoDeviceIndex()), kSimulatedSite);
}

TEST_F(CapturePanelTest, ListenIsOffWithATipWithoutSound)
{
    prepared();
    auto* listen = control_<QCheckBox>("Check1");
    EXPECT_FALSE(listen->isEnabled());
    EXPECT_EQ(listen->toolTip(), "The video device has no sound to listen to");
    list("AudioDevice")->setCurrentIndex(1);
    EXPECT_TRUE(listen->isEnabled());
    EXPECT_TRUE(listen->toolTip().isEmpty());
}

// Ticking "Listen" plays the chosen device (here written to a file instead of a sound card);
// unticking ends it.
TEST_F(CapturePanelTest, ListenPlaysTheChosenSoundDeviceWhileTicked)
{
    const QString wav = dir.filePath("listen.wav");
    control.monitor().setOutput({"wav", wav});
    prepared();
    list("AudioDevice")->setCurrentIndex(1 + control.audioDeviceCount() - 1);
    ASSERT_EQ(list("AudioDevice")->currentText(), kTestTone);
    auto* listen = control_<QCheckBox>("Check1");
    listen->click();
    ASSERT_TRUE(listen->isChecked());
    EXPECT_TRUE(QTest::qWaitFor([&] { return control.monitor().framesPlayed() >= 4410; }, 4000));
    listen->click();
    EXPECT_FALSE(control.listen());
    const qint64 size = QFileInfo(wav).size();
    EXPECT_GT(size, 44 + 2 * 4410);
    QTest::qWait(200);
    EXPECT_EQ(QFileInfo(wav).size(), size);
}

TEST_F(CapturePanelTest, ListenWithoutASoundOutputSaysSoInTheStatus)
{
    const QString wav = dir.filePath("no such folder/listen.wav");
    control.monitor().setOutput({"wav", wav});
    prepared();
    list("AudioDevice")->setCurrentIndex(1 + control.audioDeviceCount() - 1);
    dialogs.shown.clear();
    control_<QCheckBox>("Check1")->click();
    const QString said =
        "Listen: no sound output could be opened (wav \"" + wav + "\": No such file or directory)";
    auto* status = control_<QLabel>("LblStatus");
    static_cast<void>(QTest::qWaitFor([&] { return status->text() == said; }, 3000));
    EXPECT_EQ(status->text(), said);
    EXPECT_TRUE(dialogs.shown.isEmpty()); // the status line, never a message box
}

TEST_F(CapturePanelTest, NetworkCameraIsCheckedAddedUnderItsNameAndComesBackAtTheNextStart)
{
    prepared();
    auto* add = control_<QPushButton>("cmdAddNetworkCamera");
    EXPECT_EQ(add->text(), "Add network camera...");
    EXPECT_EQ(add->accessibleDescription(), "cmdAddNetworkCamera");
    // Not a camera address: told, nothing added.
    dialogs.inputAnswers.enqueue(QString("ftp://10.0.0.5/cam"));
    dialogs.inputAnswers.enqueue(QString("Pole"));
    add->click();
    ASSERT_EQ(dialogs.shown.size(), 3);
    EXPECT_EQ(dialogs.shown[0].text,
              "Address of the network camera (rtsp://, http://, https://, srt:// or udp://):");
    EXPECT_EQ(dialogs.shown[0].title, "Add network camera");
    EXPECT_EQ(dialogs.shown[1].text, "Name of the camera, as the device list shows it:");
    EXPECT_EQ(dialogs.shown[2].text,
              "\"ftp://10.0.0.5/cam\" is no camera address: it must start with rtsp://, "
              "http://, https://, srt:// or udp://.");
    EXPECT_EQ(stored("NetworkCameras"), "<missing>");

    test::CameraServer server;
    const quint16 port = test::freePort();
    ASSERT_TRUE(server.startHttpMjpeg(port, 320, 240, 25));
    const QString url = QString("http://127.0.0.1:%1").arg(port);
    dialogs.shown.clear();
    dialogs.inputAnswers.enqueue(url);
    dialogs.inputAnswers.enqueue(QString(" Dock "));
    add->click();
    ASSERT_EQ(dialogs.shown.size(), 2) << dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(entries(list("Combo1")), (QStringList{"Dock", kTestPattern, kSimulatedSite}));
    EXPECT_EQ(stored("NetworkCameras"), "Dock\t" + url);
    EXPECT_EQ(list("Combo1")->currentText(), kTestPattern); // still connected to it
    server.stop();

    // The next start lists it again, whether it answers or not.
    panel.reset();
    control.disconnectDevice();
    FfmpegCaptureControl next(false);
    next.devices().setPollInterval(0);
    CapturePanel again(station, dialogs, next);
    again.prepare();
    auto* devices = again.findChild<QComboBox*>("Combo1");
    EXPECT_EQ(entries(devices), (QStringList{"Dock", kTestPattern, kSimulatedSite}));
    EXPECT_EQ(devices->currentText(), kTestPattern);
}
