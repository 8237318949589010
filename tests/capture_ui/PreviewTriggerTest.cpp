// The capture screen's seconds kept before Start and its automatic start, on the "Simulated Jump
// Site" device (the skier-free variant where nothing may fire): the stored values, the zone
// dragged on the live picture, Arm/Disarm and ESC, and a pass started by the trigger.
#include "PreviewFixture.h"

#include "capture/TriggerSettings.h"
#include "sim/SimulatedSite.h"
#include "widgets/Accessibility.h"

#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileInfo>

using namespace zelvan;
using zelvan::test::PreviewTest;
using Screen = app::Station::Screen;

namespace
{

constexpr double kFps = 30;
const QSize kPicture(320, 240);

class PreviewTriggerTest : public PreviewTest
{
protected:
    ~PreviewTriggerTest() override { qunsetenv("ZELVAN_SIMULATED_SITE"); }

    void connectSite(bool skier = true)
    {
        if (!skier)
            qputenv("ZELVAN_SIMULATED_SITE", "no-skier");
        for (int i = 0; i < control.videoDeviceCount(); ++i)
            if (control.videoDeviceName(i) == capture::kSimulatedSite)
                control.setVideoDeviceIndex(i);
        for (int i = 0; i < control.resolutionCount(); ++i)
            if (control.resolutionName(i) == "320x240")
                control.setResolutionIndex(i);
        control.setFrameRate(kFps);
        control.connectDevice(control.videoDeviceIndex());
        ASSERT_TRUE(control.connected());
        control.setPreview(true);
        opened.start();
    }
    // The screen shown, with the site's picture on it.
    void showWithPicture()
    {
        screen("");
        QElapsedTimer waited;
        waited.start();
        while (preview->livePicture().frame().isNull() && waited.elapsed() < 5000)
            QTest::qWait(20);
        ASSERT_EQ(preview->livePicture().frame().size(), kPicture);
    }
    // Picture pixel (x, y) as the operator sees it on the live picture, fitted and centred;
    // worked out here from the widget's size alone.
    QPoint onPicture(double x, double y) const
    {
        const QSize view = preview->livePicture().size();
        const double scale = std::min(double(view.width()) / kPicture.width(),
                                      double(view.height()) / kPicture.height());
        const double left = (view.width() - kPicture.width() * scale) / 2;
        const double top = (view.height() - kPicture.height() * scale) / 2;
        return QPoint(int(left + x * scale), int(top + y * scale));
    }
    // A left-button drag over the picture pixels of `zone`, from its top-left pixel to its
    // bottom-right one.
    void drag(const QRect& zone)
    {
        QWidget* picture = &preview->livePicture();
        const QPoint from = onPicture(zone.left() + 0.5, zone.top() + 0.5);
        const QPoint to = onPicture(zone.right() + 0.5, zone.bottom() + 0.5);
        QTest::mousePress(picture, Qt::LeftButton, {}, from);
        QTest::mouseMove(picture, (from + to) / 2);
        QTest::mouseMove(picture, to);
        QTest::mouseRelease(picture, Qt::LeftButton, {}, to);
    }
    QString stored(const char* key) { return station.settings().read(key, "<missing>"); }
    QDoubleSpinBox* seconds() const { return find<QDoubleSpinBox>("preTriggerSeconds"); }
    QString state() const { return label("lblTriggerState")->text(); }

    QElapsedTimer opened;
};

} // namespace

TEST_F(PreviewTriggerTest, ControlsAreNamedAndReachable)
{
    build();
    screen("");
    EXPECT_EQ(seconds()->value(), 2); // the station's default, not the engine's
    EXPECT_EQ(seconds()->minimum(), 0);
    EXPECT_EQ(seconds()->maximum(), 5);
    EXPECT_EQ(seconds()->accessibleName(), "Seconds kept before Start");
    EXPECT_EQ(seconds()->accessibleDescription(), "preTriggerSeconds");
    EXPECT_EQ(button("cmdArmTrigger")->text(), "&Arm Trigger");
    EXPECT_EQ(button("cmdArmTrigger")->accessibleName(), "Arm Trigger");
    EXPECT_EQ(button("cmdArmTrigger")->accessibleDescription(), "cmdArmTrigger");
    EXPECT_EQ(label("lblTriggerState")->accessibleDescription(), "lblTriggerState");
    EXPECT_EQ(state(), "Trigger: Disarmed");
    EXPECT_EQ(label("lblTriggerNote")->text(),
              "Drag a rectangle on the live picture where the skier leaves the ramp");
    EXPECT_EQ(control.preTriggerSeconds(), 2) << "applied when the screen is activated";
    // Reached with Tab from the recording time, before the skier's name.
    find<QListWidget>("captureTimeValue")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), seconds());
    EXPECT_TRUE(button("cmdArmTrigger")->focusPolicy() & Qt::TabFocus);
    // Arming without a zone says what to do first and arms nothing.
    button("cmdArmTrigger")->click();
    ASSERT_EQ(dialogs.messages(),
              QStringList{"Draw the trigger zone first: drag a rectangle on the live picture "
                          "where the skier leaves the ramp"});
    EXPECT_EQ(state(), "Trigger: Disarmed");
    EXPECT_EQ(control.triggerState(), capture::CaptureControl::TriggerDisarmed);
}

TEST_F(PreviewTriggerTest, BadStoredValuesFallBackAndAreTold)
{
    ASSERT_TRUE(station.settings().write("preTriggerSeconds", "lots"));
    ASSERT_TRUE(station.settings().write("triggerZone", "1,2,3"));
    ASSERT_TRUE(station.settings().write("triggerThreshold", "2"));
    build();
    screen("");
    const QStringList notes{
        "The seconds before Start must be a number from 0 to 5, not \"lots\"; 2 is used",
        "The trigger zone \"1,2,3\" is not X,Y,W,H in picture pixels; draw the zone again",
        "The trigger threshold must be a share above 0 and at most 1, not \"2\"; 0.01 is used"};
    EXPECT_EQ(label("lblTriggerNote")->text(), notes.join('\n'));
    for (const QString& note : notes)
        EXPECT_EQ(logged(note), 1) << note.toStdString();
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(seconds()->value(), 2);
    EXPECT_EQ(control.preTriggerSeconds(), 2);
    EXPECT_TRUE(preview->livePicture().zone().isNull());
}

// The seconds are stored and applied when changed; a pass then begins with them, and the frame
// selection opens the middle of the recording time counted from the file's first frame.
TEST_F(PreviewTriggerTest, SecondsBeforeStartAreStoredAppliedAndRecorded)
{
    connectSite();
    build();
    showWithPicture();
    seconds()->setValue(1);
    EXPECT_EQ(stored("preTriggerSeconds"), "1");
    EXPECT_EQ(control.preTriggerSeconds(), 1);
    QTest::qWait(1500); // more than the second kept
    button("cmdStartCapture")->click();
    ASSERT_TRUE(control.capturing()) << dialogs.messages().join(" | ").toStdString();
    EXPECT_FALSE(seconds()->isEnabled());
    EXPECT_FALSE(button("cmdArmTrigger")->isEnabled());
    QTest::qWait(300);
    preview->escape();
    const int kept = control.preTriggerFrames();
    EXPECT_NEAR(kept, 30, 2);
    EXPECT_EQ(control.startFrame(), kept);
    EXPECT_GE(preview->capturedFrameCount(), kept + 5) << "the file holds the kept second";
    EXPECT_EQ(station.contactFrameHint(), 75 + kept);
    EXPECT_TRUE(seconds()->isEnabled());

    // 0 switches the memory off: the pass begins at Start, and so does its middle.
    seconds()->setValue(0);
    EXPECT_EQ(stored("preTriggerSeconds"), "0");
    EXPECT_EQ(control.preTriggerSeconds(), 0);
    QTest::qWait(300);
    button("cmdStartCapture")->click();
    ASSERT_TRUE(control.capturing());
    QTest::qWait(300);
    preview->escape();
    EXPECT_EQ(control.preTriggerFrames(), 0);
    EXPECT_EQ(station.contactFrameHint(), 75);
    EXPECT_LT(preview->capturedFrameCount(), 20);
}

// The zone is dragged over the fitted picture and kept in picture pixels; armed, ESC takes the
// trigger back without the stop sequence; on the site without a skier nothing fires.
TEST_F(PreviewTriggerTest, ZoneDrawnArmedAndDisarmedByEsc)
{
    connectSite(false);
    build();
    showWithPicture();
    const QRect zone(100, 80, 64, 48);
    drag(zone);
    EXPECT_EQ(stored("triggerZone"), "100,80,64,48");
    EXPECT_EQ(stored("triggerThreshold"), "0.01");
    EXPECT_EQ(preview->livePicture().zone(), zone);
    EXPECT_EQ(label("lblTriggerNote")->text(), "Trigger zone 100,80,64,48 in picture pixels");
    // Drawn as an outline over the picture.
    const QImage shot = preview->livePicture().grab().toImage();
    const QPoint edge = onPicture(132, 80);
    int yellow = 0;
    for (int y = edge.y() - 2; y <= edge.y() + 2; ++y)
        yellow += QColor(shot.pixel(edge.x(), y)) == QColor(Qt::yellow) ? 1 : 0;
    EXPECT_GE(yellow, 1) << "no outline on the zone's top edge";

    // Too small a drag keeps the zone there was.
    drag(QRect(10, 10, 3, 3));
    EXPECT_EQ(preview->livePicture().zone(), zone);
    EXPECT_EQ(stored("triggerZone"), "100,80,64,48");
    EXPECT_EQ(label("lblTriggerNote")->text(),
              "The trigger zone \"10,10,3,3\" is smaller than 8 x 8 pixels");

    button("cmdArmTrigger")->click();
    EXPECT_EQ(control.triggerState(), capture::CaptureControl::TriggerArmed);
    EXPECT_EQ(state(), "Trigger: Armed");
    EXPECT_EQ(button("cmdArmTrigger")->text(), "Dis&arm Trigger");
    EXPECT_EQ(button("cmdArmTrigger")->accessibleName(), "Disarm Trigger");
    QSignalSpy requests(&station, &app::Station::screenRequested);
    QTest::qWait(2000);
    EXPECT_FALSE(control.capturing()) << "fired on the water";
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : preview.get(),
                    Qt::Key_Escape);
    EXPECT_EQ(control.triggerState(), capture::CaptureControl::TriggerDisarmed);
    EXPECT_EQ(state(), "Trigger: Disarmed");
    EXPECT_EQ(logged("Trigger disarmed"), 1);
    EXPECT_EQ(logged("ESC pressed"), 0);
    EXPECT_EQ(requests.size(), 0);
    EXPECT_EQ(box("txtPass")->text(), "1");
    // Disarmed, ESC has its old meaning: the stop sequence.
    preview->escape();
    EXPECT_EQ(logged("ESC pressed"), 1);
    EXPECT_EQ(requests.size(), 1);

    // A stored zone is shown again on the next run's screen.
    preview.reset();
    build();
    EXPECT_EQ(preview->livePicture().zone(), zone);
}

// The skier reaching the zone starts the pass through the screen's own Start.
TEST_F(PreviewTriggerTest, TheTriggerStartsThePassAsStartDoes)
{
    sim::SiteOptions options;
    options.pictureSize = kPicture;
    options.frameRate = kFps;
    const sim::SimulatedSite site(options);
    const QRect zone =
        site.skierBounds(site.landingFrame()).toAlignedRect().adjusted(-6, -6, 6, 6) &
        QRect(QPoint(0, 0), kPicture);
    const int entry = site.skierEntryFrame(zone);
    ASSERT_GE(entry, 0);

    connectSite();
    build();
    station.setCaptureSkierName("Smith");
    showWithPicture();
    drag(zone);
    ASSERT_EQ(stored("triggerZone"), capture::zoneText(zone));
    QApplication::setActiveWindow(preview.get());
    QTest::keyClick(preview.get(), Qt::Key_A, Qt::AltModifier);
    QTest::qWait(300); // a mnemonic presses the button visibly first
    ASSERT_EQ(state(), "Trigger: Armed") << "Alt+A arms";
    QElapsedTimer waited;
    waited.start();
    while (!control.capturing() && waited.elapsed() < 15000)
        QTest::qWait(10);
    ASSERT_TRUE(control.capturing()) << "the trigger never started the pass";
    EXPECT_EQ(state(), "Trigger: Triggered");
    EXPECT_EQ(logged("Trigger fired"), 1);
    EXPECT_EQ(logged("Start Capture"), 1);
    EXPECT_EQ(logged("Capture File: " + video("Smithjump1.avi")), 1);
    EXPECT_EQ(applied, 1);
    EXPECT_FALSE(button("cmdStartCapture")->isEnabled());
    EXPECT_TRUE(button("cmdStartTimer")->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), button("cmdStartTimer"));
    QSignalSpy requests(&station, &app::Station::screenRequested);
    QTest::qWait(1100);
    EXPECT_EQ(label("captime")->text(), "4") << "the countdown runs from the trigger";
    preview->escape();
    EXPECT_TRUE(QFileInfo(video("Smithjump1.avi")).size() > 0);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0][0].value<Screen>(), Screen::FrameSelection);
    EXPECT_EQ(station.capturedVideoFile(), video("Smithjump1.avi"));
    // The file begins with what was kept before the picture that fired (up to two seconds; the
    // site may fire sooner after the device opened), and the middle counts from there.
    const int start = control.startFrame();
    EXPECT_GT(start, 15);
    EXPECT_LE(start, 60);
    EXPECT_GE(control.preTriggerFrames(), start);
    EXPECT_EQ(station.contactFrameHint(), 75 + start);
    EXPECT_EQ(state(), "Trigger: Disarmed") << "spent: the next pass is armed by hand";
}
